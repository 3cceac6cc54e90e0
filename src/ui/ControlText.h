#pragma once
#include <windows.h>

#include <string>

// The small reads and writes of a control's value the windows share.
std::string TextOf(HWND control);
bool Checked(HWND button);
void SetChecked(HWND button, bool checked);
// Width in pixels of text drawn in font, or in the font the control was given.
int TextWidth(HFONT font, const std::string& text);
int TextWidth(HWND control, const std::string& text);
