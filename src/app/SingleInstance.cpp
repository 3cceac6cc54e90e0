#include "app/SingleInstance.h"

bool ClaimSingleInstance(const char* name, HANDLE& mutex) {
    mutex = CreateMutexA(nullptr, FALSE, name);
    const DWORD error = GetLastError();
    if (mutex && error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        mutex = nullptr;
        return false;
    }
    // Refused access: it exists, made by a copy running with other rights.
    return mutex || error != ERROR_ACCESS_DENIED;
}

void ShowRunningCopy(const char* className, UINT message) {
    HWND running = FindWindowA(className, nullptr);
    if (!running) return;
    DWORD process = 0;
    GetWindowThreadProcessId(running, &process);
    // Started by the user, this copy may hand the foreground on.
    AllowSetForegroundWindow(process);
    PostMessageA(running, message, 0, 0);
}
