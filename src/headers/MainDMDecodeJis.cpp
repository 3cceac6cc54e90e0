// ISO-2022-JP header values (encoded words and raw JIS) to Shift_JIS, the way rules written
// before other charsets were decoded still see them.
#include <cstring>
#include <string_view>

#include "headers/MainDM.h"
#include "headers/SjisText.h"

namespace {

const char Esc = 0x1B;

// Converts `count` ISO-2022-JP bytes at `src` to Shift_JIS at `dst`; returns the bytes written
// (never more than `count`). `dst` may be `src`: no byte is written before it has been read.
size_t ConvertJis(const unsigned char* src, size_t count, unsigned char* dst) {
    bool twoByte = false;
    size_t out = 0;
    size_t i = 0;
    while (i < count) {
        if (src[i] == Esc && i + 2 < count) {
            const unsigned char a = src[i + 1], b = src[i + 2];
            if (a == '(' && (b == 'B' || b == 'J' || b == '@')) {
                twoByte = false;
                i += 3;
                continue;
            }
            if (a == '$' && (b == 'B' || b == '@')) {
                twoByte = true;
                i += 3;
                continue;
            }
        }
        if (!twoByte) {
            dst[out++] = src[i++];
            continue;
        }
        // A lone first byte at the end has no partner; dropping it keeps the output within the
        // input.
        if (i + 1 == count) break;
        const uint16_t sjis =
            TMainDM::JisCharToSjis(static_cast<uint16_t>(src[i] << 8 | src[i + 1]));
        dst[out++] = static_cast<unsigned char>(sjis >> 8);
        dst[out++] = static_cast<unsigned char>(sjis & 0xFF);
        i += 2;
    }
    return out;
}

// Values of the base64 digits; any other character stands for its own code.
// Built at compile time, so that decoding works even during other files' static initialisation.
struct TBase64Table {
    uint8_t Value[256] = {};
    constexpr TBase64Table() {
        for (int c = 0; c < 256; ++c) Value[c] = static_cast<uint8_t>(c);
        constexpr char digits[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int v = 0; v < 64; ++v)
            Value[static_cast<unsigned char>(digits[v])] = static_cast<uint8_t>(v);
    }
};
constexpr TBase64Table Base64Table;

inline unsigned DigitValue(char c) { return Base64Table.Value[static_cast<unsigned char>(c)]; }

inline void DecodeGroup(const char* text, unsigned char* dst) {
    const unsigned a = DigitValue(text[0]), b = DigitValue(text[1]), c = DigitValue(text[2]),
                   d = DigitValue(text[3]);
    dst[0] = static_cast<unsigned char>(a * 4 + b / 16);
    dst[1] = static_cast<unsigned char>(b * 16 + c / 4);
    dst[2] = static_cast<unsigned char>(c * 64 + (d & 63));
}

// Decodes `length` base64 characters at `text` into `dst`; returns the bytes written, at most
// length / 4 * 3 + 2.
size_t ConvertBase64(const char* text, size_t length, unsigned char* dst) {
    size_t out = 0;
    size_t i = 0;
    for (; i + 4 <= length; i += 4) {
        DecodeGroup(text + i, dst + out);
        out += text[i + 3] != '=' ? 3 : text[i + 2] != '=' ? 2 : 1;
    }
    const size_t rest = length - i;  // a short final group: 2 or 3 characters give 1 or 2 bytes
    if (rest >= 2) {
        const char group[4] = {text[i], text[i + 1], rest == 3 ? text[i + 2] : 'A', 'A'};
        unsigned char bytes[3];
        DecodeGroup(group, bytes);
        for (size_t k = 0; k + 1 < rest; ++k) dst[out++] = bytes[k];
    }
    return out;
}

// Length of the text up to its first zero byte, as a C string would end there.
size_t LengthUpToZero(const char* text, size_t length) {
    const void* zero = std::memchr(text, 0, length);
    return zero ? static_cast<size_t>(static_cast<const char*>(zero) - text) : length;
}

// Position of the first ISO-2022-JP encoded word at or after `from`, in either spelling.
size_t FindWord(std::string_view text, size_t from) {
    for (size_t at = text.find("=?", from); at != std::string_view::npos;
         at = text.find("=?", at + 1)) {
        const std::string_view charset = text.substr(at + 2, 11);
        if (charset == "iso-2022-jp" || charset == "ISO-2022-JP") return at;
    }
    return std::string_view::npos;
}

// Position just behind the first `marker` (two characters) at or after `from`; without one, only
// the character at `from` is passed over.
size_t SkipPast(std::string_view text, const char* marker, size_t from) {
    const size_t at = text.find(marker, from, 2);
    return at == std::string_view::npos ? from + 1 : at + 2;
}

}  // namespace

