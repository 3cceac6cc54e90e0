#pragma once
#include <windows.h>

#include <string>

// Puts text on the clipboard as plain text (CF_TEXT), replacing what was there; an empty text
// leaves an empty text. False when the clipboard could not be had.
bool PutClipboardText(HWND owner, const std::string& text);
