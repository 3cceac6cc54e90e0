#pragma once
#include <windows.h>

#include <string>

// Puts text on the clipboard, replacing what was there, as plain text (CF_TEXT) and as Unicode
// text (CF_UNICODETEXT, converted from Shift_JIS); an empty text leaves an empty text. False
// when the clipboard or its memory could not be had.
bool PutClipboardText(HWND owner, const std::string& text);
