// Program entry: one copy per user session, the main window, the message loop.
#include <windows.h>

#include "app/PruneboxM.h"
#include "app/SingleInstance.h"
#include "ui/DialogKeys.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    const char* const MutexName = "Prunebox";
    HANDLE mutex = nullptr;
    // Another copy runs: end quietly, without bringing it forward.
    if (!ClaimSingleInstance(MutexName, mutex)) return 0;
    {
        TPruneboxM main;
        main.OnClosed = [] { PostQuitMessage(0); };
        main.Create();
        ShowWindow(main.Handle, showCommand);
        UpdateWindow(main.Handle);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (!HandleDialogKeys(GetActiveWindow(), message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
    }
    if (mutex) CloseHandle(mutex);
    return 0;
}
