#include "dialogs/DeleteHistoryView.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "history/CopyFolder.h"
#include "history/CsvText.h"
#include "ui/Clipboard.h"
#include "ui/ControlTable.h"
#include "ui/MsgDlg.h"
#include "ui/ScreenBounds.h"
#include "ui/UiFont.h"

namespace {

constexpr int ClientWidth = 640, ClientHeight = 360;
constexpr int ButtonHeight = 25;

const char* const Caption = "削除履歴";
const char* const ReadFailed = "削除履歴のファイルを読めませんでした。";
const char* const NoCopy = "このメールのコピーはありません。";

const TControlSpec Controls[] = {
    {WC_LISTVIEWA, "", LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE, 8, 8, 624,
     312, TDeleteHistoryView::IdList},
    {"BUTTON", "フォルダを開く(&F)", BS_PUSHBUTTON | WS_TABSTOP, 0, 8, 327, 140, ButtonHeight,
     TDeleteHistoryView::IdFolderButton},
    {"BUTTON", "閉じる", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 546, 327, 86, ButtonHeight,
     TDeleteHistoryView::IdCloseButton},
};

// Widths for the header line's columns before anything is listed, in its order.
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

}  // namespace

TDeleteHistoryView::TDeleteHistoryView(std::string folder) : Folder(std::move(folder)) {}

void TDeleteHistoryView::ShowModal(HWND owner) {
    Owner = owner;
    RunModalDialog(owner);
}

void TDeleteHistoryView::CreateControls() {
    HFONT font = UiFont::Form();
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(Handle, Caption);
    HWND controls[std::size(Controls)];
    ::CreateControls(Handle, Controls, font, controls);
    List = controls[0];
    SendMessageA(List, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const std::vector<CsvText::TRecord> header = CsvText::Parse(TDeleteHistory::HeaderLine);
    for (size_t i = 0; !header.empty() && i < header[0].size(); ++i) {
        const int width = i < std::size(ColumnWidths) ? ColumnWidths[i] : 80;
        InsertColumn(List, static_cast<int>(i), {header[0][i].c_str(), width, LVCFMT_LEFT});
    }
    PlaceOverOwner(Handle, SIZE{ClientWidth, ClientHeight}, Owner);
    FillList();
}

void TDeleteHistoryView::FillList() {
    Mails.clear();
    if (!TDeleteHistory(Folder).Read(Mails)) {
        Mails.clear();
        MessageDlgCenter(Handle, ReadFailed, TMsgDlgType::Error, mbOK, 0);
        return;
    }
    SendMessageA(List, WM_SETREDRAW, FALSE, 0);
    for (size_t row = 0; row < Mails.size(); ++row) {
        const CsvText::TRecord fields = Fields(Mails[row]);
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(row);
        item.pszText = const_cast<char*>(fields[0].c_str());
        const int index = static_cast<int>(
            SendMessageA(List, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (size_t column = 1; index >= 0 && column < fields.size(); ++column) {
            LVITEMA cell{};
            cell.iSubItem = static_cast<int>(column);
            cell.pszText = const_cast<char*>(fields[column].c_str());
            SendMessageA(List, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&cell));
        }
    }
    // Each column as wide as its widest text, the header's included, within bounds.
    const std::vector<CsvText::TRecord> header = CsvText::Parse(TDeleteHistory::HeaderLine);
    for (size_t column = 0; !Mails.empty() && !header.empty() && column < header[0].size();
         ++column) {
        const int index = static_cast<int>(column);
        SendMessageA(List, LVM_SETCOLUMNWIDTH, index, LVSCW_AUTOSIZE);
        const int texts = static_cast<int>(SendMessageA(List, LVM_GETCOLUMNWIDTH, index, 0));
        const int title =
            static_cast<int>(SendMessageA(List, LVM_GETSTRINGWIDTHA, 0,
                                          reinterpret_cast<LPARAM>(header[0][column].c_str()))) +
            HeaderPadding;
        SendMessageA(List, LVM_SETCOLUMNWIDTH, index,
                     std::min(std::max(texts, title), MaxFittedWidth));
    }
    SendMessageA(List, WM_SETREDRAW, TRUE, 0);
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
    ShellExecuteA(Handle, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
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
            return FALSE;
        }
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wParam)) {
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
