#pragma once
#include <windows.h>

#include <string>

// The fonts the program's windows use; created once, kept for the life of the process.
namespace UiFont {
// The forms' font: "ＭＳ Ｐゴシック", height -15, Shift_JIS character set.
HFONT Form();
// The font of message dialogs: the system's message font with the Shift_JIS character set,
// so that Japanese text finds its glyphs whatever face the system names.
HFONT Message();
// The style bits a list font is stored with: 1 bold, 2 italic, 4 underline, 8 strike-out.
int StyleBits(const LOGFONTA& font);
// A Shift_JIS font of that face, size in points and style bits.
HFONT CreateStyled(const std::string& name, int pointSize, int style);
}  // namespace UiFont
