#include "page/MainFrame.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "headers/SjisText.h"
#include "page/MailRows.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"
#include "ui/Dpi.h"
#include "ui/UiFont.h"
#include "ui/WindowMessages.h"
#include "worker/Connect.h"

namespace {

const TColumnSpec Columns[MailColumn::Count] = {
    {"タイトル", 220, LVCFMT_LEFT},   {"差出人", 110, LVCFMT_CENTER},
    {"送信日時", 100, LVCFMT_CENTER}, {"サイズ", 70, LVCFMT_CENTER},
    {"添付", 45, LVCFMT_CENTER},      {"指定ヘッダ", 10, LVCFMT_CENTER},
    {"理由", 120, LVCFMT_LEFT},       {"メール番号", 0, LVCFMT_CENTER},
    {"DateKey", 0, LVCFMT_CENTER},    {"Uidl", 0, LVCFMT_CENTER},
};

// The row's context menu: the header viewer, the sender lists, then learning.
struct TMenuItem {
    int Id;
    const char* Caption;
};
const TMenuItem RowMenu[] = {
    {TMainFrame::IdRightHead, "ヘッダの表示(&H)"},
    {0, nullptr},
    {TMainFrame::IdAllowSender, "差出人を許可リストに追加(&A)"},
    {TMainFrame::IdBlockSender, "差出人を拒否リストに追加(&B)"},
    {TMainFrame::IdBlockDomain, "ドメインを拒否リストに追加(&D)"},
    {0, nullptr},
    {TMainFrame::IdLearnUnwanted, "迷惑メールとして学習(&J)"},
    {TMainFrame::IdLearnWanted, "迷惑メールではないと学習(&N)"},
};

// The list view's own procedure, the same for every list view.
WNDPROC ListViewProc = nullptr;

// A right click in the list would select the row under it alone, and with it every tick: the
// menu opens on the row without touching them. A classic subclass, because one made with
// SetWindowSubclass costs every message to the list a trip to the window server under Wine.
LRESULT CALLBACK MailViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_RBUTTONDOWN:
            SetFocus(window);
            return 0;
        case WM_NOTIFY: {
            // A column's width changed, by the user or the program: the frame hears of it.
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.code == HDN_ITEMCHANGEDA || header.code == HDN_ITEMCHANGEDW)
                SendMessageW(GetParent(window), WM_NOTIFY, wParam, lParam);
            break;
        }
        case WM_RBUTTONUP: {
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(window, &at);
            SendMessageW(GetParent(window), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                         MAKELPARAM(at.x, at.y));
            return 0;
        }
    }
    return CallWindowProcW(ListViewProc, window, message, wParam, lParam);
}

// The row menu's item for the sender's domain names it.
std::string BlockDomainCaption(const std::string& domain) {
    if (domain.empty()) return "ドメインを拒否リストに追加(&D)";
    std::string shown;
    for (char c : domain) shown += c == '&' ? std::string("&&") : std::string(1, c);
    return "「" + shown + "」を拒否リストに追加(&D)";
}

// The subject is the column users read: it takes what the others leave, never less than this.
constexpr int MinTitleWidth = 160;

// The widest column 5 may shrink to; the hidden ones stay at 0.
constexpr int MinDesignatedWidth = 10;

const TControlSpec LoginControls[] = {
    {"STATIC", "POP3サーバ名", SS_LEFT, 0, 0, 4, 200, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER, 0, 0, 22, 201, 23, TMainFrame::IdServ},
    {"STATIC", "APOP", SS_LEFT, 0, 232, 4, 40, 16, -1},
    {"BUTTON", "", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 236, 24, 18, 18, TMainFrame::IdAPOPCheck},
    {"STATIC", "接続ユーザ名", SS_LEFT, 0, 279, 4, 129, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER, 0, 279, 22, 129, 23, TMainFrame::IdIDNum},
    {"STATIC", "パスワード", SS_LEFT, 0, 439, 4, 137, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP | WS_BORDER, 0, 439, 22, 137, 23,
     TMainFrame::IdPass},
};

