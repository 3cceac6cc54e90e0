#include "dialogs/LearnDialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <iterator>

#include "learn/MailImport.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"
#include "ui/Dpi.h"
#include "ui/FileDialogFields.h"
#include "ui/MsgDlg.h"
#include "ui/ScreenBounds.h"
#include "ui/UiFont.h"

namespace {

constexpr int ClientWidth = 460, ClientHeight = 330, ButtonHeight = 25;
constexpr UINT ProgressMilliseconds = 100;
// Lessons handed over before the import waits for the learner: its queue stays short.
constexpr size_t LessonsPerWait = 500;
// Unreadable files named after an import; the rest are counted.
constexpr size_t NamedSkips = 10;

const char* const Caption = "学習";
const char FileFilter[] = "メール (*.eml)\0*.eml\0mbox (すべてのファイル)\0*.*\0";
const char* const WhichLabel =
    "読み込むメールを迷惑メールとして学習しますか?\r\n"
    "「はい」: 迷惑メール (メールソフトの迷惑メールフォルダなど)\r\n"
    "「いいえ」: 迷惑メールではない (受信箱など)";
const char* const ResetQuestion = "学習した内容をすべて消して、最初からやり直しますか?";
const char* const ThresholdRefused = "しきい値は 1 から 100 までの数で入力してください。";

const TControlSpec Controls[] = {
    {"STATIC", "", SS_LEFT, 0, 12, 12, 436, 36, TLearnDialog::IdCounts},
    {"STATIC", "判定のしきい値 (%):", SS_LEFT, 0, 12, 58, 150, 20, -1},
    {"EDIT", "", ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 166, 55, 50, 23,
     TLearnDialog::IdThreshold},
    {"STATIC", "学習による判定も自動で削除する:", SS_LEFT, 0, 12, 90, 436, 20, -1},
    {WC_LISTVIEWA, "", LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | WS_TABSTOP,
     WS_EX_CLIENTEDGE, 12, 112, 436, 88, TLearnDialog::IdAccounts},
    {"BUTTON", "メールを読み込んで学習...", BS_PUSHBUTTON | WS_TABSTOP, 0, 12, 212, 200,
     ButtonHeight, TLearnDialog::IdImport},
    {PROGRESS_CLASSA, "", 0, 0, 220, 214, 150, 21, TLearnDialog::IdProgress},
    {"BUTTON", "中止", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 0, 378, 212, 70, ButtonHeight,
     TLearnDialog::IdStopImport},
    {"BUTTON", "学習をやり直す", BS_PUSHBUTTON | WS_TABSTOP, 0, 12, 250, 150, ButtonHeight,
     TLearnDialog::IdReset},
    {"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 270, 292, 86, ButtonHeight,
     TLearnDialog::IdOKButton},
    {"BUTTON", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, 362, 292, 86, ButtonHeight,
     TLearnDialog::IdCancelButton},
};

bool EndsWithEml(const std::string& path) {
    if (path.size() < 4) return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == ".eml";
}

// The folder that holds `path`: everything before its last separator.
std::string FolderOf(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))
            ++i;  // a two-byte character's second byte may look like a separator
        else if (c == '\\' || c == '/')
            last = i;
    }
    return last == std::string::npos ? path : path.substr(0, last);
}

}  // namespace

TLearnDialog::TLearnDialog(std::shared_ptr<TLearner> learner, int threshold,
                           std::vector<TAccount> accounts)
    : Threshold(threshold), Accounts(std::move(accounts)), Learner(std::move(learner)) {}

TLearnDialog::~TLearnDialog() {
    Stop = true;
    if (Worker.joinable()) Worker.join();
}

bool TLearnDialog::ShowModal(HWND owner) {
    Owner = owner;
    return RunModalDialog(owner) == IDOK;
}

