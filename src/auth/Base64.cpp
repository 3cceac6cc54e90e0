#include "auth/Base64.h"

#include <cstdint>

namespace Base64 {

namespace {

const char Standard[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char UrlSafe[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

std::string EncodeWith(const std::string& bytes, const char* alphabet, bool pad) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t left = bytes.size() - i;
        uint32_t group = uint32_t(uint8_t(bytes[i])) << 16;
        if (left > 1) group |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        if (left > 2) group |= uint8_t(bytes[i + 2]);
        for (size_t k = 0; k < 4; ++k) {
            if (k <= left)
                text += alphabet[(group >> (18 - 6 * k)) & 0x3F];
            else if (pad)
                text += '=';
        }
    }
    return text;
}

int Digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string Encode(const std::string& bytes) { return EncodeWith(bytes, Standard, true); }

std::string EncodeUrl(const std::string& bytes) { return EncodeWith(bytes, UrlSafe, false); }

std::optional<std::string> Decode(const std::string& text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::string bytes;
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const size_t padding = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
        uint32_t group = 0;
        for (size_t k = 0; k < 4; ++k) {
            const int value = k >= 4 - padding ? 0 : Digit(text[i + k]);
            if (value < 0) return std::nullopt;
            group = group << 6 | uint32_t(value);
        }
        // "=x=" or a pad inside the text is no base64; nor are bits left over beside the pad.
        if (padding == 1 && text[i + 2] == '=') return std::nullopt;
        if (padding > 0 && (group & ((1u << (8 * padding)) - 1)) != 0) return std::nullopt;
        for (size_t k = 0; k < 3 - padding; ++k) bytes += static_cast<char>(group >> (16 - 8 * k));
    }
    return bytes;
}

}  // namespace Base64
