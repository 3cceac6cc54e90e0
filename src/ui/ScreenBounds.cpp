#include "ui/ScreenBounds.h"

namespace {

MONITORINFO MonitorOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &info.rcWork, 0);
        info.rcMonitor = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return info;
}

}  // namespace

RECT RestoredBounds(HWND window) {
    RECT bounds{};
    if (!IsZoomed(window) && !IsIconic(window)) {
        GetWindowRect(window, &bounds);
        return bounds;
    }
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) {
        GetWindowRect(window, &bounds);
        return bounds;
    }
    bounds = placement.rcNormalPosition;
    // The placement of a top-level window counts from its monitor's work area, not from the
    // screen's corner (they differ when the task bar sits at the top or on the left).
    if (!(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
        const MONITORINFO monitor = MonitorOf(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
        OffsetRect(&bounds, monitor.rcWork.left - monitor.rcMonitor.left,
                   monitor.rcWork.top - monitor.rcMonitor.top);
    }
    return bounds;
}

RECT BroughtOnScreen(const RECT& bounds) {
    struct TSearch {
        RECT Bounds;
        bool Visible;
    } search{bounds, false};
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<TSearch*>(data);
            RECT shared;
            const RECT work = MonitorOf(monitor).rcWork;
            s.Visible = IntersectRect(&shared, &s.Bounds, &work) != FALSE;
            return !s.Visible;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.Visible) return bounds;
    const RECT work = MonitorOf(MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST)).rcWork;
    const SIZE size{bounds.right - bounds.left, bounds.bottom - bounds.top};
    // Centred on itself is where it stands; the helper then moves it into the work area.
    const POINT at = CenterInWorkArea(bounds, size, work);
    return RECT{at.x, at.y, at.x + size.cx, at.y + size.cy};
}

RECT WorkAreaOf(HWND window) {
    // A dialog goes on its owner's monitor, not on the primary one the owner may not be on.
    HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                              : MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY);
    return MonitorOf(monitor).rcWork;
}

POINT CenterInWorkArea(const RECT& owner, SIZE dialog, const RECT& workArea) {
    const int ownerWidth = owner.right - owner.left, ownerHeight = owner.bottom - owner.top;
    // C++ division truncates toward zero, as the layout rule wants.
    int left = owner.left + (ownerWidth - dialog.cx) / 2;
    int top = owner.top + (ownerHeight - dialog.cy) / 2;
    if (left + dialog.cx > workArea.right) left = workArea.right - dialog.cx;
    if (top + dialog.cy > workArea.bottom) top = workArea.bottom - dialog.cy;
    if (left < workArea.left) left = workArea.left;
    if (top < workArea.top) top = workArea.top;
    return POINT{left, top};
}

void CenterOverOwner(HWND window, HWND owner) {
    RECT ownerRect{}, outer{};
    if (!owner || !GetWindowRect(owner, &ownerRect)) owner = nullptr;
    const RECT workArea = WorkAreaOf(owner);
    if (!owner) ownerRect = workArea;
    GetWindowRect(window, &outer);
    const POINT at = CenterInWorkArea(
        ownerRect, SIZE{outer.right - outer.left, outer.bottom - outer.top}, workArea);
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void PlaceOverOwner(HWND window, SIZE client, HWND owner) {
    RECT outer{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&outer, GetWindowLongA(window, GWL_STYLE), FALSE,
                       GetWindowLongA(window, GWL_EXSTYLE));
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    CenterOverOwner(window, owner);
}
