#include "dialogs/DeleteHistoryView.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "history/CopyFolder.h"
#include "history/CsvText.h"
#include "ui/Clipboard.h"
#include "ui/ControlTable.h"
#include "ui/Dpi.h"
#include "ui/MsgDlg.h"
#include "ui/ScreenBounds.h"
#include "ui/UiFont.h"

namespace {

constexpr int ClientWidth = 640, ClientHeight = 360;
constexpr int ButtonHeight = 25;

const char* const Caption = "削除履歴";
const char* const ReadFailed = "削除履歴のファイルを読めませんでした。";
const char* const NoCopy = "このメールのコピーはありません。";
const char* const NoProgram =
    "このコピーを開くプログラムがありません。.eml のファイルを開くメールソフトを設定するか、"
    "「フォルダを開く」からファイルを開いてください。\r\n";

const TControlSpec Controls[] = {
    {WC_LISTVIEWA, "", LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE, 8, 8, 624,
     312, TDeleteHistoryView::IdList},
    {"BUTTON", "フォルダを開く(&F)", BS_PUSHBUTTON | WS_TABSTOP, 0, 8, 327, 140, ButtonHeight,
     TDeleteHistoryView::IdFolderButton},
    // Not the default button: Enter in the list opens the copy.
    {"BUTTON", "閉じる", BS_PUSHBUTTON | WS_TABSTOP, 0, 546, 327, 86, ButtonHeight,
     TDeleteHistoryView::IdCloseButton},
};
// Room kept around the list, and below it for the buttons, as the window is sized.
constexpr int Margin = 8, ButtonRow = 40;
constexpr SIZE SmallestClient{360, 160};

// The file's fields in the order the list shows them: when, what and from whom first.
constexpr int ShownFields[] = {0, 6, 5, 1, 2, 3, 4, 7, 8, 9};
constexpr int SizeField = 7;
// Widths for the header line's columns before anything is listed, in the file's order.
constexpr int ColumnWidths[] = {120, 90, 40, 120, 120, 140, 200, 60, 120, 160};
// A column fitted to its texts stays within this width: a long subject does not push the rest
// out of sight.
constexpr int MaxFittedWidth = 240;
// Room around a header's text.
constexpr int HeaderPadding = 16;

CsvText::TRecord Fields(const TDeletedMail& mail) {
    return {mail.DeletedAt, mail.Account, mail.Method, mail.Reason, mail.SentAt,
            mail.Sender,    mail.Subject, mail.Size,   mail.Uidl,   mail.CopyName};
}

// The order of two lines by one field: sizes as numbers, the rest as the locale sorts text.
bool Before(const TDeletedMail& a, const TDeletedMail& b, int field) {
    const std::string keyA = Fields(a)[field], keyB = Fields(b)[field];
    if (field == SizeField && keyA.size() != keyB.size()) return keyA.size() < keyB.size();
    return lstrcmpA(keyA.c_str(), keyB.c_str()) < 0;
}

}  // namespace

TDeleteHistoryView::TDeleteHistoryView(std::string folder) : Folder(std::move(folder)) {}

void TDeleteHistoryView::ShowModal(HWND owner) {
    Owner = owner;
    RunModalDialog(owner);
}