uint8_t TMainDM::Base64Digit(char c) { return static_cast<uint8_t>(DigitValue(c)); }

std::array<uint8_t, 3> TMainDM::DecodeBase64Group(char a, char b, char c, char d) {
    const char group[4] = {a, b, c, d};
    std::array<uint8_t, 3> bytes;
    DecodeGroup(group, bytes.data());
    return bytes;
}

std::string TMainDM::DecodeBase64(const std::string& text) {
    std::string out(text.size() / 4 * 3 + 2, '\0');
    out.resize(ConvertBase64(text.data(), text.size(), reinterpret_cast<unsigned char*>(&out[0])));
    return out;
}

uint16_t TMainDM::JisCharToSjis(uint16_t jis) { return SjisText::FromJis(jis); }

std::string TMainDM::JisToSjis(const std::string& jis) {
    std::string out(jis.size(), '\0');
    out.resize(ConvertJis(reinterpret_cast<const unsigned char*>(jis.data()), jis.size(),
                          reinterpret_cast<unsigned char*>(&out[0])));
    return out;
}

std::string TMainDM::DecodeJisWords(const std::string& value) {
    if (value.empty()) return NoneText;

    std::string out;
    if (value.find("\x1B$") != std::string::npos) {
        // Raw JIS from older mailers: converted as it stands, untrimmed, up to the limit.
        const size_t count = value.size() < RawJisLimit ? value.size() : RawJisLimit;
        out.resize(count);
        const size_t length = ConvertJis(reinterpret_cast<const unsigned char*>(value.data()),
                                         count, reinterpret_cast<unsigned char*>(&out[0]));
        out.resize(LengthUpToZero(out.data(), length));
        return out;
    }

    size_t first = 0, last = value.size();
    while (first < last && SjisText::IsBlank(value[first])) ++first;
    while (last > first && SjisText::IsBlank(value[last - 1])) --last;
    const std::string_view text(value.data() + first, last - first);
    size_t word = FindWord(text, 0);
    if (word == std::string_view::npos) return std::string(text);

    out.reserve(text.size());
    size_t pos = 0;
    while (word != std::string_view::npos) {
        out.append(text.data() + pos,
                   word - pos);  // text before the word, blanks between words too
        pos = SkipPast(text, "B?", word + 1);
        // The encoded text runs to "?="; an unterminated word loses only its first character.
        size_t end = text.find("?=", pos);
        size_t length = 0;
        if (end == std::string_view::npos) {
            end = pos;
            pos = pos + 1 < text.size() ? pos + 1 : text.size();
        } else {
            length = end - pos;
            pos = end + 2;
        }
        const char* encoded = text.data() + (end - length);
        while (length > 0 && encoded[length - 1] == '=') --length;

        // Base64 and JIS are undone in place behind the output so far, however long the word.
        const size_t start = out.size();
        out.resize(start + length / 4 * 3 + 2);
        unsigned char* buffer = reinterpret_cast<unsigned char*>(&out[start]);
        const size_t byteCount = ConvertBase64(encoded, length, buffer);
        const size_t sjisCount = ConvertJis(buffer, byteCount, buffer);
        out.resize(start + LengthUpToZero(out.data() + start, sjisCount));
        word = FindWord(text, pos);
    }
    out.append(text.data() + pos, text.size() - pos);
    return out;
}
