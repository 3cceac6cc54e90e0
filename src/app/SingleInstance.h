#pragma once
#include <windows.h>

// The named mutex that lets one copy of the program run per user session. Creating it and
// asking whether it existed is one step, so two copies started together cannot both run.
// False when another copy holds it; otherwise mutex is the handle to keep while the program
// runs (null when the system gave none for another reason: the program runs all the same).
bool ClaimSingleInstance(const char* name, HANDLE& mutex);

// Asks the copy that runs to show its window: `message` is posted to its main window (of
// `className`), which may then come to the front.
void ShowRunningCopy(const char* className, UINT message);
