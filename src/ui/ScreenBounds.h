#pragma once
#include <windows.h>

// Screen rectangles of top-level windows across monitors.

// The rectangle the window has, or comes back to, when neither maximised nor minimised
// (however it was maximised), in screen coordinates.
RECT RestoredBounds(HWND window);

// Bounds that lie outside every monitor's work area (a monitor removed since) moved, at their
// size, into the work area of the nearest monitor; others are returned as they are.
RECT BroughtOnScreen(const RECT& bounds);
