#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Byte-level helpers for Shift_JIS (code page 932) text.
namespace SjisText {

// Blanks and control characters, the set that is trimmed from both ends of header and setting
// texts.
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Eight bytes as one number, the first in the lowest bits whatever the machine.
inline uint64_t LoadEight(const char* bytes) {
    uint64_t value;
    std::memcpy(&value, bytes, 8);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap64(value);
#endif
    return value;
}

// Position of the first byte of 0x80 or above at or after `from`; the size when there is none.
// Eight bytes at a time: most header text is ASCII.
inline size_t FindEightBit(std::string_view text, size_t from = 0) {
    size_t i = from;
    for (; i + 8 <= text.size(); i += 8) {
        const uint64_t high = LoadEight(text.data() + i) & 0x8080808080808080u;
        if (high != 0) return i + static_cast<size_t>(__builtin_ctzll(high)) / 8;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

// First byte of a two-byte character.
inline bool IsLeadByte(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// One JIS X 0208 code (first byte in the high half) to its Shift_JIS code; for bytes outside
// 0x21..0x7E the formula still gives a fixed result.
inline uint16_t FromJis(uint16_t jis) {
    const unsigned v = (jis + 0xA17Eu) & 0xFFFF;
    const unsigned h = v >> 8;
    unsigned l = v & 0xFF;
    const unsigned s1 = (h >> 1) ^ 0xE0;
    if ((h & 1) == 0) l = (l - 0x5E - (l < 0xDE ? 1 : 0)) & 0xFF;
    return static_cast<uint16_t>(s1 << 8 | l);
}

// The text without blanks and control characters at either end.
std::string Trim(const std::string& text);

// Position of the first character `c` (an ASCII character) at or after `from`, never matching the
// second byte of a two-byte character; npos when there is none. `from` must start a character.
size_t FindChar(const std::string& text, char c, size_t from = 0);

// The text without its first and last characters (a two-byte character counts as one).
std::string StripEnds(const std::string& text);

// A whole decimal number with an optional sign that fits 32 bits; false for anything else
// (blanks included).
bool ToInt32(const std::string& text, int32_t& value);

// How many bytes of the text's start fit in `maxBytes` without splitting a two-byte character.
size_t FittingBytes(const std::string& text, size_t maxBytes);

}  // namespace SjisText
