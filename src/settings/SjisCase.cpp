#include "settings/SjisCase.h"

bool IsSjisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::string SjisUpperCase(const std::string& text) {
    std::string upper = text;
    for (size_t i = 0; i < upper.size(); ++i) {
        const auto c = static_cast<unsigned char>(upper[i]);
        if (IsSjisLeadByte(c)) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            upper[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

std::string SjisReplaceIgnoringCase(const std::string& text, const std::string& pattern,
                                    const std::string& replacement) {
    if (pattern.empty()) return text;
    const std::string upperText = SjisUpperCase(text);
    const std::string upperPattern = SjisUpperCase(pattern);
    std::string result;
    size_t i = 0;
    while (i < text.size()) {
        if (upperText.compare(i, upperPattern.size(), upperPattern) == 0) {
            result += replacement;
            i += pattern.size();
            continue;
        }
        // Step over a whole character so a match never starts on a trail byte.
        const size_t width =
            IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        result.append(text, i, width);
        i += width;
    }
    return result;
}
