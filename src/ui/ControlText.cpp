#include "ui/ControlText.h"

std::string TextOf(HWND control) {
    const int length = GetWindowTextLengthA(control);
    if (length <= 0) return std::string();
    std::string text(length + 1, '\0');
    const int read = GetWindowTextA(control, text.data(), length + 1);
    text.resize(read > 0 ? read : 0);
    return text;
}

bool Checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND button, bool checked) {
    SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
