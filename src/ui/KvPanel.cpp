#include "ui/KvPanel.h"

#include "ui/Dpi.h"

void TKvPanel::Create(HWND parent, int left, int top, int width, int height, const char* caption,
                      int id) {
    RegisterWindowClass(WindowClass(), nullptr);
    const RECT rect = Dpi::Scale(RECT{left, top, left + width, top + height}, Dpi::Of(parent));
    CreateHandle(WindowClass(), caption, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                 WS_EX_CONTROLPARENT, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, parent, id);
}

bool TKvPanel::IsGroupBox(HWND window) {
    char name[32];
    if (!GetClassNameA(window, name, sizeof name) || lstrcmpiA(name, "Button") != 0) return false;
    return (GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool TKvPanel::IsPaintingContainer(HWND window) {
    // Any panel of this program, of whatever class derived from this one.
    return dynamic_cast<TKvPanel*>(TWindow::FromHandle(window)) != nullptr || IsGroupBox(window);
}

void TKvPanel::PropagateEnabled(HWND container, bool enabled) {
    for (HWND child = GetWindow(container, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        EnableWindow(child, enabled);
        if (IsGroupBox(child)) InvalidateRect(child, nullptr, TRUE);
        if (IsPaintingContainer(child)) PropagateEnabled(child, enabled);
    }
}

void TKvPanel::EnabledChanged(bool enabled) {
    InvalidateRect(Handle, nullptr, TRUE);
    if (UpdateParent) {
        HWND parent = GetParent(Handle);
        if (parent) {
            EnableWindow(parent, enabled);
            if (IsGroupBox(parent)) InvalidateRect(parent, nullptr, TRUE);
        }
    }
    PropagateEnabled(Handle, enabled);
}

LRESULT TKvPanel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ENABLE:
            EnabledChanged(wParam != 0);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT fills everything
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle, &ps);
            Paint(dc);
            EndPaint(Handle, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SETFONT:
            Font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam)) InvalidateRect(Handle, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(Font);
        case WM_SETTEXT: {
            LRESULT result = DefaultProc(message, wParam, lParam);
            InvalidateRect(Handle, nullptr, TRUE);
            return result;
        }
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            // The controls inside belong to the form that holds the panel.
            return SendMessageA(GetParent(Handle), message, wParam, lParam);
    }
    return DefaultProc(message, wParam, lParam);
}

void TKvPanel::Frame3D(HDC dc, RECT& rect, COLORREF topLeft, COLORREF bottomRight, int width) {
    for (int i = 0; i < width; ++i) {
        HPEN topPen = CreatePen(PS_SOLID, 1, topLeft);
        HPEN bottomPen = CreatePen(PS_SOLID, 1, bottomRight);
        HGDIOBJ old = SelectObject(dc, topPen);
        POINT topLine[] = {
            {rect.left, rect.bottom - 1}, {rect.left, rect.top}, {rect.right - 1, rect.top}};
        Polyline(dc, topLine, 3);
        SelectObject(dc, bottomPen);
        POINT bottomLine[] = {{rect.right - 1, rect.top},
                              {rect.right - 1, rect.bottom - 1},
                              {rect.left - 1, rect.bottom - 1}};
        Polyline(dc, bottomLine, 3);
        SelectObject(dc, old);
        DeleteObject(topPen);
        DeleteObject(bottomPen);
        InflateRect(&rect, -1, -1);
    }
}

void TKvPanel::DrawFrame(HDC dc, RECT& rect) const {
    auto bevel = [&](TBevelCut cut) {
        if (cut == TBevelCut::None) return;
        COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
        if (cut == TBevelCut::Lowered) std::swap(light, dark);
        if (cut == TBevelCut::Space) light = dark = Color;
        Frame3D(dc, rect, light, dark, BevelWidth);
    };
    bevel(BevelOuter);
    Frame3D(dc, rect, Color, Color, BorderWidth);
    bevel(BevelInner);
}

void TKvPanel::Paint(HDC dc) {
    RECT rect;
    GetClientRect(Handle, &rect);
    DrawFrame(dc, rect);
    HBRUSH brush = CreateSolidBrush(Color);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
    char caption[256];
    int length = GetWindowTextA(Handle, caption, sizeof caption);
    if (length > 0) {
        HGDIOBJ old = SelectObject(dc, Font ? Font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(IsWindowEnabled(Handle) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextA(dc, caption, length, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
    }
}
