#include "headers/CharsetDecoders.h"

#include "headers/SjisText.h"

namespace {

const uint8_t Esc = 0x1B;

inline uint8_t At(std::string_view bytes, size_t i) { return static_cast<uint8_t>(bytes[i]); }

inline bool InRange(uint8_t b, uint8_t low, uint8_t high) { return b >= low && b <= high; }

// Reads the UTF-8 sequence that starts at `i` and returns the position behind it. A broken
// sequence ends before the first byte that cannot continue it (its maximal valid part counts as
// one broken character) and leaves `ok` false.
size_t NextUtf8(std::string_view bytes, size_t i, uint32_t& ch, bool& ok) {
    const uint8_t b = At(bytes, i++);
    ok = true;
    // Japanese text first: three bytes whose lead allows the whole continuation range.
    if (InRange(b, 0xE1, 0xEF) && b != 0xED && i + 1 < bytes.size()) {
        const uint8_t b2 = At(bytes, i), b3 = At(bytes, i + 1);
        if ((b2 & 0xC0) == 0x80 && (b3 & 0xC0) == 0x80) {
            ch = uint32_t(b & 0x0F) << 12 | uint32_t(b2 & 0x3F) << 6 | (b3 & 0x3F);
            return i + 2;
        }
    }
    if (b < 0x80) {
        ch = b;
        return i;
    }
    int more = 0;
    uint8_t low = 0x80, high = 0xBF;  // the range of the second byte; later bytes take 80..BF
    if (InRange(b, 0xC2, 0xDF)) {
        more = 1, ch = b & 0x1F;
    } else if (InRange(b, 0xE0, 0xEF)) {
        more = 2, ch = b & 0x0F;
        if (b == 0xE0) low = 0xA0;   // overlong
        if (b == 0xED) high = 0x9F;  // surrogates
    } else if (InRange(b, 0xF0, 0xF4)) {
        more = 3, ch = b & 0x07;
        if (b == 0xF0) low = 0x90;   // overlong
        if (b == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        ok = false;
        return i;
    }
    for (; more > 0; --more) {
        if (i >= bytes.size() || !InRange(At(bytes, i), low, high)) {
            ok = false;
            return i;
        }
        ch = ch << 6 | (At(bytes, i++) & 0x3F);
        low = 0x80, high = 0xBF;
    }
    return i;
}

inline bool IsSjisTrail(uint8_t b) { return InRange(b, 0x40, 0x7E) || InRange(b, 0x80, 0xFC); }
inline bool IsEucByte(uint8_t b) { return InRange(b, 0xA1, 0xFE); }
inline bool IsKanaByte(uint8_t b) { return InRange(b, 0xA1, 0xDF); }
inline bool IsJisByte(uint8_t b) { return InRange(b, 0x21, 0x7E); }

enum class TJisMode { Ascii, Kana, X0208, OtherTwoByte };

// Length of the escape sequence at `i` (0 when it is none that is known) and the mode it selects.
size_t JisEscape(std::string_view bytes, size_t i, TJisMode& mode) {
    const auto next = [&](size_t k) { return i + k < bytes.size() ? At(bytes, i + k) : 0; };
    const auto select = [&mode](TJisMode selected, size_t length) {
        mode = selected;
        return length;
    };
    const int b1 = next(1), b2 = next(2), b3 = next(3);
    if (b1 == '(') {  // one-byte sets: ASCII, JIS X 0201 Roman (two spellings), JIS X 0201 kana
        if (b2 == 'B' || b2 == 'J' || b2 == '@') return select(TJisMode::Ascii, 3);
        if (b2 == 'I') return select(TJisMode::Kana, 3);
        return 0;
    }
    if (b1 != '$') return 0;
    if (b2 == 'B' || b2 == '@') return select(TJisMode::X0208, 3);  // JIS X 0208-1983, -1978
    if (b2 == 'A') return select(TJisMode::OtherTwoByte, 3);        // GB 2312
    if (b2 != '(') return 0;
    // JIS X 0208 in the long form, JIS X 0213 plane 1 (2004, 2000); JIS X 0212, JIS X 0213
    // plane 2, KS C 5601.
    if (b3 == 'B' || b3 == 'Q' || b3 == 'O') return select(TJisMode::X0208, 4);
    if (b3 == 'D' || b3 == 'P' || b3 == 'C') return select(TJisMode::OtherTwoByte, 4);
    return 0;
}

// Copies the run of bytes below 0x80 that starts at `i`; returns the position behind it.
size_t CopyAscii(std::string_view bytes, size_t i, TSjisOutput& out) {
    const size_t end = SjisText::FindEightBit(bytes, i);
    out.AsciiRun(bytes.data() + i, end - i);
    return end;
}

}  // namespace

bool TCharsetDecoders::IsUtf8(std::string_view bytes) {
    uint32_t ch;
    bool ok = true;
    for (size_t i = 0; i < bytes.size() && ok;) {
        i = At(bytes, i) < 0x80 ? SjisText::FindEightBit(bytes, i) : NextUtf8(bytes, i, ch, ok);
    }
    return ok;
}

void TCharsetDecoders::Utf8(std::string_view bytes, TSjisOutput& out) {
    uint32_t ch;
    bool ok;
    for (size_t i = 0; i < bytes.size();) {
        if (At(bytes, i) < 0x80) {
            i = CopyAscii(bytes, i, out);
            continue;
        }
        i = NextUtf8(bytes, i, ch, ok);
        if (ok) {
            out.Unicode(ch);
        } else {
            out.Broken();
        }
    }
}

void TCharsetDecoders::ShiftJis(std::string_view bytes, TSjisOutput& out) {
    for (size_t i = 0; i < bytes.size();) {
        const uint8_t b = At(bytes, i);
        if (b < 0x80) {
            i = CopyAscii(bytes, i, out);
        } else if (IsKanaByte(b)) {
            out.Kana(b), ++i;
        } else if (SjisText::IsLeadByte(static_cast<char>(b)) && i + 1 < bytes.size() &&
                   IsSjisTrail(At(bytes, i + 1))) {
            out.Sjis(b, At(bytes, i + 1)), i += 2;
        } else {
            out.Broken(), ++i;
        }
    }
}

void TCharsetDecoders::EucJp(std::string_view bytes, TSjisOutput& out) {
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        const uint8_t b = At(bytes, i);
        if (b < 0x80) {
            i = CopyAscii(bytes, i, out);
        } else if (b == 0x8E && i + 1 < n && IsKanaByte(At(bytes, i + 1))) {
            out.Kana(At(bytes, i + 1)), i += 2;
        } else if (b == 0x8F && i + 2 < n && IsEucByte(At(bytes, i + 1)) &&
                   IsEucByte(At(bytes, i + 2))) {
            out.Broken(), i += 3;  // JIS X 0212: not in code page 932
        } else if (IsEucByte(b) && i + 1 < n && IsEucByte(At(bytes, i + 1))) {
            out.Jis(b - 0x80, At(bytes, i + 1) - 0x80), i += 2;
        } else {
            out.Broken(), ++i;
        }
    }
}

