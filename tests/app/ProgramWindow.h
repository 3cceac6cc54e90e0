#pragma once
#include <windows.h>

// The main window of the started program `processId`, waited for up to `seconds`; null when
// it did not come.
inline HWND FindMainWindow(DWORD processId, int seconds = 10) {
    for (int attempt = 0; attempt < seconds * 20; ++attempt) {
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

// Ends a started program that is still running when the test leaves (a failed expectation
// included), so that a failure does not leave it holding the test run until its time-out.
struct TProgramGuard {
    PROCESS_INFORMATION& Process;
    ~TProgramGuard() {
        if (WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(Process.hProcess, 1);
            WaitForSingleObject(Process.hProcess, 5000);
        }
        CloseHandle(Process.hProcess);
        CloseHandle(Process.hThread);
    }
};
