// ISO-2022-JP header values (encoded words and raw JIS) to Shift_JIS.
#include <cstring>

#include "headers/MainDM.h"
#include "headers/SjisText.h"

namespace {

const char Esc = 0x1B;

// Converts `count` ISO-2022-JP bytes at `src` to Shift_JIS at `dst`; returns the bytes written
// (never more than `count`).
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
        // A lone first byte at the end has no partner; dropping it keeps the output within the input.
        if (i + 1 == count) break;
        const uint16_t sjis = TMainDM::JisCharToSjis(static_cast<uint16_t>(src[i] << 8 | src[i + 1]));
        dst[out++] = static_cast<unsigned char>(sjis >> 8);
        dst[out++] = static_cast<unsigned char>(sjis & 0xFF);
        i += 2;
    }
    return out;
}

// Decodes `length` base64 characters at `text` into `dst`; returns the bytes written, at most
// length / 4 * 3 + 2.
size_t ConvertBase64(const char* text, size_t length, unsigned char* dst) {
    size_t out = 0;
    size_t i = 0;
    for (; i + 4 <= length; i += 4) {
        const auto bytes = TMainDM::DecodeBase64Group(text[i], text[i + 1], text[i + 2], text[i + 3]);
        size_t n = 3;
        if (text[i + 3] == '=') n = text[i + 2] == '=' ? 1 : 2;
        std::memcpy(dst + out, bytes.data(), n);
        out += n;
    }
    const size_t rest = length - i;  // a short final group: 2 or 3 characters give 1 or 2 bytes
    if (rest >= 2) {
        const auto bytes = TMainDM::DecodeBase64Group(text[i], text[i + 1],
                                                      rest == 3 ? text[i + 2] : 'A', 'A');
        std::memcpy(dst + out, bytes.data(), rest - 1);
        out += rest - 1;
    }
    return out;
}

// Appends the converted text up to its first zero byte, as a C string would end there.
void AppendUpToZero(std::string& out, const unsigned char* text, size_t length) {
    const void* zero = std::memchr(text, 0, length);
    if (zero) length = static_cast<size_t>(static_cast<const unsigned char*>(zero) - text);
    out.append(reinterpret_cast<const char*>(text), length);
}

// Position of the first ISO-2022-JP encoded word at or after `from`, in either spelling.
size_t FindWord(const std::string& text, size_t from) {
    const size_t lower = text.find("=?iso-2022-jp", from);
    const size_t upper = text.find("=?ISO-2022-JP", from);
    return lower < upper ? lower : upper;
}

// Position just behind the first `marker` (two characters) at or after `from`; without one, only the
// character at `from` is passed over.
size_t SkipPast(const std::string& text, const char* marker, size_t from) {
    const size_t at = text.find(marker, from, 2);
    return at == std::string::npos ? from + 1 : at + 2;
}

}  // namespace

uint8_t TMainDM::Base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c - 'A');
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 26);
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0' + 52);
    if (c == '+') return 62;
    if (c == '/') return 63;
    return static_cast<uint8_t>(c);
}

std::array<uint8_t, 3> TMainDM::DecodeBase64Group(char a, char b, char c, char d) {
    const unsigned va = Base64Digit(a), vb = Base64Digit(b), vc = Base64Digit(c),
                   vd = Base64Digit(d);
    return {static_cast<uint8_t>(va * 4 + vb / 16), static_cast<uint8_t>(vb * 16 + vc / 4),
            static_cast<uint8_t>(vc * 64 + (vd & 63))};
}

std::string TMainDM::DecodeBase64(const std::string& text) {
    std::string out(text.size() / 4 * 3 + 2, '\0');
    out.resize(ConvertBase64(text.data(), text.size(), reinterpret_cast<unsigned char*>(&out[0])));
    return out;
}

uint16_t TMainDM::JisCharToSjis(uint16_t jis) {
    const unsigned v = (jis + 0xA17Eu) & 0xFFFF;
    const unsigned h = v >> 8;
    unsigned l = v & 0xFF;
    const unsigned s1 = (h >> 1) ^ 0xE0;
    if ((h & 1) == 0) l = (l - 0x5E - (l < 0xDE ? 1 : 0)) & 0xFF;
    return static_cast<uint16_t>(s1 << 8 | l);
}

std::string TMainDM::JisToSjis(const std::string& jis) {
    std::string out(jis.size(), '\0');
    out.resize(ConvertJis(reinterpret_cast<const unsigned char*>(jis.data()), jis.size(),
                          reinterpret_cast<unsigned char*>(&out[0])));
    return out;
}

std::string TMainDM::DecodeHeaderText(const std::string& value) {
    if (value.empty()) return NoneText;

    std::string out;
    if (value.find("\x1B$") != std::string::npos) {
        // Raw JIS from older mailers: converted as it stands, untrimmed, up to the limit.
        const size_t count = value.size() < RawJisLimit ? value.size() : RawJisLimit;
        unsigned char converted[RawJisLimit];
        AppendUpToZero(out, converted,
                       ConvertJis(reinterpret_cast<const unsigned char*>(value.data()), count,
                                  converted));
        return out;
    }

    const std::string text = SjisText::Trim(value);
    size_t pos = 0;
    size_t word = FindWord(text, pos);
    if (word == std::string::npos) return text;

    std::string bytes, converted;  // reused by every word; sized to the word, however long
    while (word != std::string::npos) {
        out.append(text, pos, word - pos);  // text before the word, blanks between words included
        pos = SkipPast(text, "B?", word + 1);
        // The encoded text runs to "?="; an unterminated word loses only its first character.
        size_t end = text.find("?=", pos);
        size_t length = 0;
        if (end == std::string::npos) {
            end = pos;
            pos = pos + 1 < text.size() ? pos + 1 : text.size();
        } else {
            length = end - pos;
            pos = end + 2;
        }
        const char* encoded = text.data() + (end - length);
        while (length > 0 && encoded[length - 1] == '=') --length;

        bytes.resize(length / 4 * 3 + 2);
        const size_t byteCount =
            ConvertBase64(encoded, length, reinterpret_cast<unsigned char*>(&bytes[0]));
        converted.resize(byteCount);
        const size_t sjisCount = ConvertJis(reinterpret_cast<const unsigned char*>(bytes.data()),
                                            byteCount,
                                            reinterpret_cast<unsigned char*>(&converted[0]));
        AppendUpToZero(out, reinterpret_cast<const unsigned char*>(converted.data()), sjisCount);
        word = FindWord(text, pos);
    }
    out.append(text, pos, std::string::npos);
    return out;
}
