#pragma once
#include <windows.h>

// The main window of the started program `processId`, waited for up to ten seconds; null when
// it did not come.
inline HWND FindMainWindow(DWORD processId) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "TPruneboxM", nullptr))) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId) return window;
        }
        Sleep(50);
    }
    return nullptr;
}
