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

int TextWidth(HFONT font, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return extent.cx;
}

int TextWidth(HWND control, const std::string& text) {
    return TextWidth(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), text);
}
