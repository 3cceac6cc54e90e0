#include "headers/SjisText.h"

namespace SjisText {

std::string Trim(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

size_t FindChar(const std::string& text, char c, size_t from) {
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == c) return i;
        if (IsLeadByte(text[i])) ++i;  // skip the second byte, which may look like ASCII
    }
    return std::string::npos;
}

std::string StripEnds(const std::string& text) {
    if (text.empty()) return text;
    size_t first = IsLeadByte(text[0]) ? 2 : 1;
    size_t lastStart = 0;  // start of the last character
    for (size_t i = 0; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1) lastStart = i;
    if (first >= text.size() || lastStart < first) return std::string();
    return text.substr(first, lastStart - first);
}

bool ToInt32(const std::string& text, int32_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > int64_t(INT32_MAX) + 1) return false;
    }
    if (!negative && magnitude > INT32_MAX) return false;
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

size_t FittingBytes(const std::string& text, size_t maxBytes) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t width = IsLeadByte(text[end]) ? 2 : 1;
        if (end + width > maxBytes || end + width > text.size()) break;
        end += width;
    }
    return end;
}

}  // namespace SjisText
