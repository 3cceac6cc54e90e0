#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "headers/Cp932Table.h"

// Appends well-formed Shift_JIS to a string. A character code page 932 lacks, and every broken
// byte sequence of the input, becomes "?": never best-fit, never raw bytes.
// Bytes gather in a small buffer that is appended to the string when full and at the end.
class TSjisOutput {
public:
    static const char Missing = '?';

    explicit TSjisOutput(std::string& out) : Out(out), Table(TCp932Table::Get()) {}
    ~TSjisOutput() { Flush(); }
    TSjisOutput(const TSjisOutput&) = delete;
    TSjisOutput& operator=(const TSjisOutput&) = delete;

    void Ascii(uint8_t byte) { Put(static_cast<char>(byte)); }
    // A run of bytes below 0x80, copied as they are.
    void AsciiRun(const char* bytes, size_t count) {
        if (Used + count > sizeof Buffer) Flush();
        if (count > sizeof Buffer) {
            Out.append(bytes, count);
            return;
        }
        std::memcpy(Buffer + Used, bytes, count);
        Used += count;
    }
    void Broken() { Put(Missing); }
    void Unicode(uint32_t ch) {
        if (ch < 0x80) return Ascii(static_cast<uint8_t>(ch));
        const uint16_t code = Table.FromUnicode(ch);
        if (code == 0) return Broken();
        if (code < 0x100) return Kana(static_cast<uint8_t>(code));
        Pair(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF));
    }
    // A two-byte code as read from Shift_JIS text; "?" unless the code page has it.
    void Sjis(uint8_t lead, uint8_t trail) {
        if (Table.IsCharacter(lead, trail)) {
            Pair(lead, trail);
        } else {
            Broken();
        }
    }
    // A JIS X 0208 code (both bytes 0x21..0x7E); "?" unless the code page has it.
    void Jis(uint8_t j1, uint8_t j2) {
        const uint16_t code = Table.FromJis(j1, j2);
        if (code == 0) return Broken();
        Pair(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF));
    }
    // A half-width katakana byte 0xA1..0xDF.
    void Kana(uint8_t byte) { Put(static_cast<char>(byte)); }

private:
    void Flush() {
        Out.append(Buffer, Used);
        Used = 0;
    }
    void Put(char byte) {
        if (Used == sizeof Buffer) Flush();
        Buffer[Used++] = byte;
    }
    void Pair(uint8_t lead, uint8_t trail) {
        if (Used + 2 > sizeof Buffer) Flush();
        Buffer[Used] = static_cast<char>(lead);
        Buffer[Used + 1] = static_cast<char>(trail);
        Used += 2;
    }

    std::string& Out;
    char Buffer[256];
    size_t Used = 0;
    const TCp932Table& Table;
};
