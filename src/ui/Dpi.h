#pragma once
#include <windows.h>

// Sizes are given at 96 DPI and scaled to the DPI of the window they are for. Stored sizes
// (window size, column widths) are kept at 96 DPI so that they move between screens.
namespace Dpi {

constexpr int Base = 96;

// The window's DPI: GetDpiForWindow where the system has it, else the DPI of the window's
// device context (the system's DPI on older systems).
int Of(HWND window);
// `size` at 96 DPI, in pixels at `dpi` (rounded to the nearest).
int Scale(int size, int dpi);
// `pixels` at `dpi`, back at 96 DPI: Unscale(Scale(s, d), d) == s for every d >= 96.
int Unscale(int pixels, int dpi);
SIZE Scale(SIZE size, int dpi);
RECT Scale(const RECT& rect, int dpi);
// Every child window of `parent`, to any depth, moved and sized from `from` DPI to `to` DPI.
void RescaleChildren(HWND parent, int from, int to);

}  // namespace Dpi
