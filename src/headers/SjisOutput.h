#pragma once
#include <cstdint>
#include <string>

// Appends well-formed Shift_JIS to a string. A character code page 932 lacks, and every broken
// byte sequence of the input, becomes "?": never best-fit, never raw bytes.
class TSjisOutput {
public:
    static const char Missing = '?';

    explicit TSjisOutput(std::string& out) : Out(out) {}

    void Ascii(uint8_t byte) { Out += static_cast<char>(byte); }
    void Broken() { Out += Missing; }
    void Unicode(uint32_t ch);
    // A two-byte code as read from Shift_JIS text; "?" unless the code page has it.
    void Sjis(uint8_t lead, uint8_t trail);
    // A JIS X 0208 code (both bytes 0x21..0x7E); "?" unless the code page has it.
    void Jis(uint8_t j1, uint8_t j2);
    // A half-width katakana byte 0xA1..0xDF.
    void Kana(uint8_t byte) { Out += static_cast<char>(byte); }

private:
    std::string& Out;
};
