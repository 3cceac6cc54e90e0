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
