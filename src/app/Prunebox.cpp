// Program entry: one copy per user session, the main window, the message loop.
#include <windows.h>

#include <string>

#include "app/PruneboxM.h"
#include "app/SingleInstance.h"
#include "ui/DialogKeys.h"
#include "ui/WindowMessages.h"

namespace {

// "/tray" among the blank-separated arguments, in any case.
bool HasTrayOption(const char* commandLine) {
    std::string argument;
    for (const char* c = commandLine;; ++c) {
        if (*c && *c != ' ' && *c != '\t') {
            argument += *c;
            continue;
        }
        if (lstrcmpiA(argument.c_str(), "/tray") == 0) return true;
        argument.clear();
        if (!*c) return false;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int showCommand) {
    const char* const MutexName = "Prunebox";
    HANDLE mutex = nullptr;
    // Another copy runs, perhaps hidden behind its icon: a start by hand shows its window, the
    // start at logon ("/tray") leaves it as it is.
    if (!ClaimSingleInstance(MutexName, mutex)) {
        if (!HasTrayOption(commandLine)) ShowRunningCopy(TPruneboxM::ClassName, WM_PB_SHOW_WINDOW);
        return 0;
    }
    {
        TPruneboxM main;
        main.OnClosed = [] { PostQuitMessage(0); };
        main.Create();
        // "/tray": behind the icon; with the icon switched off or refused by the shell,
        // minimised, so the window can still be reached.
        if (!HasTrayOption(commandLine)) {
            ShowWindow(main.Handle, showCommand);
            UpdateWindow(main.Handle);
        } else if (!main.Tray.Icon.Shown()) {
            ShowWindow(main.Handle, SW_SHOWMINNOACTIVE);
        }
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
