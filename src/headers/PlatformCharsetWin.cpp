#include <windows.h>

#include <vector>

#include "headers/PlatformCharset.h"

bool TPlatformCharset::Available(unsigned codePage, const char*) {
    return IsValidCodePage(codePage) != 0;
}

bool TPlatformCharset::Decode(unsigned codePage, const char* iconvName, std::string_view bytes,
                              TSjisOutput& out) {
    if (!Available(codePage, iconvName)) return false;
    if (bytes.empty()) return true;
    const int length = static_cast<int>(bytes.size());
    // At most one UTF-16 unit per byte for every code page this is used for.
    std::vector<wchar_t> wide(bytes.size());
    const int count = MultiByteToWideChar(codePage, 0, bytes.data(), length, wide.data(), length);
    if (count <= 0) return false;
    for (int i = 0; i < count; ++i) {
        const uint32_t unit = wide[static_cast<size_t>(i)];
        const bool pair = unit >= 0xD800 && unit < 0xDC00 && i + 1 < count &&
                          wide[static_cast<size_t>(i) + 1] >= 0xDC00 &&
                          wide[static_cast<size_t>(i) + 1] < 0xE000;
        // Code page 932 has nothing outside the BMP, nor a lone surrogate.
        if (pair) ++i;
        out.Unicode(pair || (unit >= 0xD800 && unit < 0xE000) ? 0xFFFD : unit);
    }
    return true;
}