// The buttons carry their command in their Tag: 1 connect, 3 delete + disconnect, 2 disconnect.
const TControlSpec ButtonControls[] = {
    {"BUTTON", "接続", BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 0, 105, 33, TMainFrame::IdLogon},
    {"BUTTON", "削除 + 切断", BS_PUSHBUTTON | WS_TABSTOP, 0, 176, 0, 105, 33, TMainFrame::IdDelete},
    {"BUTTON", "切断", BS_PUSHBUTTON | WS_TABSTOP, 0, 351, 0, 106, 33, TMainFrame::IdKill},
};

int ButtonTag(int id) {
    switch (id) {
        case TMainFrame::IdLogon:
            return TConnect::CmdConnect;
        case TMainFrame::IdKill:
            return TConnect::CmdDisconnect;
        case TMainFrame::IdDelete:
            return TConnect::CmdDelete;
    }
    return 0;
}

}  // namespace

TMainFrame::TMainFrame(HWND sheet, int tag, std::function<void(int command)> runCommand)
    : Tag(tag), RunCommand(std::move(runCommand)) {
    RegisterWindowClass(ClassName, GetSysColorBrush(COLOR_BTNFACE));
    const SIZE size = Dpi::Scale(SIZE{615, 433}, Dpi::Of(sheet));
    CreateHandle(ClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, 0, 0,
                 size.cx, size.cy, sheet);
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont::Form(Dpi::Of(Handle))),
                 FALSE);
    FormCreate();
}

void TMainFrame::FormCreate() {
    const int dpi = Dpi::Of(Handle);
    HFONT font = UiFont::Form(dpi);
    KvPanel2.BevelInner = KvPanel2.BevelOuter = TBevelCut::None;
    KvPanel2.Create(Handle, 8, 0, 585, 57);
    SendMessageA(KvPanel2.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND login[8];
    CreateControls(KvPanel2.Handle, LoginControls, font, login);
    Serv = login[1];
    APOPCheck = login[3];
    IDNum = login[5];
    Pass = login[7];
    // Shown as "*" (the Japanese code page's default mask would be a wide dot).
    SendMessageA(Pass, EM_SETPASSWORDCHAR, '*', 0);

    MailView = CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA,
        Dpi::Scale(8, dpi), Dpi::Scale(64, dpi), Dpi::Scale(569, dpi), Dpi::Scale(265, dpi), Handle,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdMailView)), GetModuleHandleA(nullptr),
        nullptr);
    SendMessageA(MailView, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(MailView, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);
    InsertColumns(MailView, Columns);
    MailHeader = reinterpret_cast<HWND>(SendMessageA(MailView, LVM_GETHEADER, 0, 0));
    ResetSortDirections(MailColumn::Count);
    ListViewProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(MailView, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MailViewProc)));

    KvPanel1.BevelInner = KvPanel1.BevelOuter = TBevelCut::None;
    KvPanel1.Create(Handle, 8, 352, 465, 33);
    SendMessageA(KvPanel1.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND buttons[3];
    CreateControls(KvPanel1.Handle, ButtonControls, font, buttons);
    Logon = buttons[0];
    Delete = buttons[1];
    Kill = buttons[2];

    StatusBar1.Create(Handle, IdStatusBar, font);
    StatusBar1.SetText(0, "接続していません。");
}

int TMainFrame::DesignatedColumnWidth(HFONT listFont) {
    return ColumnWidthFor(listFont, Columns[MailColumn::Designated].Caption);
}

int TMainFrame::ColumnCount() const {
    return static_cast<int>(SendMessageA(MailHeader, HDM_GETITEMCOUNT, 0, 0));
}

const TMailList& TMainFrame::Mails() {
    SyncTicks();
    return List;
}

void TMainFrame::SyncTicks() {
    if (!TicksStale) return;
    TicksStale = false;
    // Only the selected rows are asked for: a message each.
    std::vector<bool> selected(List.Count(), false);
    int index = -1;
    while ((index = static_cast<int>(
                SendMessageA(MailView, LVM_GETNEXTITEM, index, LVNI_SELECTED))) >= 0) {
        if (static_cast<size_t>(index) < selected.size()) selected[index] = true;
    }
    for (size_t row = 0; row < selected.size(); ++row) {
        if (selected[row] == List.Ticked(row)) continue;
        List.SetTicked(row, selected[row]);
        if (HandTicked) HandTicked(static_cast<int>(row), selected[row]);
    }
}