void TCharsetDecoders::Iso2022Jp(std::string_view bytes, TSjisOutput& out) {
    TJisMode mode = TJisMode::Ascii;
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        const uint8_t b = At(bytes, i);
        if (b == Esc) {
            const size_t length = JisEscape(bytes, i, mode);
            if (length == 0) out.Broken();
            i += length == 0 ? 1 : length;
        } else if (mode == TJisMode::Ascii && b < 0x80) {
            size_t end = i + 1;
            while (end < n && At(bytes, end) < 0x80 && At(bytes, end) != Esc) ++end;
            out.AsciiRun(bytes.data() + i, end - i);
            i = end;
        } else if (mode == TJisMode::Ascii || b < 0x21) {
            // Controls and blanks stand for themselves in every mode; 8-bit bytes do not belong.
            if (b < 0x80) {
                out.Ascii(b);
            } else {
                out.Broken();
            }
            ++i;
        } else if (mode == TJisMode::Kana) {
            if (InRange(b, 0x21, 0x5F)) {
                out.Kana(b + 0x80);
            } else {
                out.Broken();
            }
            ++i;
        } else if (IsJisByte(b) && i + 1 < n && IsJisByte(At(bytes, i + 1))) {
            if (mode == TJisMode::X0208) {
                out.Jis(b, At(bytes, i + 1));
            } else {
                out.Broken();
            }
            i += 2;
        } else {
            out.Broken(), ++i;
        }
    }
}

void TCharsetDecoders::Latin1(std::string_view bytes, TSjisOutput& out) {
    for (size_t i = 0; i < bytes.size();) {
        if (At(bytes, i) < 0x80) {
            i = CopyAscii(bytes, i, out);
        } else {
            out.Unicode(At(bytes, i++));
        }
    }
}

void TCharsetDecoders::Ascii(std::string_view bytes, TSjisOutput& out) {
    for (size_t i = 0; i < bytes.size();) {
        if (At(bytes, i) < 0x80) {
            i = CopyAscii(bytes, i, out);
        } else {
            out.Broken(), ++i;
        }
    }
}
