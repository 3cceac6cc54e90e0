#include "ui/KvPanelEx.h"

#include <string>

void TKvPanelEx::SetPanelType(bool value) {
    FPanelType = value;
    if (Handle) InvalidateRect(Handle, nullptr, TRUE);
}

void TKvPanelEx::Paint(HDC dc) {
    RECT client;
    GetClientRect(Handle, &client);
    HBRUSH brush = CreateSolidBrush(Color);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    HGDIOBJ oldFont = SelectObject(dc, Font ? Font : GetStockObject(DEFAULT_GUI_FONT));

    SIZE zero{};
    GetTextExtentPoint32A(dc, "0", 1, &zero);
    const int h = zero.cy;

    RECT frame = client;
    std::string caption;
    if (!FPanelType) {
        frame = RECT{0, h / 2 - 1, client.right, client.bottom};
        char text[256];
        int length = GetWindowTextA(Handle, text, sizeof text);
        caption.assign(text, length > 0 ? length : 0);
        caption += ' ';
    }
    DrawFrame(dc, frame);

    if (!caption.empty()) {
        const bool rightToLeft = (GetWindowLongA(Handle, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
        UINT flags = DT_SINGLELINE | (rightToLeft ? DT_RTLREADING | DT_RIGHT : 0);
        RECT text{0, 0, 0, h};
        DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                  flags | DT_CALCRECT);
        const int width = text.right - text.left;
        const int left = rightToLeft ? frame.right - width - 8 : 8;
        text = RECT{left, 0, left + width, h};
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, Color);
        SetTextColor(dc, GetSysColor(IsWindowEnabled(Handle) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, flags);
    }
    SelectObject(dc, oldFont);
}
