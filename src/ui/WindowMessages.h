#pragma once
#include <windows.h>

// The program's own window messages, in one place so that no two that reach one window share a
// number.

// The main window's: the header viewer (posted so that it opens after the worker's changes:
// wParam -> slot), the notification-area icon's events, and a second start of the program asking
// the running copy to show its window. They keep the numbers they have always had, since a copy
// started later finds the running one by them.
constexpr UINT WM_PB_SHOW_HEADER = 0x466;
constexpr UINT WM_PB_TRAY = 0x467;
constexpr UINT WM_PB_SHOW_WINDOW = 0x468;

// Each posted by a window to itself, once a burst of its own notifications is over.
constexpr UINT WM_PB_SYNCTICKS = WM_APP + 1;  // the mail list reads the selection as ticks
constexpr UINT WM_PB_FITTITLE = WM_APP + 2;   // the mail list's column fits its header

// A batch of tasks for the user-interface thread has arrived at the queue's window.
constexpr UINT WM_PB_DRAIN = WM_APP + 10;

// The account dialog's sign-in thread has ended, or has a code for the user to enter.
constexpr UINT WM_PB_SIGNIN_DONE = WM_APP + 40;
constexpr UINT WM_PB_SIGNIN_CODE = WM_APP + 41;
