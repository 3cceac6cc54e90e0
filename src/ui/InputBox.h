#pragma once
#include <windows.h>

#include <string>

// A modal box asking for one line of text: caption, prompt, field, OK and Cancel. Returns
// true and the text in value for OK; false for Cancel or close. A masked field shows "*".
bool InputQuery(HWND owner, const std::string& caption, const std::string& prompt,
                std::string& value, bool masked);
