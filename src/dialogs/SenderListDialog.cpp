#include "dialogs/SenderListDialog.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <unordered_set>

#include "headers/SjisText.h"
#include "history/FileSystem.h"
#include "rules/SenderList.h"
#include "rules/SenderListFile.h"
#include "settings/SenderStore.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"
#include "ui/Dpi.h"
#include "ui/FileDialogFields.h"
#include "ui/MsgDlg.h"
#include "ui/ScreenBounds.h"
#include "ui/UiFont.h"

namespace {

constexpr int ClientWidth = 624, ClientHeight = 340;
constexpr int EditHeight = 23, ButtonHeight = 25;
// The block list's controls stand this far right of the allow list's.
constexpr int ListStride = 308;

const char* const Caption = "差出人リスト";
const char* const ListNames[] = {"許可リスト", "拒否リスト"};
const char* const Note =
    "アドレス (taro@example.jp) かドメイン (example.jp、サブドメインも含む)。\r\n"
    "両方のリストにある差出人は許可リストが優先します。";
const char* const SaveFailed =
    "差出人リストを保存できませんでした。保存されているリストは前のままです。";
const char* const ReadFailed = "ファイル「%s」を読めませんでした。";
const char* const TooLarge = "ファイル「%s」は大きすぎます (16 MB まで)。";
const char* const WriteFailed = "ファイル「%s」に書き出せませんでした。";
const char* const NothingToAdd = "ファイルに追加できる差出人がありませんでした。";
constexpr size_t ShownRefusals = 10;
// A list of this size holds hundreds of thousands of entries: anything larger is no list.
constexpr size_t LargestImport = 16 * 1024 * 1024;
const char FileFilter[] = "テキスト ファイル (*.txt)\0*.txt\0すべてのファイル (*.*)\0*.*\0";

// One list's controls at the allow list's place, with its ids; the group's caption is the
// list's name, and the buttons' captions are the list's own (each its access key).
const TControlSpec ListControls[] = {
    {"BUTTON", "", BS_GROUPBOX, 0, 8, 6, 300, 256, -1},
    {"LISTBOX", "",
     LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | LBS_WANTKEYBOARDINPUT | WS_VSCROLL |
         WS_TABSTOP,
     WS_EX_CLIENTEDGE, 20, 26, 276, 158, TSenderListDialog::IdAllowList},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 20, 192, 200, EditHeight,
     TSenderListDialog::IdAllowEdit},
    {"BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP, 0, 226, 191, 70, ButtonHeight,
     TSenderListDialog::IdAllowAdd},
    {"BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP, 0, 20, 224, 72, ButtonHeight,
     TSenderListDialog::IdAllowRemove},
    {"BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP, 0, 96, 224, 98, ButtonHeight,
     TSenderListDialog::IdAllowImport},
    {"BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP, 0, 198, 224, 98, ButtonHeight,
     TSenderListDialog::IdAllowExport},
};
// The captions of ListControls for each list: no two controls of the dialog share a key.
const char* const ListCaptions[2][std::size(ListControls)] = {
    {"許可リスト(&L)", "", "", "追加(&A)", "削除(&D)", "読み込み(&I)...", "書き出し(&E)..."},
    {"拒否リスト(&K)", "", "", "追加(&B)", "削除(&R)", "読み込み(&M)...", "書き出し(&X)..."},
};

const TControlSpec DialogControls[] = {
    {"STATIC", Note, SS_LEFT, 0, 12, 268, 604, 34, -1},
    {"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 438, 306, 86, ButtonHeight,
     TSenderListDialog::IdOKButton},
    {"BUTTON", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, 530, 306, 86, ButtonHeight,
     TSenderListDialog::IdCancelButton},
};

// printf-style text with one string argument.
std::string Format(const char* format, const std::string& argument) {
    std::string text(std::strlen(format) + argument.size(), '\0');
    text.resize(std::snprintf(text.data(), text.size() + 1, format, argument.c_str()));
    return text;
}

}  // namespace

TSenderListDialog::TSenderListDialog(TRegistryAccessor& registry) : Registry(registry) {
    TSenderLists lists = TSenderStore(Registry).Load();
    Stored[Allow] = std::move(lists.Allow);
    Stored[Block] = std::move(lists.Block);
}

