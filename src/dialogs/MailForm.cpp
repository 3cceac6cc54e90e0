#include "dialogs/MailForm.h"

#include <algorithm>
#include <vector>

#include "dialogs/ASetup.h"
#include "dialogs/DelHead.h"
#include "headers/SjisText.h"
#include "page/AccountDirectory.h"
#include "page/ChPage.h"
#include "ui/Clipboard.h"
#include "ui/Dpi.h"
#include "ui/MsgDlg.h"
#include "ui/ResStrings.h"
#include "ui/ScreenBounds.h"
#include "ui/UiFont.h"
#include "worker/MailRow.h"

namespace {

constexpr int DesignWidth = 500, DesignHeight = 300, ItemHeight = 13;
// The reason's lines above the list: lines of the viewer's font with a margin around them.
constexpr int ReasonMargin = 4;
// Room after the widest line, so its last character is not flush with the edge.
constexpr int ExtentMargin = 4;

struct TPopItem {
    int Id;
    const char* Caption;
};
const TPopItem PopItems[] = {
    {TMailForm::IdPopDel, "自動削除チェックに追加"},
    {TMailForm::IdPopView, "表示指定ヘッダにする"},
    {0, nullptr},  // separator
    {TMailForm::IdPopSel, "選択項目をコピー"},
    {TMailForm::IdPopAll, "すべての項目をコピー"},
};

// Length in bytes of the character that starts at `at`.
size_t CharLength(const std::string& text, size_t at) {
    return at + 1 < text.size() && SjisText::IsLeadByte(text[at]) ? 2 : 1;
}

}  // namespace

TMailForm::TMailForm(TAccountDirectory& accounts, TRegistryAccessor* registry, int slot)
    : Accounts(accounts), Registry(registry), Slot(slot) {
    CreateHeadPop();
}

TMailForm::~TMailForm() {
    if (HeadPop) DestroyMenu(HeadPop);
}

int TMailForm::LabelHeight() const {
    return Dpi::Scale(ReasonLines * ItemHeight + 2 * ReasonMargin, Dpi::Of(Handle));
}

TChPage& TMailForm::Page() const { return *Accounts.Page(Slot); }

std::string TMailForm::SplitHeaderLine(const std::string& line, TLinePart part) {
    const size_t colon = SjisText::FindChar(line, ':');
    const size_t nameEnd = colon == std::string::npos ? 0 : colon + 1;
    if (part == TLinePart::Name) return line.substr(0, nameEnd);
    if (nameEnd >= line.size()) return "";
    // The one character after the name is the separator (a blank as a rule); a two-byte one
    // is skipped whole.
    return line.substr(nameEnd + CharLength(line, nameEnd));
}

void TMailForm::ShowModal(HWND owner) {
    // A sizeable tool window: its frame carries only the close box.
    RunModalDialog(owner, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME,
                   WS_EX_TOOLWINDOW);
}

void TMailForm::CreateHeadPop() {
    HeadPop = CreatePopupMenu();
    for (const TPopItem& item : PopItems) {
        if (item.Caption)
            AppendMenuA(HeadPop, MF_STRING, item.Id, item.Caption);
        else
            AppendMenuA(HeadPop, MF_SEPARATOR, 0, nullptr);
    }
}

void TMailForm::LayOut(int width, int height) {
    const int top = ReasonLabel ? LabelHeight() : 0;
    const int margin = Dpi::Scale(ReasonMargin, Dpi::Of(Handle));
    if (ReasonLabel)
        MoveWindow(ReasonLabel, margin, margin, width - 2 * margin, LabelHeight() - margin, TRUE);
    if (HeadListBox) MoveWindow(HeadListBox, 0, top, width, height - top, TRUE);
}

