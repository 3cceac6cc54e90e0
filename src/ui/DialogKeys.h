#pragma once
#include <windows.h>

// The keyboard of a window that is no dialog but has controls (the main window): Tab and the
// arrow keys move the focus as in a dialog; Enter presses the focused push button (a dialog
// would send an OK command the window does not know). True when the message was handled.
bool HandleDialogKeys(HWND window, MSG& message);
