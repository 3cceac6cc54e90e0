#pragma once
#include <windows.h>

// The fonts the program's windows use; created once, kept for the life of the process.
namespace UiFont {
// The forms' font: "ＭＳ Ｐゴシック", height -15, Shift_JIS character set.
HFONT Form();
// The font of message dialogs: the system's message font with the Shift_JIS character set,
// so that Japanese text finds its glyphs whatever face the system names.
HFONT Message();
}  // namespace UiFont