std::string TMainFrame::CellText(int index, int column) const {
    return index < 0 ? std::string() : List.Cell(static_cast<size_t>(index), column);
}

int TMainFrame::SelectedCount() const {
    return TicksStale ? static_cast<int>(SendMessageA(MailView, LVM_GETSELECTEDCOUNT, 0, 0))
                      : static_cast<int>(List.TickedCount());
}

void TMainFrame::SetSelected(int index, bool selected) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(MailView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
}

void TMainFrame::PushTicks(const std::vector<size_t>& rows) {
    const bool hold = rows.size() > ManyTicks;
    if (hold) HoldListDrawing();
    Pushing = true;
    for (const size_t row : rows) {
        if (row < ShownCount) SetSelected(static_cast<int>(row), List.Ticked(row));
    }
    Pushing = false;
    if (hold) ReleaseListDrawing();
}

void TMainFrame::HoldListDrawing() {
    if (ListHolds++ == 0) SendMessageA(MailView, WM_SETREDRAW, FALSE, 0);
}

void TMainFrame::ReleaseListDrawing() {
    if (ListHolds == 0 || --ListHolds > 0) return;
    SendMessageA(MailView, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(MailView, nullptr, FALSE);
}

void TMainFrame::AddRow(TMailRow row) { List.Add(std::move(row)); }

void TMainFrame::ShowRows() {
    if (ShownCount == List.Count()) return;
    Mails();  // the user's ticks are read before the list view's count changes
    const size_t first = ShownCount;
    ShownCount = List.Count();
    SendMessageA(MailView, LVM_SETITEMCOUNT, ShownCount, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    // New rows arrive unselected: only those the rules ticked cost a message.
    std::vector<size_t> ticked;
    for (size_t row = first; row < ShownCount; ++row) {
        if (List.Ticked(row)) ticked.push_back(row);
    }
    PushTicks(ticked);
    InvalidateRect(MailView, nullptr, FALSE);
}

void TMainFrame::ClearRows() {
    List.Clear();
    ShownCount = 0;
    TicksStale = false;
    SendMessageA(MailView, LVM_DELETEALLITEMS, 0, 0);
}

void TMainFrame::SetMessageNumber(int index, const std::string& number) {
    if (index >= 0) List.SetMessageNumber(static_cast<size_t>(index), number);
}

void TMainFrame::SetTicked(int index, bool ticked) {
    if (index < 0 || static_cast<size_t>(index) >= List.Count()) return;
    Mails();
    List.SetTicked(static_cast<size_t>(index), ticked);
    PushTicks({static_cast<size_t>(index)});
    MailViewSelectItem();
}

void TMainFrame::TickAll(int how) {
    const TMailList& mails = Mails();
    if (how == 0) {
        std::vector<size_t> rows(mails.Count());
        for (size_t i = 0; i < rows.size(); ++i) {
            rows[i] = i;
            List.SetTicked(i, !mails.Ticked(i));
        }
        PushTicks(rows);
    } else {
        List.SetAllTicked(how == 1);
        Pushing = true;
        SetSelected(-1, how == 1);  // one message for every row
        Pushing = false;
    }
    MailViewSelectItem();
}

void TMainFrame::Redecide(const TRuleSet& rules) {
    Mails();
    PushTicks(List.Redecide(rules));
    InvalidateRect(MailView, nullptr, FALSE);
    MailViewSelectItem();
}

void TMainFrame::LogonClick(int tag) { RunCommand(tag); }

void TMainFrame::MailViewGetText(NMHDR& header) {
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA&>(header).item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    CellBuffer = CellText(item.iItem, item.iSubItem);
    const size_t room = static_cast<size_t>(item.cchTextMax) - 1;
    // Never half a double-byte character at the cut.
    const size_t length = SjisText::FittingBytes(CellBuffer, room);
    std::memcpy(item.pszText, CellBuffer.data(), length);
    item.pszText[length] = '\0';
}

void TMainFrame::MailViewSelectItem() { StatusBar1.ShowDeletionCount(SelectedCount()); }

void TMainFrame::MailViewDblClick() {
    if (!IsWindowEnabled(KvPanel1.Handle) || SelectedCount() != 1) return;
    const int selected =
        static_cast<int>(SendMessageA(MailView, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    if (CellText(selected, MailColumn::Title) == TMailRow::ReadErrorTitle) return;
    RunCommand(TConnect::CmdHeader);
}

void TMainFrame::MailViewColumnClick(int column) {
    const int count = ColumnCount();
    if (!IsWindowEnabled(KvPanel1.Handle) || column >= MailColumn::MailNumber(count)) return;
    SortMailView(column);
    SortDirections[column] = -SortDirections[column];
}

void TMainFrame::SortMailView(int column) {
    Mails();
    const int focused = static_cast<int>(SendMessageA(MailView, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
    const std::string focusedUid =
        focused >= 0 ? List.Row(static_cast<size_t>(focused)).Columns[TMailRow::Uidl] : "";
    List.Sort(column);
    // The selection follows the rows to their new places.
    Pushing = true;
    SetSelected(-1, false);
    Pushing = false;
    std::vector<size_t> ticked;
    for (size_t row = 0; row < ShownCount; ++row) {
        if (List.Ticked(row)) ticked.push_back(row);
    }
    PushTicks(ticked);
    const size_t focus = focusedUid.empty() ? TMailList::None : List.Find(focusedUid);
    if (focus != TMailList::None) {
        LVITEMA state{};
        state.stateMask = state.state = LVIS_FOCUSED;
        SendMessageA(MailView, LVM_SETITEMSTATE, focus, reinterpret_cast<LPARAM>(&state));
    }
    InvalidateRect(MailView, nullptr, FALSE);
}

void TMainFrame::FitTitleColumn() {
    if (TitleWidthSet) return;
    RECT client;
    GetClientRect(MailView, &client);
    int width = client.right - client.left;
    // Room for the scroll bar the rows will bring, so that no column moves when it comes.
    if (!(GetWindowLongA(MailView, GWL_STYLE) & WS_VSCROLL))
        width -= GetSystemMetrics(SM_CXVSCROLL);
    const int count = ColumnCount();
    for (int column = 1; column < count; ++column)
        width -= static_cast<int>(SendMessageA(MailView, LVM_GETCOLUMNWIDTH, column, 0));
    width = std::max(width, Dpi::Scale(MinTitleWidth, Dpi::Of(MailView)));
    if (SendMessageA(MailView, LVM_GETCOLUMNWIDTH, MailColumn::Title, 0) != width)
        SendMessageA(MailView, LVM_SETCOLUMNWIDTH, MailColumn::Title, width);
}

void TMainFrame::MailViewHeaderNotify(const NMHDR& header) {
    // Only a change of the columns can show a hidden one: paints look again only after one.
    HiddenMayShow = true;
    const int column = reinterpret_cast<const NMHEADERA&>(header).iItem;
    switch (header.code) {
        case HDN_ENDTRACKA:
        case HDN_ENDTRACKW:
        case HDN_DIVIDERDBLCLICKA:
        case HDN_DIVIDERDBLCLICKW:
            // The user set the title's width: it stays; another column's: the title gives or
            // takes the room.
            if (column == MailColumn::Title)
                TitleWidthSet = true;
            else
                PostMessageA(Handle, WM_PB_FITTITLE, 0, 0);  // once the header has its width
            break;
    }
}

void TMainFrame::MailViewCustomDraw() {
    if (!HiddenMayShow) return;
    HiddenMayShow = false;
    const int count = ColumnCount();
    bool hiddenShown = false;
    for (int column = MailColumn::MailNumber(count); column < count; ++column) {
        if (SendMessageA(MailView, LVM_GETCOLUMNWIDTH, column, 0) != 0) hiddenShown = true;
    }
    if (!hiddenShown) return;
    for (int column = MailColumn::MailNumber(count); column < count; ++column) {
        SendMessageA(MailView, LVM_SETCOLUMNWIDTH, column, 0);
    }
    const int designated = Dpi::Scale(MinDesignatedWidth, Dpi::Of(MailView));
    if (SendMessageA(MailView, LVM_GETCOLUMNWIDTH, MailColumn::Designated, 0) < designated)
        SendMessageA(MailView, LVM_SETCOLUMNWIDTH, MailColumn::Designated, designated);
}

int TMainFrame::ContextRow(LPARAM lParam) const {
    if (lParam == -1)
        return static_cast<int>(SendMessageA(MailView, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
    LVHITTESTINFO hit{};
    hit.pt = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(MailView, &hit.pt);
    return static_cast<int>(SendMessageA(MailView, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void TMainFrame::MailViewContextMenu(LPARAM lParam) {
    const int row = ContextRow(lParam);
    const TMailRow* basis =
        row >= 0 && row < RowCount() && !List.Row(static_cast<size_t>(row)).HeaderLines.empty()
            ? &List.Row(static_cast<size_t>(row))
            : nullptr;
    HMENU menu = CreatePopupMenu();
    for (const TMenuItem& item : RowMenu) {
        if (!item.Caption) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        // The lists need a row whose header was read.
        const bool enabled = item.Id == IdRightHead || basis;
        std::string caption = item.Caption;
        if (item.Id == IdBlockDomain && basis)
            caption = BlockDomainCaption(TRuleSet::Sender(basis->HeaderLines).Domain);
        AppendMenuA(menu, MF_STRING | (enabled ? 0 : MF_GRAYED), item.Id, caption.c_str());
    }
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (lParam == -1) {  // from the keyboard: below the focused row, or at the list's corner
        RECT rect{};
        rect.left = LVIR_LABEL;
        if (row >= 0) SendMessageA(MailView, LVM_ENSUREVISIBLE, row, FALSE);
        if (row >= 0 &&
            SendMessageA(MailView, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect))) {
            at = POINT{rect.left, rect.bottom};
            ClientToScreen(MailView, &at);
        } else {
            GetWindowRect(MailView, &rect);
            at = POINT{rect.left, rect.top};
        }
    }
    int chosen =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle, nullptr);
    DestroyMenu(menu);
    if (chosen == IdRightHead) MailViewDblClick();
    if (chosen == 0 || chosen == IdRightHead || row < 0 || !SenderCommand) return;
    SenderCommand(chosen, row);
}

void TMainFrame::MarkTicksStale() {
    TicksStale = true;
    if (SyncPosted) return;
    SyncPosted = PostMessageA(Handle, WM_PB_SYNCTICKS, 0, 0) != FALSE;
}

LRESULT TMainFrame::MailViewNotify(const NMHDR& header) {
    switch (header.code) {
        case LVN_GETDISPINFOA:
            MailViewGetText(const_cast<NMHDR&>(header));
            return 0;
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if (Pushing || !(change.uChanged & LVIF_STATE)) return 0;
            // A shift click may select a range without a word about it: every change of
            // state, the focus's too, has the ticks read again when they are next needed.
            MarkTicksStale();
            if ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) MailViewSelectItem();
            return 0;
        }
        case LVN_ODSTATECHANGED:
            if (!Pushing) {
                MarkTicksStale();
                MailViewSelectItem();
            }
            return 0;
        case LVN_COLUMNCLICK:
            MailViewColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return 0;
        case NM_DBLCLK:
            MailViewDblClick();
            return 0;
        case NM_CUSTOMDRAW:
            if (reinterpret_cast<const NMCUSTOMDRAW&>(header).dwDrawStage == CDDS_PREPAINT)
                MailViewCustomDraw();
            return CDRF_DODEFAULT;
    }
    return 0;
}

LRESULT TMainFrame::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && ButtonTag(LOWORD(wParam)))
                LogonClick(ButtonTag(LOWORD(wParam)));
            return 0;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.hwndFrom == MailView) return MailViewNotify(header);
            if (header.hwndFrom == MailHeader) MailViewHeaderNotify(header);
            return 0;
        }
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == MailView) {
                MailViewContextMenu(lParam);
                return 0;
            }
            break;
        case WM_PB_FITTITLE:
            FitTitleColumn();
            return 0;
        case WM_PB_SYNCTICKS:
            SyncPosted = false;
            SyncTicks();
            return 0;
        case WM_SIZE:
            StatusBar1.Resize();
            return 0;
    }
    return DefaultProc(message, wParam, lParam);
}