bool TSenderListDialog::ShowModal(HWND owner) {
    Owner = owner;
    return RunModalDialog(owner) == IDOK;
}

void TSenderListDialog::CreateControls() {
    HFONT font = UiFont::Form(Dpi::Of(Handle));
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(Handle, Caption);
    for (int kind : {Allow, Block}) {
        HWND controls[std::size(ListControls)];
        for (size_t i = 0; i < std::size(ListControls); ++i) {
            TControlSpec control = ListControls[i];
            control.Left += kind * ListStride;
            if (control.Id > 0) control.Id += kind * BlockOffset;
            control.Caption = ListCaptions[kind][i];
            controls[i] = CreateControl(Handle, control, font);
        }
        Lists[kind] = controls[1];
        Edits[kind] = controls[2];
        for (const std::string& entry : Stored[kind])
            SendMessageA(Lists[kind], LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    ::CreateControls(Handle, DialogControls, font);
    PlaceOverOwner(Handle, Dpi::Scale(SIZE{ClientWidth, ClientHeight}, Dpi::Of(Handle)), Owner);
}

std::vector<std::string> TSenderListDialog::Entries(TListKind kind) const {
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageA(Lists[kind], LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(Lists[kind], LB_GETTEXTLEN, i, 0);
        if (length == LB_ERR) continue;
        std::string text(static_cast<size_t>(length) + 1, '\0');
        const LRESULT copied =
            SendMessageA(Lists[kind], LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
        entries.push_back(std::move(text));
    }
    return entries;
}

void TSenderListDialog::Append(TListKind kind, const std::string& entry) {
    HWND list = Lists[kind];
    // Entries are ASCII in lower case: the list box's exact search, which ignores case, is exact.
    LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(entry.c_str()));
    if (index == LB_ERR)
        index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    if (index < 0) return;
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    SendMessageA(list, LB_SETSEL, TRUE, index);
    SendMessageA(list, LB_SETCARETINDEX, index, FALSE);
}

bool TSenderListDialog::AddClick(TListKind kind) {
    std::string entry, error;
    if (!TSenderList::ParseEntry(TextOf(Edits[kind]), entry, error)) {
        MessageBeep(MB_ICONASTERISK);
        MessageDlgCenter(Handle, error, TMsgDlgType::Error, mbOK, 0);
        SetFocus(Edits[kind]);
        return false;
    }
    Append(kind, entry);
    SetWindowTextA(Edits[kind], "");
    SetFocus(Edits[kind]);
    return true;
}

void TSenderListDialog::RemoveClick(TListKind kind) {
    HWND list = Lists[kind];
    const int count = static_cast<int>(SendMessageA(list, LB_GETSELCOUNT, 0, 0));
    if (count <= 0) return;
    std::vector<int> chosen(count);
    const int got = static_cast<int>(
        SendMessageA(list, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(chosen.data())));
    // From the last one back, so that the earlier indexes stay right.
    for (int i = got - 1; i >= 0; --i) SendMessageA(list, LB_DELETESTRING, chosen[i], 0);
}

void TSenderListDialog::ImportClick(TListKind kind) {
    char path[MAX_PATH] = "";
    OPENFILENAMEA dialog = FileDialogFields(Handle, FileFilter, path, OFN_FILEMUSTEXIST);
    if (!GetOpenFileNameA(&dialog)) return;  // cancelled
    std::string bytes;
    if (!FileSystem::ReadWhole(path, bytes)) {
        MessageDlgCenter(Handle, Format(ReadFailed, path), TMsgDlgType::Error, mbOK, 0);
        return;
    }
    if (bytes.size() > LargestImport) {
        MessageDlgCenter(Handle, Format(TooLarge, path), TMsgDlgType::Error, mbOK, 0);
        return;
    }
    const SenderListFile::TImport import = SenderListFile::Import(bytes);
    // One look-up a line, however long the list and the file.
    const std::vector<std::string> listed = Entries(kind);
    std::unordered_set<std::string> present(listed.begin(), listed.end());
    size_t added = 0;
    SendMessageA(Lists[kind], WM_SETREDRAW, FALSE, 0);
    for (const std::string& entry : import.Entries) {
        if (!present.insert(entry).second) continue;
        SendMessageA(Lists[kind], LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        ++added;
    }
    SendMessageA(Lists[kind], WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Lists[kind], nullptr, TRUE);
    if (import.Refused.empty()) {
        if (import.Entries.empty())
            MessageDlgCenter(Handle, NothingToAdd, TMsgDlgType::Information, mbOK, 0);
        return;
    }
    // The lists are stored only by OK: the user should not take the import for a save.
    std::string text = std::to_string(added) + " 件を追加しました (OK を押すと保存します)。次の " +
                       std::to_string(import.Refused.size()) + " 行は読み込めませんでした:";
    for (size_t i = 0; i < import.Refused.size() && i < ShownRefusals; ++i)
        text += "\r\n" + import.Refused[i];
    if (import.Refused.size() > ShownRefusals) text += "\r\n...";
    MessageBeep(MB_ICONASTERISK);
    MessageDlgCenter(Handle, text, TMsgDlgType::Warning, mbOK, 0);
}

void TSenderListDialog::ExportClick(TListKind kind) {
    char path[MAX_PATH] = "";
    std::snprintf(path, sizeof path, "%s.txt", ListNames[kind]);
    OPENFILENAMEA dialog = FileDialogFields(Handle, FileFilter, path, OFN_OVERWRITEPROMPT);
    dialog.lpstrDefExt = "txt";
    if (!GetSaveFileNameA(&dialog)) return;  // cancelled
    if (!FileSystem::WriteWhole(path, SenderListFile::Export(Entries(kind))))
        MessageDlgCenter(Handle, Format(WriteFailed, path), TMsgDlgType::Error, mbOK, 0);
}

void TSenderListDialog::OKButtonClick() {
    // Enter in an entry field adds the entry rather than closing the dialog.
    const int kind = KindWithFocusedField();
    if (kind >= 0) {
        AddClick(static_cast<TListKind>(kind));
        return;
    }
    // A sender typed but not added is what the user meant to add: added, or refused with the
    // dialog left open.
    for (TListKind typed : {Allow, Block}) {
        if (SjisText::Trim(TextOf(Edits[typed])).empty()) continue;
        if (!AddClick(typed)) return;
    }
    TSenderLists lists;
    lists.Allow = Entries(Allow);
    lists.Block = Entries(Block);
    if (!TSenderStore(Registry).Save(lists)) {
        MessageDlgCenter(Handle, SaveFailed, TMsgDlgType::Error, mbOK, 0);
        return;
    }
    EndDialog(Handle, IDOK);
}

int TSenderListDialog::KindWithFocusedField() const {
    HWND focus = GetFocus();
    for (int kind : {Allow, Block})
        if (focus == Edits[kind] && !TextOf(Edits[kind]).empty()) return kind;
    return -1;
}

bool TSenderListDialog::ListCommand(int id) {
    const TListKind kind = id >= IdBlockList ? Block : Allow;
    switch (id - kind * BlockOffset) {
        case IdAllowAdd:
            AddClick(kind);
            return true;
        case IdAllowRemove:
            RemoveClick(kind);
            return true;
        case IdAllowImport:
            ImportClick(kind);
            return true;
        case IdAllowExport:
            ExportClick(kind);
            return true;
    }
    return false;
}

INT_PTR TSenderListDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_VKEYTOITEM:
            // Delete in a list removes its chosen entries, as the list's 削除 button does.
            for (TListKind kind : {Allow, Block}) {
                if (reinterpret_cast<HWND>(lParam) != Lists[kind] || LOWORD(wParam) != VK_DELETE)
                    continue;
                RemoveClick(kind);
                return -2;
            }
            return -1;
        case WM_INITDIALOG:
            CreateControls();
            SetFocus(Edits[Allow]);  // ready to type an entry
            return FALSE;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wParam)) {
                case IdOKButton:
                    OKButtonClick();
                    return TRUE;
                case IdCancelButton:
                    EndDialog(Handle, IDCANCEL);
                    return TRUE;
            }
            return ListCommand(LOWORD(wParam));
    }
    return FALSE;
}
