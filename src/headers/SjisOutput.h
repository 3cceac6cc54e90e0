#pragma once
#include <cstdint>
#include <string>

#include "headers/Cp932Table.h"
#include "headers/SjisText.h"

// Appends well-formed Shift_JIS to a string. A character code page 932 lacks, and every broken
// byte sequence of the input, becomes "?": never best-fit, never raw bytes.
// The string is extended once for the expected length and cut back when the output is done.
class TSjisOutput {
public:
    static const char Missing = '?';

    // `expected`: the input length; every charset gives at most two bytes an input byte.
    TSjisOutput(std::string& out, size_t expected) : Out(out), Table(TCp932Table::Get()) {
        Written = Out.size();
        Out.resize(Written + 2 * expected + 2);
    }
    ~TSjisOutput() { Out.resize(Written); }
    TSjisOutput(const TSjisOutput&) = delete;
    TSjisOutput& operator=(const TSjisOutput&) = delete;

    void Ascii(uint8_t byte) { Put(static_cast<char>(byte)); }
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
        const uint16_t code = SjisText::FromJis(static_cast<uint16_t>(j1 << 8 | j2));
        Sjis(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF));
    }
    // A half-width katakana byte 0xA1..0xDF.
    void Kana(uint8_t byte) { Put(static_cast<char>(byte)); }

private:
    void Room(size_t bytes) {
        if (Written + bytes > Out.size()) Out.resize(2 * Out.size() + bytes);
    }
    void Put(char byte) {
        Room(1);
        Out[Written++] = byte;
    }
    void Pair(uint8_t lead, uint8_t trail) {
        Room(2);
        Out[Written] = static_cast<char>(lead);
        Out[Written + 1] = static_cast<char>(trail);
        Written += 2;
    }

    std::string& Out;
    size_t Written;  // bytes of Out that hold output
    const TCp932Table& Table;
};
