#pragma once
#ifdef _WIN32
#include <windows.h>

#include <string>

// The wide form of an ANSI (code page 932) text, for the few system calls that take only wide
// strings (SChannel's host name, GetAddrInfoExW).
inline std::wstring WideText(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0) return L"";
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}
#endif
