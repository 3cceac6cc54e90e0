#pragma once
#include <windows.h>

#include <string>

// The fonts the program's windows use, one per DPI: created on first use for a DPI and kept
// for the life of the process (a handful of DPI values at most).
namespace UiFont {
// The forms' font: "ＭＳ Ｐゴシック", height -15 at 96 DPI, Shift_JIS character set.
HFONT Form(int dpi);
// The header viewer's font: "ＭＳ Ｐゴシック", height -13 at 96 DPI.
HFONT Viewer(int dpi);
// The font of message dialogs: the system's message font with the Shift_JIS character set,
// so that Japanese text finds its glyphs whatever face the system names.
HFONT Message(int dpi);
// The forms', header viewer's and message fonts of `from` DPI, on `window` and every window
// inside it, swapped for those of `to` DPI.
void Rescale(HWND window, int from, int to);
// The style bits a list font is stored with: 1 bold, 2 italic, 4 underline, 8 strike-out.
int StyleBits(const LOGFONTA& font);
// A Shift_JIS font of that face, size in points and style bits, for `dpi`; the caller owns it.
HFONT CreateStyled(const std::string& name, int pointSize, int style, int dpi);
}  // namespace UiFont
