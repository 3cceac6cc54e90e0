#pragma once
#include <windows.h>

#include <string>

// The small reads and writes of a control's value the windows share.
std::string TextOf(HWND control);
bool Checked(HWND button);
void SetChecked(HWND button, bool checked);
