#include "ui/Dpi.h"

#include <commctrl.h>

#include <initializer_list>

namespace Dpi {

int Of(HWND window) {
    // Windows 10 1607 and later; looked up at run time so that older systems start.
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(window);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc) ReleaseDC(window, dc);
    return dpi > 0 ? dpi : Base;
}

int Scale(int size, int dpi) { return MulDiv(size, dpi, Base); }

int Unscale(int pixels, int dpi) { return dpi > 0 ? MulDiv(pixels, Base, dpi) : pixels; }

SIZE Scale(SIZE size, int dpi) { return SIZE{Scale(size.cx, dpi), Scale(size.cy, dpi)}; }

RECT Scale(const RECT& rect, int dpi) {
    return RECT{Scale(rect.left, dpi), Scale(rect.top, dpi), Scale(rect.right, dpi),
                Scale(rect.bottom, dpi)};
}

namespace {

// Controls that place their own children (a list's header, a combo box's list) are moved and
// sized, not looked into; a report list's columns are scaled with it.
bool ClassIs(HWND window, const char* className) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, className) == 0;
}

bool PlacesItsChildren(HWND window) {
    for (const char* owner : {WC_LISTVIEWA, WC_COMBOBOXA, STATUSCLASSNAMEA, TOOLBARCLASSNAMEA}) {
        if (ClassIs(window, owner)) return true;
    }
    return false;
}

void RescaleColumns(HWND list, int from, int to) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int count = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int column = 0; column < count; ++column) {
        const int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
        SendMessageA(list, LVM_SETCOLUMNWIDTH, column, MulDiv(width, to, from));
    }
}

void RescaleLevel(HWND parent, int from, int to) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        // Edges, not sizes, are scaled, so that neighbours stay neighbours.
        const RECT scaled{MulDiv(rect.left, to, from), MulDiv(rect.top, to, from),
                          MulDiv(rect.right, to, from), MulDiv(rect.bottom, to, from)};
        SetWindowPos(child, nullptr, scaled.left, scaled.top, scaled.right - scaled.left,
                     scaled.bottom - scaled.top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (!PlacesItsChildren(child))
            RescaleLevel(child, from, to);
        else if (ClassIs(child, WC_LISTVIEWA) &&
                 (GetWindowLongA(child, GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT)
            RescaleColumns(child, from, to);
    }
}

}  // namespace

void RescaleChildren(HWND parent, int from, int to) {
    if (from <= 0 || to <= 0 || from == to) return;
    RescaleLevel(parent, from, to);
}

}  // namespace Dpi
