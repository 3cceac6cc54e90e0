#include "ui/MailForm.h"

#include <algorithm>

#include "ui/MsgDlg.h"

namespace {

// What the header lookup appends to a line it has used.
const std::string LookupMarker = "%&%";
constexpr int DesignWidth = 500, DesignHeight = 300, ItemHeight = 13;

HFONT ViewerFont() {
    static HFONT font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック");
    return font;
}

}  // namespace

TMailForm::TMailForm(std::vector<std::string>& lines) : Lines(lines) {}

void TMailForm::ShowModal(HWND owner) {
    struct alignas(4) {
        DLGTEMPLATE Header;
        WORD Menu, Class, Title;
    } blank{};
    blank.Header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME;
    blank.Header.dwExtendedStyle = WS_EX_TOOLWINDOW;
    RunModalDialog(&blank.Header, owner);
}

void TMailForm::FormCreate() {
    SetWindowTextA(Handle, Caption.c_str());
    if (!Lines.empty()) {
        std::string& last = Lines.back();
        if (last.size() >= LookupMarker.size() &&
            last.compare(last.size() - LookupMarker.size(), LookupMarker.size(), LookupMarker) == 0)
            last.erase(last.size() - LookupMarker.size());
    }
    HeadListBox = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL |
                                      LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                                  0, 0, DesignWidth, DesignHeight, Handle,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdHeadListBox)),
                                  GetModuleHandleA(nullptr), nullptr);
    SendMessageA(HeadListBox, WM_SETFONT, reinterpret_cast<WPARAM>(ViewerFont()), FALSE);
    SendMessageA(HeadListBox, LB_SETITEMHEIGHT, 0, ItemHeight);
    HDC dc = GetDC(HeadListBox);
    HGDIOBJ old = SelectObject(dc, ViewerFont());
    int widest = 0;
    for (const std::string& line : Lines) {
        SendMessageA(HeadListBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        SIZE size{};
        GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(HeadListBox, dc);
    SendMessageA(HeadListBox, LB_SETHORIZONTALEXTENT, widest + 4, 0);

    RECT outer{0, 0, DesignWidth, DesignHeight};
    RECT owner{};
    HWND ownerWindow = GetWindow(Handle, GW_OWNER);
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    if (ownerWindow)
        GetWindowRect(ownerWindow, &owner);
    else
        owner = workArea;
    POINT at = CenterInWorkArea(owner, SIZE{outer.right, outer.bottom}, workArea);
    SetWindowPos(Handle, nullptr, at.x, at.y, DesignWidth, DesignHeight, SWP_NOZORDER);
    SetFocus(HeadListBox);
}

INT_PTR TMailForm::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            FormCreate();
            return FALSE;
        case WM_SIZE:
            if (HeadListBox) MoveWindow(HeadListBox, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return TRUE;
        case WM_COMMAND:
            // Escape and the close box: the viewer's cancel.
            if (LOWORD(wParam) == IDCANCEL) EndDialog(Handle, IDCANCEL);
            return TRUE;
        case WM_CLOSE:
            EndDialog(Handle, IDCANCEL);
            return TRUE;
    }
    return FALSE;
}