void TLearnDialog::CreateControls() {
    HFONT font = UiFont::Form(Dpi::Of(Handle));
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(Handle, Caption);
    HWND handles[std::size(Controls)];
    ::CreateControls(Handle, Controls, font, handles);
    ThresholdEdit = GetDlgItem(Handle, IdThreshold);
    AccountList = GetDlgItem(Handle, IdAccounts);
    Progress = GetDlgItem(Handle, IdProgress);
    SetWindowTextA(ThresholdEdit, std::to_string(Threshold).c_str());
    SendMessageA(AccountList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    InsertColumn(AccountList, 0, TColumnSpec{"", 410, LVCFMT_LEFT});
    for (size_t i = 0; i < Accounts.size(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(Accounts[i].Name.c_str());
        SendMessageA(AccountList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        ListView_SetCheckState(AccountList, static_cast<int>(i), Accounts[i].LearnedDelete);
    }
    SendMessageA(Progress, PBM_SETRANGE32, 0, 1000);
    ShowCounts();
    PlaceOverOwner(Handle, Dpi::Scale(SIZE{ClientWidth, ClientHeight}, Dpi::Of(Handle)), Owner);
}

void TLearnDialog::ShowCounts() {
    std::string text = "学習したメール: 迷惑メール " + std::to_string(Learner->UnwantedCount()) +
                       " 通、迷惑メールではない " + std::to_string(Learner->WantedCount()) + " 通";
    if (!Learner->Ready())
        text += "\r\nそれぞれ " + std::to_string(TLearner::ReadyCount) +
                " 通以上学習すると、学習による判定を始めます。";
    SetDlgItemTextA(Handle, IdCounts, text.c_str());
}

void TLearnDialog::ImportClick() {
    const int which =
        MessageDlgCenter(Handle, WhichLabel, TMsgDlgType::Confirmation, mbYes | mbNo | mbCancel, 0);
    if (which != mrYes && which != mrNo) return;
    char path[MAX_PATH] = "";
    OPENFILENAMEA dialog = FileDialogFields(Handle, FileFilter, path, OFN_FILEMUSTEXIST);
    dialog.lpstrTitle =
        ".eml ファイルのどれか 1 つ (そのフォルダ全体) か mbox ファイルを選んでください";
    if (!GetOpenFileNameA(&dialog)) return;  // cancelled
    // One .eml file stands for its whole folder.
    StartImport(EndsWithEml(path) ? FolderOf(path) : std::string(path), which == mrYes);
}

void TLearnDialog::StartImport(const std::string& path, bool unwanted) {
    if (Importing()) return;
    ImportPath = path;
    Stop = false;
    Done = false;
    Permille = 0;
    for (int id : {IdImport, IdReset, IdOKButton}) EnableWindow(GetDlgItem(Handle, id), FALSE);
    EnableWindow(GetDlgItem(Handle, IdStopImport), TRUE);
    SendMessageA(Progress, PBM_SETPOS, 0, 0);
    SetTimer(Handle, ProgressTimer, ProgressMilliseconds, nullptr);
    std::shared_ptr<TLearner> learner = Learner;
    Worker = std::thread([this, path, unwanted, learner] {
        size_t learned = 0;
        std::vector<std::string> skipped;
        const bool ok = TMailImport::Read(
            path,
            [&](TMailImport::TLines header, double done) {
                learner->Learn(std::move(header), unwanted);
                if (++learned % LessonsPerWait == 0) learner->Wait();
                Permille = static_cast<int>(done * 1000);
                return !Stop;
            },
            skipped);
        learner->Wait();
        Learned = learned;
        Skipped = std::move(skipped);
        ReadFailed = !ok && !Stop;
        Done = true;
    });
}

void TLearnDialog::ImportTick() {
    SendMessageA(Progress, PBM_SETPOS, Permille.load(), 0);
    ShowCounts();
    if (Done) FinishImport();
}

void TLearnDialog::FinishImport() {
    KillTimer(Handle, ProgressTimer);
    Worker.join();
    for (int id : {IdImport, IdReset, IdOKButton}) EnableWindow(GetDlgItem(Handle, id), TRUE);
    EnableWindow(GetDlgItem(Handle, IdStopImport), FALSE);
    SendMessageA(Progress, PBM_SETPOS, Stop ? Permille.load() : 1000, 0);
    ShowCounts();
    std::string text;
    if (ReadFailed) text = "「" + ImportPath + "」を読めませんでした。\r\n";
    if (Stop) text += "中止しました。";
    text += std::to_string(Learned) + " 通のヘッダを学習しました。";
    if (!Skipped.empty()) {
        text += "\r\n\r\n読めなかったファイル (" + std::to_string(Skipped.size()) + " 件):";
        for (size_t i = 0; i < Skipped.size() && i < NamedSkips; ++i) text += "\r\n" + Skipped[i];
        if (Skipped.size() > NamedSkips) text += "\r\n...";
    }
    MessageDlgCenter(
        Handle, text,
        ReadFailed || !Skipped.empty() ? TMsgDlgType::Warning : TMsgDlgType::Information, mbOK, 0);
}

void TLearnDialog::ResetClick() {
    if (MessageDlgCenter(Handle, ResetQuestion, TMsgDlgType::Confirmation, mbYes | mbNo, 0, mbNo) !=
        mrYes)
        return;
    Learner->Reset();
    Learner->Wait();
    ShowCounts();
}

void TLearnDialog::OKButtonClick() {
    const std::string text = TextOf(ThresholdEdit);
    int percent = 0;
    for (char c : text) percent = percent > 1000 ? percent : percent * 10 + (c - '0');
    if (text.empty() || text.size() > 3 || percent < 1 || percent > 100) {
        MessageBeep(MB_ICONEXCLAMATION);
        MessageDlgCenter(Handle, ThresholdRefused, TMsgDlgType::Error, mbOK, 0);
        SetFocus(ThresholdEdit);
        return;
    }
    Threshold = percent;
    for (size_t i = 0; i < Accounts.size(); ++i)
        Accounts[i].LearnedDelete = ListView_GetCheckState(AccountList, static_cast<int>(i)) != 0;
    EndDialog(Handle, IDOK);
}

INT_PTR TLearnDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
        case WM_INITDIALOG:
            CreateControls();
            return TRUE;
        case WM_TIMER:
            if (wParam == ProgressTimer) ImportTick();
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wParam)) {
                case IdOKButton:
                    if (!Importing()) OKButtonClick();
                    return TRUE;
                case IdCancelButton:
                    // Closing stops an import where it is: what was learned stays learned.
                    Stop = true;
                    if (Importing()) Worker.join();
                    KillTimer(Handle, ProgressTimer);
                    EndDialog(Handle, IDCANCEL);
                    return TRUE;
                case IdImport:
                    ImportClick();
                    return TRUE;
                case IdStopImport:
                    Stop = true;
                    return TRUE;
                case IdReset:
                    ResetClick();
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}
