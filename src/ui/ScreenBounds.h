#pragma once
#include <windows.h>

// Screen rectangles of top-level windows across monitors, and where dialogs go on them.

// The rectangle the window has, or comes back to, when neither maximised nor minimised
// (however it was maximised), in screen coordinates.
RECT RestoredBounds(HWND window);

// Bounds that lie outside every monitor's work area (a monitor removed since) moved, at their
// size, into the work area of the nearest monitor; others are returned as they are.
RECT BroughtOnScreen(const RECT& bounds);

// The work area of the monitor that holds most of `window`; the primary one without a window.
RECT WorkAreaOf(HWND window);

// Where a dialog goes: centred on owner, then moved into workArea (right, bottom, left, top, in
// this order). Returns the top-left corner.
POINT CenterInWorkArea(const RECT& owner, SIZE dialog, const RECT& workArea);
// Moves `window` (as large as it is) to the centre of `owner`, kept inside the work area of the
// owner's monitor; over the primary work area itself when there is no owner.
void CenterOverOwner(HWND window, HWND owner);
// Gives `window` the size whose client area is `client`, then centres it over `owner` as above.
void PlaceOverOwner(HWND window, SIZE client, HWND owner);
