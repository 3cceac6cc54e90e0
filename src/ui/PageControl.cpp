#include "ui/PageControl.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>

#include "ui/Dpi.h"
#include "ui/TabSheet.h"
#include "ui/UiFont.h"

namespace {

DWORD PositionStyle(TTabPosition position) {
    switch (position) {
        case TTabPosition::Top:
            break;
        case TTabPosition::Bottom:
            return TCS_BOTTOM;
        case TTabPosition::Left:
            return TCS_VERTICAL;
        case TTabPosition::Right:
            return TCS_VERTICAL | TCS_RIGHT;
    }
    return 0;
}

// Under visual styles common controls 6 draws tabs only at the top: tabs on another side get
// the classic look, which draws them there correctly. A class list of one space names no
// theme class (Wine refuses an empty one).
void ApplyTheme(HWND tabs, TTabPosition position) {
    if (position == TTabPosition::Top)
        SetWindowTheme(tabs, nullptr, nullptr);
    else
        SetWindowTheme(tabs, L" ", L" ");
}

}  // namespace

void TPageControl::Create(HWND parent, int id, bool ownerDraw, TTabPosition position) {
    FOwnerDraw = ownerDraw;
    FTabPosition = position;
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP |
                  TCS_HOTTRACK | TCS_MULTILINE | (ownerDraw ? TCS_OWNERDRAWFIXED : 0) |
                  PositionStyle(position);
    // A control parent: Tab and the arrow keys go on into the active sheet's controls.
    Handle = CreateWindowExA(WS_EX_CONTROLPARENT, WC_TABCONTROLA, "", style, 0, 0, 100, 100, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont::Form(Dpi::Of(parent))),
                 FALSE);
    if (position != TTabPosition::Top) ApplyTheme(Handle, position);
}

void TPageControl::SetTabPosition(TTabPosition position) {
    FTabPosition = position;
    if (!Handle) return;
    const DWORD sides = TCS_BOTTOM | TCS_VERTICAL | TCS_RIGHT;
    const DWORD style = GetWindowLongA(Handle, GWL_STYLE);
    SetWindowLongA(Handle, GWL_STYLE, (style & ~sides) | PositionStyle(position));
    ApplyTheme(Handle, position);
    SetWindowPos(Handle, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    Resized();
    InvalidateRect(Handle, nullptr, TRUE);
}

void TPageControl::Destroy() {
    if (Handle) DestroyWindow(Handle);
    Handle = nullptr;
}

TTabSheet* TPageControl::SheetAt(int index) const {
    return index >= 0 && index < SheetCount() ? Sheets[index] : nullptr;
}

int TPageControl::IndexOf(const TTabSheet* sheet) const {
    auto found = std::find(Sheets.begin(), Sheets.end(), sheet);
    return found == Sheets.end() ? -1 : static_cast<int>(found - Sheets.begin());
}

int TPageControl::ActiveIndex() const {
    return Handle ? static_cast<int>(SendMessageA(Handle, TCM_GETCURSEL, 0, 0)) : -1;
}

void TPageControl::InsertTab(int index, TTabSheet* sheet) {
    std::string caption = sheet->Caption();
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = caption.data();
    item.lParam = reinterpret_cast<LPARAM>(sheet);
    SendMessageA(Handle, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
}

void TPageControl::AddSheet(TTabSheet* sheet) {
    Sheets.push_back(sheet);
    InsertTab(SheetCount() - 1, sheet);
    if (ActiveIndex() < 0) SendMessageA(Handle, TCM_SETCURSEL, 0, 0);
    ShowActiveSheet();
    Resized();
}

void TPageControl::RemoveSheet(TTabSheet* sheet) {
    int index = IndexOf(sheet);
    if (index < 0) return;
    const bool wasActive = index == ActiveIndex();
    Sheets.erase(Sheets.begin() + index);
    if (!Handle) return;
    SendMessageA(Handle, TCM_DELETEITEM, index, 0);
    if (wasActive && SheetCount() > 0) {
        // The tab that followed takes its place; the first one after the last.
        SendMessageA(Handle, TCM_SETCURSEL, index < SheetCount() ? index : 0, 0);
    }
    ShowActiveSheet();
    Resized();
}

void TPageControl::SheetCaptionChanged(TTabSheet* sheet) {
    int index = IndexOf(sheet);
    if (index < 0) return;
    std::string caption = sheet->Caption();
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageA(Handle, TCM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
    Resized();
}

void TPageControl::MoveSheet(TTabSheet* sheet, int newIndex) {
    int index = IndexOf(sheet);
    if (index < 0 || newIndex < 0 || newIndex >= SheetCount() || index == newIndex) return;
    TTabSheet* active = ActiveSheet();
    Sheets.erase(Sheets.begin() + index);
    Sheets.insert(Sheets.begin() + newIndex, sheet);
    SendMessageA(Handle, TCM_DELETEITEM, index, 0);
    InsertTab(newIndex, sheet);
    SendMessageA(Handle, TCM_SETCURSEL, IndexOf(active), 0);
    ShowActiveSheet();
}

void TPageControl::SelectIndex(int index, bool notify) {
    if (index < 0 || index >= SheetCount()) return;
    SendMessageA(Handle, TCM_SETCURSEL, index, 0);
    ShowActiveSheet();
    Resized();
    if (notify && OnChange) OnChange();
}

void TPageControl::SelectNext(bool forward) {
    const int count = SheetCount();
    if (count == 0) return;
    const int active = std::max(ActiveIndex(), 0);
    SelectIndex((active + (forward ? 1 : count - 1)) % count, true);
}

RECT TPageControl::TabRect(int index) const {
    RECT rect{};
    SendMessageA(Handle, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

RECT TPageControl::DisplayRect() const {
    RECT rect{};
    GetClientRect(Handle, &rect);
    SendMessageA(Handle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

void TPageControl::HandleNotify(const NMHDR& header) {
    if (header.code == TCN_SELCHANGE) {
        ShowActiveSheet();
        Resized();
        if (OnChange) OnChange();
    }
}

void TPageControl::Resized() {
    RECT area = DisplayRect();
    if (TTabSheet* active = ActiveSheet()) {
        SetWindowPos(active->Handle, nullptr, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TPageControl::ShowActiveSheet() {
    TTabSheet* active = ActiveSheet();
    for (TTabSheet* sheet : Sheets) {
        if (sheet != active) ShowWindow(sheet->Handle, SW_HIDE);
    }
    if (active) ShowWindow(active->Handle, SW_SHOW);
}
