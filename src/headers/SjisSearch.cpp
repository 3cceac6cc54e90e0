#include "headers/SjisSearch.h"

#include "headers/SjisText.h"

namespace SjisSearch {

namespace {

// Length of the character that starts at i (a lead byte at the very end counts alone).
size_t CharLength(const std::string& text, size_t i) {
    return SjisText::IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
}

template <class F>
std::string MapAscii(const std::string& text, F map) {
    std::string result = text;
    for (size_t i = 0; i < result.size();) {
        const size_t length = CharLength(result, i);
        if (length == 1) result[i] = map(result[i]);
        i += length;
    }
    return result;
}

}  // namespace

bool Contains(const std::string& text, const std::string& needle) {
    // The library's search finds each candidate; a walk over the characters, never going back,
    // tells whether it starts one. Rules run this for every header line of every mail.
    size_t boundary = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        while (boundary < at) boundary += CharLength(text, boundary);
        if (boundary == at) return true;
    }
    return false;
}

std::string AsciiUpper(const std::string& text) {
    return MapAscii(text, [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
}

std::string AsciiLower(const std::string& text) {
    return MapAscii(text, [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
}

}  // namespace SjisSearch
