#include "ui/ControlTable.h"

#include <commctrl.h>

#include "ui/ControlText.h"
#include "ui/Dpi.h"

HWND CreateControl(HWND parent, const TControlSpec& entry, HFONT font) {
    const int dpi = Dpi::Of(parent);
    const RECT rect = Dpi::Scale(
        RECT{entry.Left, entry.Top, entry.Left + entry.Width, entry.Top + entry.Height}, dpi);
    HWND control = CreateWindowExA(
        entry.ExStyle, entry.ClassName, entry.Caption ? entry.Caption : "",
        entry.Style | WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.Id)),
        GetModuleHandleA(nullptr), nullptr);
    if (control && font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void InsertColumn(HWND list, int index, const TColumnSpec& entry) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = const_cast<char*>(entry.Caption);
    column.cx = Dpi::Scale(entry.Width, Dpi::Of(list));
    column.fmt = entry.Format;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

int ColumnWidthFor(HFONT font, const char* caption) {
    // The header draws its text three edges in from either side; two pixels more keep the
    // last letter clear of the divider.
    return TextWidth(font, caption) + 6 * GetSystemMetrics(SM_CXEDGE) + 2;
}
