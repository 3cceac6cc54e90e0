// Program entry: one copy per user session, the main window, the message loop.
#include <windows.h>

#include "app/PruneboxM.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    const char* const MutexName = "Prunebox";
    if (HANDLE running = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, MutexName)) {
        // Another copy runs: end quietly, without bringing it forward.
        CloseHandle(running);
        return 0;
    }
    HANDLE mutex = CreateMutexA(nullptr, FALSE, MutexName);
    {
        TPruneboxM main;
        main.OnClosed = [] { PostQuitMessage(0); };
        main.Create();
        ShowWindow(main.Handle, showCommand);
        UpdateWindow(main.Handle);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (!IsDialogMessageA(GetActiveWindow(), &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
    }
    if (mutex) CloseHandle(mutex);
    return 0;
}
