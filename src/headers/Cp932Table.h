#pragma once
#include <cstdint>

// Code page 932 as the header decoding needs it: the code of a Unicode character, and whether two
// bytes form a character. Built once, on first use, from a table generated from Python's cp932
// codec (make_cp932_table.py), so that every build converts to the same bytes. Flat arrays: one
// look-up a character.
class TCp932Table {
public:
    // Code of a character other than ASCII: below 0x100 one byte (half-width katakana), else two
    // bytes with the lead byte in the high half; 0 when the code page lacks the character.
    uint16_t FromUnicode(uint32_t ch) const { return ch < 0x10000 ? Codes[ch] : 0; }
    // True when the two bytes are a character of the code page (not only a well-formed pair).
    bool IsCharacter(uint8_t lead, uint8_t trail) const {
        const unsigned code = static_cast<unsigned>(lead) << 8 | trail;
        return (Characters[code >> 3] >> (code & 7) & 1) != 0;
    }
    // Code of a JIS X 0208 character (both bytes 0x21..0x7E); 0 when the code page lacks it.
    uint16_t FromJis(uint8_t j1, uint8_t j2) const { return JisCodes[j1 - 0x21][j2 - 0x21]; }

    // The one table, built on first use, safely from any thread.
    static const TCp932Table& Get();

private:
    TCp932Table();
    uint16_t Codes[0x10000] = {};          // by BMP character: 128 KiB
    uint8_t Characters[0x10000 / 8] = {};  // one bit a two-byte code, set when it is a character
    uint16_t JisCodes[94][94] = {};        // Shift_JIS code by JIS X 0208 row and cell, or 0
};