void TMailForm::FormCreate() {
    SetWindowTextA(Handle, Caption.c_str());
    const int dpi = Dpi::Of(Handle);
    HFONT font = UiFont::Viewer(dpi);
    const SIZE design = Dpi::Scale(SIZE{DesignWidth, DesignHeight}, dpi);
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const std::vector<std::string>& lines = Page().HeaderLines;

    HeadListBox = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL |
                                      LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | LBS_EXTENDEDSEL |
                                      LBS_WANTKEYBOARDINPUT,
                                  0, 0, design.cx, design.cy, Handle,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdHeadListBox)),
                                  GetModuleHandleA(nullptr), nullptr);
    // The cancel button lies under the list, never shown: Escape reaches it and closes the viewer.
    NazoButton = CreateWindowExA(0, "BUTTON", "謎", WS_CHILD | BS_PUSHBUTTON, 0, 0, 75, 25, Handle,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdNazoButton)),
                                 GetModuleHandleA(nullptr), nullptr);
    SendMessageA(HeadListBox, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(HeadListBox, LB_SETITEMHEIGHT, 0, Dpi::Scale(ItemHeight, dpi));
    const std::string& reason = Page().HeaderReason;
    const std::string& learning = Page().HeaderLearning;
    std::string label = reason.empty() ? std::string() : "理由: " + reason;
    if (!learning.empty()) {
        label += (label.empty() ? "" : "\r\n") + learning;
        ReasonLines = (reason.empty() ? 0 : 1) + 3;
    }
    if (!label.empty()) {
        ReasonLabel = CreateWindowExA(
            0, "STATIC", label.c_str(),
            WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | (ReasonLines == 1 ? SS_ENDELLIPSIS : 0),
            0, 0, design.cx, LabelHeight(), Handle,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdReasonLabel)), GetModuleHandleA(nullptr),
            nullptr);
        SendMessageA(ReasonLabel, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

    HDC dc = GetDC(HeadListBox);
    HGDIOBJ old = SelectObject(dc, font);
    int widest = 0;
    for (const std::string& line : lines) {
        SendMessageA(HeadListBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        SIZE size{};
        GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(HeadListBox, dc);
    SendMessageA(HeadListBox, LB_SETHORIZONTALEXTENT, widest + Dpi::Scale(ExtentMargin, dpi), 0);

    SetWindowPos(Handle, nullptr, 0, 0, design.cx, design.cy, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(Handle, &client);
    LayOut(client.right, client.bottom);
    CenterOverOwner(Handle, GetWindow(Handle, GW_OWNER));
    SetFocus(HeadListBox);
}

std::vector<int> TMailForm::SelectedIndices() const {
    const int count = static_cast<int>(SendMessageA(HeadListBox, LB_GETSELCOUNT, 0, 0));
    std::vector<int> indices(count > 0 ? count : 0);
    if (count > 0)
        SendMessageA(HeadListBox, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(indices.data()));
    return indices;
}

std::string TMailForm::LineAt(int index) const {
    const int length = static_cast<int>(SendMessageA(HeadListBox, LB_GETTEXTLEN, index, 0));
    if (length < 0) return "";
    std::vector<char> text(length + 1);
    SendMessageA(HeadListBox, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

bool TMailForm::SelectedLine(std::string& line) const {
    const std::vector<int> indices = SelectedIndices();
    if (indices.size() != 1) return false;
    line = LineAt(indices.front());
    return true;
}

void TMailForm::ChooseLineForMenu(int index) {
    const int count = static_cast<int>(SendMessageA(HeadListBox, LB_GETCOUNT, 0, 0));
    if (index < 0 || index >= count) return;
    if (SendMessageA(HeadListBox, LB_GETSEL, index, 0) > 0) return;
    SendMessageA(HeadListBox, LB_SETSEL, FALSE, -1);
    SendMessageA(HeadListBox, LB_SETSEL, TRUE, index);
    SendMessageA(HeadListBox, LB_SETCARETINDEX, index, FALSE);
}

bool TMailForm::HandleListKey(WORD key) {
    if (!(GetKeyState(VK_CONTROL) & 0x8000)) return false;
    if (key == 'C') {
        PopSelClick();
        return true;
    }
    if (key == 'A') {
        SendMessageA(HeadListBox, LB_SETSEL, TRUE, -1);
        return true;
    }
    return false;
}

void TMailForm::HeadPopPopup() {
    const size_t chosen = SelectedIndices().size();
    auto state = [](bool enabled) { return MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED); };
    EnableMenuItem(HeadPop, IdPopDel, state(chosen == 1 && HasAccount()));
    EnableMenuItem(HeadPop, IdPopView, state(chosen == 1));
    EnableMenuItem(HeadPop, IdPopSel, state(chosen > 0));
    EnableMenuItem(HeadPop, IdPopAll, state(true));
}

void TMailForm::ShowHeadPop(LPARAM screenPoint) {
    POINT at{static_cast<short>(LOWORD(screenPoint)), static_cast<short>(HIWORD(screenPoint))};
    if (screenPoint == -1) {
        // From the keyboard: at the line with the caret, chosen when no line is.
        const int index = static_cast<int>(SendMessageA(HeadListBox, LB_GETCARETINDEX, 0, 0));
        if (SelectedIndices().empty()) ChooseLineForMenu(index);
        RECT item{};
        if (index >= 0)
            SendMessageA(HeadListBox, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        at = POINT{item.left, item.bottom};
        ClientToScreen(HeadListBox, &at);
    } else {
        // The line under the pointer; HIWORD is set when the point lies below the last line.
        POINT client = at;
        ScreenToClient(HeadListBox, &client);
        const LRESULT hit =
            SendMessageA(HeadListBox, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
        if (HIWORD(hit) == 0) ChooseLineForMenu(LOWORD(hit));
    }
    HeadPopPopup();
    TrackPopupMenu(HeadPop, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle, nullptr);
}

void TMailForm::PopSelClick() {
    const std::vector<int> indices = SelectedIndices();
    if (indices.empty()) return;
    std::string text;
    for (int index : indices) text += LineAt(index) + "\r\n";
    PutClipboardText(Handle, text);
}

void TMailForm::PopAllClick() {
    std::string text;
    for (const std::string& line : Page().HeaderLines) text += line + "\r\n";
    PutClipboardText(Handle, text);
}

void TMailForm::PopDelClick() {
    std::string line;
    if (!HasAccount() || !SelectedLine(line) || !Registry) return;
    TASetup setup(Accounts, *Registry, Slot);
    setup.TakePageLogSetting();
    TDelHead rule;
    rule.HeaderText = SplitHeaderLine(line, TLinePart::Name);
    rule.Text = SplitHeaderLine(line, TLinePart::Value);
    if (rule.ShowModal(Handle)) setup.AddRule(rule.HeaderText, rule.Text);
    // The user keeps or drops the new rule in the account's settings.
    setup.SetBasicView(false);
    setup.NewAccount = false;
    setup.Caption = LoadResString(S_ACCOUNT_DIALOG) + LoadResString(S_SETTINGS);
    setup.ShowModal(Handle);
}

void TMailForm::PopViewClick() {
    std::string line;
    if (!SelectedLine(line) || !Registry) return;
    const std::string name = SplitHeaderLine(line, TLinePart::Name);
    TChPage& page = Page();
    if (!page.Design.empty()) {
        MessageBeep(MB_ICONQUESTION);
        if (MessageDlgCenter(Handle, page.Design + "を\r\n" + name + "に変えますか?",
                             TMsgDlgType::Confirmation, mbYes | mbNo, 0) != mrYes)
            return;
    }
    page.Design = name;
    // The account's settings are stored as they stand on its page, with the new header.
    TASetup setup(Accounts, *Registry, Slot);
    setup.TakePageLogSetting();
    setup.SetBasicView(false);
    setup.NewAccount = false;
    setup.SaveDesignatedHeader(name, Handle);
}

INT_PTR TMailForm::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            FormCreate();
            return FALSE;
        case WM_SIZE:
            LayOut(LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        case WM_VKEYTOITEM:
            // -2: the key is handled; FALSE leaves it to the list.
            if (reinterpret_cast<HWND>(lParam) == HeadListBox && HandleListKey(LOWORD(wParam)))
                return -2;
            return FALSE;
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) != HeadListBox) return FALSE;
            ShowHeadPop(lParam);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                // Escape, the hidden "謎" button and the close box: the viewer's cancel.
                case IdNazoButton:
                    EndDialog(Handle, IDCANCEL);
                    return TRUE;
                case IdPopDel:
                    PopDelClick();
                    return TRUE;
                case IdPopView:
                    PopViewClick();
                    return TRUE;
                case IdPopSel:
                    PopSelClick();
                    return TRUE;
                case IdPopAll:
                    PopAllClick();
                    return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(Handle, IDCANCEL);
            return TRUE;
    }
    return FALSE;
}