void TDeleteHistoryView::CreateControls() {
    HFONT font = UiFont::Form(Dpi::Of(Handle));
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(Handle, Caption);
    HWND controls[std::size(Controls)];
    ::CreateControls(Handle, Controls, font, controls);
    List = controls[0];
    SendMessageA(List, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const std::vector<CsvText::TRecord> header = CsvText::Parse(TDeleteHistory::HeaderLine);
    for (size_t i = 0; !header.empty() && i < std::size(ShownFields); ++i) {
        const int field = ShownFields[i];
        InsertColumn(List, static_cast<int>(i),
                     {header[0][field].c_str(), ColumnWidths[field], LVCFMT_LEFT});
    }
    // A long history is read better in a larger window.
    SetWindowLongA(Handle, GWL_STYLE,
                   GetWindowLongA(Handle, GWL_STYLE) | WS_THICKFRAME | WS_MAXIMIZEBOX);
    PlaceOverOwner(Handle, Dpi::Scale(SIZE{ClientWidth, ClientHeight}, Dpi::Of(Handle)), Owner);
    const SIZE smallestClient = Dpi::Scale(SmallestClient, Dpi::Of(Handle));
    RECT smallest{0, 0, smallestClient.cx, smallestClient.cy};
    AdjustWindowRectEx(&smallest, GetWindowLongA(Handle, GWL_STYLE), FALSE,
                       GetWindowLongA(Handle, GWL_EXSTYLE));
    SmallestWindow = SIZE{smallest.right - smallest.left, smallest.bottom - smallest.top};
    FillList();
}

void TDeleteHistoryView::FillList() {
    Mails.clear();
    if (!TDeleteHistory(Folder).Read(Mails)) {
        Mails.clear();
        MessageDlgCenter(Handle, ReadFailed, TMsgDlgType::Error, mbOK, 0);
    }
    ShowMails();
    // Each column as wide as its widest text, the header's included, within bounds; an empty
    // history shows its headers whole.
    const std::vector<CsvText::TRecord> header = CsvText::Parse(TDeleteHistory::HeaderLine);
    const int dpi = Dpi::Of(List);
    for (size_t column = 0; !header.empty() && column < std::size(ShownFields); ++column) {
        const int index = static_cast<int>(column);
        SendMessageA(List, LVM_SETCOLUMNWIDTH, index, LVSCW_AUTOSIZE);
        const int texts = Mails.empty() ? 0
                                        : static_cast<int>(
                                              SendMessageA(List, LVM_GETCOLUMNWIDTH, index, 0));
        const char* caption = header[0][ShownFields[column]].c_str();
        const int title = static_cast<int>(SendMessageA(List, LVM_GETSTRINGWIDTHA, 0,
                                                        reinterpret_cast<LPARAM>(caption))) +
                          Dpi::Scale(HeaderPadding, dpi);
        SendMessageA(List, LVM_SETCOLUMNWIDTH, index,
                     std::min(std::max(texts, title), Dpi::Scale(MaxFittedWidth, dpi)));
    }
}

void TDeleteHistoryView::ShowMails() {
    SendMessageA(List, WM_SETREDRAW, FALSE, 0);
    SendMessageA(List, LVM_DELETEALLITEMS, 0, 0);
    for (size_t row = 0; row < Mails.size(); ++row) {
        const CsvText::TRecord fields = Fields(Mails[row]);
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(row);
        item.pszText = const_cast<char*>(fields[ShownFields[0]].c_str());
        const int index = static_cast<int>(
            SendMessageA(List, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (size_t column = 1; index >= 0 && column < std::size(ShownFields); ++column) {
            LVITEMA cell{};
            cell.iSubItem = static_cast<int>(column);
            cell.pszText = const_cast<char*>(fields[ShownFields[column]].c_str());
            SendMessageA(List, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&cell));
        }
    }
    SendMessageA(List, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(List, nullptr, TRUE);
}

void TDeleteHistoryView::ListColumnClick(int column) {
    if (column < 0 || static_cast<size_t>(column) >= std::size(ShownFields)) return;
    // A second click on a column turns its order round; the list opens newest first.
    Descending = column == SortColumn ? !Descending : false;
    SortColumn = column;
    const int field = ShownFields[column];
    const bool descending = Descending;
    std::stable_sort(Mails.begin(), Mails.end(),
                     [field, descending](const TDeletedMail& a, const TDeletedMail& b) {
                         return descending ? Before(b, a, field) : Before(a, b, field);
                     });
    ShowMails();
}

void TDeleteHistoryView::LayOut(int width, int height) {
    if (!List) return;
    const int dpi = Dpi::Of(Handle);
    const int margin = Dpi::Scale(Margin, dpi), buttonRow = Dpi::Scale(ButtonRow, dpi);
    MoveWindow(List, margin, margin, width - 2 * margin, height - margin - buttonRow, TRUE);
    const int buttonTop =
        height - buttonRow + (buttonRow - Dpi::Scale(ButtonHeight, dpi)) / 2 + Dpi::Scale(1, dpi);
    HWND folder = GetDlgItem(Handle, IdFolderButton), close = GetDlgItem(Handle, IdCloseButton);
    RECT bounds;
    GetWindowRect(close, &bounds);
    const int closeWidth = bounds.right - bounds.left;
    SetWindowPos(folder, nullptr, margin, buttonTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(close, nullptr, width - margin - closeWidth, buttonTop, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}

std::string TDeleteHistoryView::ChosenLines() const {
    std::string text;
    int index = -1;
    while ((index = static_cast<int>(SendMessageA(List, LVM_GETNEXTITEM, index, LVNI_SELECTED))) >=
           0) {
        if (static_cast<size_t>(index) < Mails.size())
            text += CsvText::Record(Fields(Mails[index]));
    }
    return text;
}

void TDeleteHistoryView::CopyChosen() {
    const std::string text = ChosenLines();
    if (!text.empty()) PutClipboardText(Handle, text);
}

void TDeleteHistoryView::OpenFolder() {
    ShellExecuteA(Handle, "open", Folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TDeleteHistoryView::OpenCopy(int row) {
    if (row < 0 || static_cast<size_t>(row) >= Mails.size()) return;
    const TDeletedMail& mail = Mails[row];
    const std::string path =
        TCopyFolder(Folder).CopyOf(mail.Account, mail.CopyName, mail.Uidl, mail.DeletedAt);
    if (path.empty()) {
        MessageDlgCenter(Handle, NoCopy, TMsgDlgType::Information, mbOK, 0);
        return;
    }
    // No program for ".eml": said, with the copy's path, rather than nothing at all.
    const auto opened = reinterpret_cast<INT_PTR>(
        ShellExecuteA(Handle, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened <= 32) {
        MessageBeep(MB_ICONASTERISK);
        MessageDlgCenter(Handle, NoProgram + path, TMsgDlgType::Information, mbOK, 0);
    }
}

bool TDeleteHistoryView::HandleListKey(WORD key) {
    if (!(GetKeyState(VK_CONTROL) & 0x8000)) return false;
    if (key == 'C') {
        CopyChosen();
        return true;
    }
    if (key == 'A') {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageA(List, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&state));
        return true;
    }
    return false;
}

INT_PTR TDeleteHistoryView::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CreateControls();
            return TRUE;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.idFrom == IdList && header.code == LVN_KEYDOWN)
                return HandleListKey(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
            if (header.idFrom == IdList && header.code == NM_DBLCLK)
                OpenCopy(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
            if (header.idFrom == IdList && header.code == LVN_COLUMNCLICK)
                ListColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return FALSE;
        }
        case WM_SIZE:
            LayOut(LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize =
                POINT{SmallestWindow.cx, SmallestWindow.cy};
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wParam)) {
                case IDOK:
                    // Enter with no button focused: the list has the focus.
                    OpenCopy(static_cast<int>(
                        SendMessageA(List, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
                    return TRUE;
                case IdFolderButton:
                    OpenFolder();
                    return TRUE;
                case IdCloseButton:
                    EndDialog(Handle, IDCANCEL);
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}
