#include "headers/EncodedWord.h"

#include <cstdint>

#include "headers/SjisText.h"

namespace {

// RFC 2047 limits a word to 75 characters; charset names are far shorter. A longer "charset" is
// no word, which also keeps the search linear.
const size_t LongestCharset = 64;

// Values of hex digits (either case) and of base64 digits; -1 for every other byte. Built at
// compile time, one look-up a character.
struct TDigitTables {
    int8_t Hex[256] = {};
    int8_t Base64[256] = {};
    bool EndsPart[256] = {};  // "?", blanks and controls end a charset or an encoded text
    constexpr TDigitTables() {
        for (int c = 0; c < 256; ++c) {
            Hex[c] = Base64[c] = -1;
            EndsPart[c] = c <= 0x20 || c == 0x7F || c == '?';
        }
        for (int v = 0; v < 16; ++v) Hex[static_cast<unsigned char>("0123456789ABCDEF"[v])] = v;
        for (int v = 10; v < 16; ++v) Hex['a' + v - 10] = static_cast<int8_t>(v);
        constexpr char digits[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int v = 0; v < 64; ++v) Base64[static_cast<unsigned char>(digits[v])] = v;
    }
};
constexpr TDigitTables Digits;

inline int HexValue(char c) { return Digits.Hex[static_cast<unsigned char>(c)]; }
inline int Base64Value(char c) { return Digits.Base64[static_cast<unsigned char>(c)]; }
inline bool EndsPart(char c) { return Digits.EndsPart[static_cast<unsigned char>(c)]; }

// The high bit set in each of eight bytes (read by LoadEight) that ends a part, like EndsPart:
// below 0x21, 0x7F or "?". Each test is the usual "some byte is zero / below n" trick: a borrow
// can mark a byte above a true hit, never one below, so the lowest mark is exact; bytes of 0x80
// and above are never marked.
inline uint64_t PartEnds(uint64_t bytes) {
    const uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
    const uint64_t question = bytes ^ ones * '?', del = bytes ^ ones * 0x7F;
    return (((bytes - ones * 0x21) & ~bytes) | ((question - ones) & ~question) |
            ((del - ones) & ~del)) &
           highs;
}

// Position of the first byte at or after `i` that ends a part; the size when there is none.
// Eight bytes at a time: encoded text is long and holds none until its end.
size_t FindPartEnd(std::string_view text, size_t i) {
    for (; i + 8 <= text.size(); i += 8) {
        const uint64_t ends = PartEnds(SjisText::LoadEight(text.data() + i));
        if (ends != 0) return i + static_cast<size_t>(__builtin_ctzll(ends)) / 8;
    }
    while (i < text.size() && !EndsPart(text[i])) ++i;
    return i;
}

// The word starting with "=?" at `at`, if it is one.
bool ParseAt(std::string_view text, size_t at, TEncodedWord& word) {
    const size_t charsetStart = at + 2;
    const size_t i = FindPartEnd(text.substr(0, charsetStart + LongestCharset + 1), charsetStart);
    if (i == charsetStart || i + 2 >= text.size() || text[i] != '?') return false;
    const char encoding = text[i + 1];
    if (text[i + 2] != '?') return false;
    if (encoding != 'B' && encoding != 'b' && encoding != 'Q' && encoding != 'q') return false;
    const size_t textStart = i + 3;
    const size_t end = FindPartEnd(text, textStart);
    if (end + 1 >= text.size() || text[end] != '?' || text[end + 1] != '=') return false;
    word.Start = at;
    word.End = end + 2;
    word.Charset = text.substr(charsetStart, i - charsetStart);
    word.Encoding = encoding == 'b' || encoding == 'B' ? 'B' : 'Q';
    word.Text = text.substr(textStart, end - textStart);
    return true;
}

}  // namespace

bool TEncodedWord::FindNext(std::string_view text, size_t from, TEncodedWord& word) {
    // A failed candidate reads at most its charset and one run of text without "?"; the next
    // candidate can only start at a "?" of that stretch, so every byte is read a few times.
    for (size_t at = text.find("=?", from); at != std::string_view::npos;
         at = text.find("=?", at + 1)) {
        if (ParseAt(text, at, word)) return true;
    }
    return false;
}

size_t TEncodedWord::DecodeTo(char* out) const {
    if (Encoding == 'B') {
        TBase64Rest rest;
        const size_t written = DecodeTo(out, rest);
        return written + Finish(rest, out + written);
    }
    char* dst = out;
    for (size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        int high, low;
        if (c == '_') {
            *dst++ = ' ';
        } else if (c == '=' && i + 2 < Text.size() && (high = HexValue(Text[i + 1])) >= 0 &&
                   (low = HexValue(Text[i + 2])) >= 0) {
            *dst++ = static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            *dst++ = c;
        }
    }
    return static_cast<size_t>(dst - out);
}

size_t TEncodedWord::DecodeTo(char* out, TBase64Rest& rest) const {
    char* dst = out;
    unsigned bits = rest.Bits;
    int count = rest.Count;
    // One character at a time; false at "=", which ends the group and the text.
    auto take = [&](char c) {
        if (c == '=') return false;
        const int value = Base64Value(c);
        if (value < 0) return true;
        bits = bits << 6 | static_cast<unsigned>(value);
        if (++count == 4) {
            dst[0] = static_cast<char>(bits >> 16 & 0xFF);
            dst[1] = static_cast<char>(bits >> 8 & 0xFF);
            dst[2] = static_cast<char>(bits & 0xFF);
            dst += 3;
            bits = 0;
            count = 0;
        }
        return true;
    };
    auto finished = [&] {
        rest = {bits, count};
        dst += Finish(rest, dst);
        return static_cast<size_t>(dst - out);
    };
    size_t i = 0;
    // The group the word before began.
    for (; count != 0 && i < Text.size(); ++i) {
        if (!take(Text[i])) return finished();
    }
    // Whole groups of four alphabet characters, then the rest one by one from the first group
    // that holds anything else.
    if (count == 0) {
        for (; i + 4 <= Text.size(); i += 4) {
            const int a = Base64Value(Text[i]), b = Base64Value(Text[i + 1]),
                      c = Base64Value(Text[i + 2]), d = Base64Value(Text[i + 3]);
            if ((a | b | c | d) < 0) break;
            const unsigned group =
                unsigned(a) << 18 | unsigned(b) << 12 | unsigned(c) << 6 | unsigned(d);
            dst[0] = static_cast<char>(group >> 16);
            dst[1] = static_cast<char>(group >> 8 & 0xFF);
            dst[2] = static_cast<char>(group & 0xFF);
            dst += 3;
        }
    }
    for (; i < Text.size(); ++i) {
        if (!take(Text[i])) return finished();
    }
    rest = {bits, count};
    return static_cast<size_t>(dst - out);
}

size_t TEncodedWord::Finish(TBase64Rest& rest, char* out) {
    // A final group of two or three characters gives one or two bytes.
    size_t written = 0;
    if (rest.Count == 2) out[written++] = static_cast<char>(rest.Bits >> 4 & 0xFF);
    if (rest.Count == 3) {
        out[written++] = static_cast<char>(rest.Bits >> 10 & 0xFF);
        out[written++] = static_cast<char>(rest.Bits >> 2 & 0xFF);
    }
    rest = {};
    return written;
}
