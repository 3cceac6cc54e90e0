#include "app/MainCommands.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dialogs/ASetup.h"
#include "dialogs/DeleteHistoryView.h"
#include "dialogs/GeneralSetup.h"
#include "dialogs/LearnDialog.h"
#include "dialogs/SenderListDialog.h"
#include "history/FileSystem.h"
#include "page/MailRows.h"
#include "settings/AccountStore.h"
#include "settings/SetupStore.h"
#include "ui/Clipboard.h"
#include "ui/MsgDlg.h"
#include "ui/ResStrings.h"

namespace {

using THandler = void (TMainCommands::*)(const TMainCommands::TSender&);
using T = TMainCommands;

// One menu item, or a separator (Id 0), or the head of a menu (Handler null, Id -1).
struct TMenuEntry {
    int Id;
    const char* Name;
    const char* Caption;
    int Tag;
    THandler Handler;
};

constexpr int MenuHead = -1, Separator = 0;
// The worker commands the Sosa items and buttons carry in their Tag.
constexpr int Connect = TChPage::CommandConnect, Disconnect = TChPage::CommandDisconnect,
              DeleteMail = TChPage::CommandDelete;

const TMenuEntry MenuTable[] = {
    {MenuHead, "MenuSosa", "操作(&S)", 0, nullptr},
    {T::IdMenuSosaCon, "MenuSosaCon", "接続(&C)", Connect, &T::MenuSosaConClick},
    {T::IdMenuSosaKill, "MenuSosaKill", "切断のみ(&K)", Disconnect, &T::MenuSosaConClick},
    {T::IdMenuSosaDel, "MenuSosaDel", "削除 + 切断(&D)", DeleteMail, &T::MenuSosaConClick},
    {Separator, "N6", nullptr, 0, nullptr},
    {T::IdMenuSosaMCon, "MenuSosaMCon", "すべて接続", Connect, &T::MenuSosaMConClick},
    {T::IdMunuSosaMKill, "MunuSosaMKill", "すべて切断", Disconnect, &T::MenuSosaMConClick},
    {Separator, "N2", nullptr, 0, nullptr},
    {T::IdMunuSosaMail, "MunuSosaMail", "メールソフトの起動", 0, &T::MunuSosaMailClick},
    {T::IdExit1, "Exit1", "終了(&X)", 0, &T::Exit1Click},
    {MenuHead, "MenuEdit", "編集(&E)", 0, nullptr},
    {T::IdMenuEditCopy, "MenuEditCopy", "コピー(&C)\tCtrl+C", 0, &T::MenuEditCopyClick},
    {Separator, "N4", nullptr, 0, nullptr},
    {T::IdMenuEditRev, "MenuEditRev", "選択を反転(&R)\tCtrl+R", 0, &T::MenuEditRevClick},
    {T::IdMenuEditAll, "MenuEditAll", "すべて選択(&A)\tCtrl+A", 1, &T::MenuEditRevClick},
    {T::IdMenuEditDel, "MenuEditDel", "すべて解除(&Z)\tCtrl+Z", 2, &T::MenuEditRevClick},
    {MenuHead, "MenuView", "表示(&V)", 0, nullptr},
    {T::IdMenuViewTool, "MenuViewTool", "ツールバー(&T)", 0, &T::MenuViewToolClick},
    {T::IdMenuViewSmall, "MenuViewSmall", "拡張(&B)", 0, &T::MenuViewSmallClick},
    {Separator, "N3", nullptr, 0, nullptr},
    {T::IdMenuViewHead, "MenuViewHead", "ヘッダ...(&D)", 0, &T::MenuViewHeadClick},
    {T::IdMenuViewHistory, "MenuViewHistory", "削除履歴(&H)", 0, &T::MenuViewHistoryClick},
    {MenuHead, "MenuSet", "設定(&O)", 0, nullptr},
    {T::IdMenuSetAll, "MenuSetAll", "全体の設定...(&S)", 0, &T::MenuSetAllClick},
    {T::IdMenuSetSenders, "MenuSetSenders", "差出人リスト(&L)...", 0, &T::MenuSetSendersClick},
    {T::IdMenuSetLearn, "MenuSetLearn", "学習(&E)...", 0, &T::MenuSetLearnClick},
    {Separator, "N5", nullptr, 0, nullptr},
    {T::IdMenuSetAccount, "MenuSetAccount", "アカウントの設定...(&K)", 0, &T::MenuSetAddClick},
    {T::IdMenuSetDel, "MenuSetDel", "アカウントの削除(&D)", 0, &T::MenuSetDelClick},
    {Separator, "N9", nullptr, 0, nullptr},
    {T::IdMenuSetAdd, "MenuSetAdd", "新規アカウントの登録...(&A)", 0, &T::MenuSetAddClick},
    {MenuHead, "MenuHelp", "ヘルプ(&H)", 0, nullptr},
    {T::IdMenuHelpHelp, "MenuHelpHelp", "ヘルプ(&H)\tF1", 0, &T::MenuHelpHelpClick},
    {Separator, "N1", nullptr, 0, nullptr},
    {T::IdMenuHelpAbout, "MenuHelpAbout", "Pruneboxについて...(&A)", 0, &T::MenuHelpAboutClick},
};

// One tool button or separator (Id 0), left to right.
struct TToolEntry {
    int Id;
    const char* Name;
    const char* Hint;
    int Image;
    int Tag;
    BYTE Style;
    THandler Handler;
};

const TToolEntry ToolTable[] = {
    {T::IdToolButton1, "ToolButton1", "接続", 0, Connect, BTNS_BUTTON, &T::MenuSosaConClick},
    {T::IdToolButton5, "ToolButton5", "削除 + 切断", 1, DeleteMail, BTNS_BUTTON,
     &T::MenuSosaConClick},
    {T::IdToolButton4, "ToolButton4", "切断", 2, Disconnect, BTNS_BUTTON, &T::MenuSosaConClick},
    {0, "ToolButton3", nullptr, 0, 0, BTNS_SEP, nullptr},
    {T::IdToolButton7, "ToolButton7", "アカウントの設定", 3, 0, BTNS_BUTTON, &T::MenuSetAddClick},
    {T::IdToolButton6, "ToolButton6", "拡張表示", 4, 0, BTNS_CHECK, &T::MenuViewSmallClick},
    {0, "ToolButton9", nullptr, 0, 0, BTNS_SEP, nullptr},
    {T::IdToolButton11, "ToolButton11", "すべて接続", 7, Connect, BTNS_BUTTON,
     &T::MenuSosaMConClick},
    {T::IdToolButton12, "ToolButton12", "すべて切断", 8, Disconnect, BTNS_BUTTON,
     &T::MenuSosaMConClick},
    {0, "ToolButton10", nullptr, 0, 0, BTNS_SEP, nullptr},
    {T::IdToolButton13, "ToolButton13", "メールソフトの起動", 9, 0, BTNS_BUTTON,
     &T::MunuSosaMailClick},
    {T::IdToolButton8, "ToolButton8", "ヘルプ", 5, 0, BTNS_BUTTON, &T::MenuHelpHelpClick},
    {T::IdToolButton2, "ToolButton2", "終了", 6, 0, BTNS_BUTTON, &T::Exit1Click},
};

constexpr int ButtonWidth = 27, ButtonHeight = 26, SeparatorWidth = 8, ImageSize = 20;
constexpr int ImageCount = 10;
constexpr COLORREF ImageClearColour = RGB(255, 0, 255);

const ACCEL ShortcutTable[] = {
    {FVIRTKEY | FCONTROL, 'C', T::IdMenuEditCopy}, {FVIRTKEY | FCONTROL, 'R', T::IdMenuEditRev},
    {FVIRTKEY | FCONTROL, 'A', T::IdMenuEditAll},  {FVIRTKEY | FCONTROL, 'Z', T::IdMenuEditDel},
    {FVIRTKEY, VK_F1, T::IdMenuHelpHelp},
};

// The command of a key message with the modifiers held now; 0 for none.
int ShortcutCommand(const MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return 0;
    auto held = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    const BYTE modifiers = (held(VK_CONTROL) ? FCONTROL : 0) | (held(VK_SHIFT) ? FSHIFT : 0) |
                           (held(VK_MENU) ? FALT : 0);
    for (const ACCEL& shortcut : ShortcutTable) {
        if (shortcut.key == message.wParam &&
            (shortcut.fVirt & (FCONTROL | FSHIFT | FALT)) == modifiers)
            return shortcut.cmd;
    }
    return 0;
}

bool IsEditField(HWND window) {
    char name[16];
    return GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, "Edit") == 0;
}

// The column texts of a copied row are joined by this; the row ends with CR LF.
const char* const CopySeparator = ",";
const char* const NoProgramFolder =
    "削除履歴のフォルダ (%LOCALAPPDATA%\\Prunebox) を開けませんでした。";
const char* const StartWithWindowsFailed =
    "Windows の起動時に開始する設定をレジストリに書き込めませんでした。";
constexpr int CopiedColumns = MailColumn::Designated + 1;

}  // namespace

TMainCommands::TMainCommands(TCommandHost& host, HWND mainWindow, TAccountTable& accounts,
                             TPageControl& tabs, HWND toolBar, TRegistryAccessor& registry)
    : Host(host),
      MainWindow(mainWindow),
      Accounts(accounts),
      Tabs(tabs),
      ToolBar1(toolBar),
      Registry(registry) {
    CreateMainMenu();
    CreateToolButtons();
    ShowViewState();
}

TMainCommands::~TMainCommands() {
    // The menu goes with the window it belongs to.
    if (ToolBar1 && IsWindow(ToolBar1)) SendMessageA(ToolBar1, TB_SETIMAGELIST, 0, 0);
    if (ImageList1) ImageList_Destroy(ImageList1);
}

void TMainCommands::CreateMainMenu() {
    MainMenu1 = CreateMenu();
    HMENU current = nullptr;
    for (const TMenuEntry& entry : MenuTable) {
        if (entry.Id == MenuHead) {
            current = CreatePopupMenu();
            AppendMenuA(MainMenu1, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(current),
                        entry.Caption);
        } else if (entry.Id == Separator) {
            AppendMenuA(current, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuA(current, MF_STRING, entry.Id, entry.Caption);
        }
    }
    SetMenu(MainWindow, MainMenu1);
}

void TMainCommands::CreateToolButtons() {
    if (!ToolBar1) return;
    ImageList1 = ImageList_Create(ImageSize, ImageSize, ILC_COLOR24 | ILC_MASK, ImageCount, 0);
    HBITMAP strip = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), "TOOLIMAGES", IMAGE_BITMAP, 0, 0, 0));
    if (strip) {
        ImageList_AddMasked(ImageList1, strip, ImageClearColour);
        DeleteObject(strip);
    }
    SendMessageA(ToolBar1, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ImageList1));
    SendMessageA(ToolBar1, TB_SETBITMAPSIZE, 0, MAKELPARAM(ImageSize, ImageSize));
    std::vector<TBBUTTON> buttons;
    for (const TToolEntry& entry : ToolTable) {
        TBBUTTON button{};
        button.iBitmap = entry.Style == BTNS_SEP ? SeparatorWidth : entry.Image;
        button.idCommand = entry.Id;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = entry.Style;
        button.iString = -1;
        buttons.push_back(button);
    }
    SendMessageA(ToolBar1, TB_ADDBUTTONSA, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageA(ToolBar1, TB_SETBUTTONSIZE, 0, MAKELPARAM(ButtonWidth, ButtonHeight));
}

std::string TMainCommands::Hint(int id) {
    for (const TToolEntry& entry : ToolTable) {
        if (entry.Id == id && entry.Hint) return entry.Hint;
    }
    return "";
}

void TMainCommands::ShowViewState() {
    CheckMenuItem(MainMenu1, IdMenuViewTool, Host.ToolBarShown() ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(MainMenu1, IdMenuViewSmall, Host.ExtendedViewShown() ? MF_CHECKED : MF_UNCHECKED);
    if (ToolBar1) SendMessageA(ToolBar1, TB_CHECKBUTTON, IdToolButton6, Host.ExtendedViewShown());
}

bool TMainCommands::HandleCommand(int id) {
    if (id <= 0) return false;
    for (const TMenuEntry& entry : MenuTable) {
        if (entry.Id == id && entry.Handler) {
            (this->*entry.Handler)(TSender{entry.Id, entry.Name, entry.Tag});
            return true;
        }
    }
    for (const TToolEntry& entry : ToolTable) {
        if (entry.Id == id && entry.Handler) {
            (this->*entry.Handler)(TSender{entry.Id, entry.Name, entry.Tag});
            return true;
        }
    }
    return false;
}

bool TMainCommands::HandleNotify(const NMHDR& header, LRESULT& result) {
    if (header.code == TBN_GETINFOTIPA && header.hwndFrom == ToolBar1) {
        auto& tip = const_cast<NMTBGETINFOTIPA&>(reinterpret_cast<const NMTBGETINFOTIPA&>(header));
        const std::string hint = Hint(tip.iItem);
        if (tip.pszText && tip.cchTextMax > 0) lstrcpynA(tip.pszText, hint.c_str(), tip.cchTextMax);
        result = 0;
        return true;
    }
    if (header.code == TTN_GETDISPINFOA) {
        const std::string hint = Hint(static_cast<int>(header.idFrom));
        if (hint.empty()) return false;
        auto& info = const_cast<NMTTDISPINFOA&>(reinterpret_cast<const NMTTDISPINFOA&>(header));
        lstrcpynA(info.szText, hint.c_str(), sizeof info.szText);
        info.lpszText = info.szText;
        result = 0;
        return true;
    }
    return false;
}

void TMainCommands::TranslateShortcut(MSG& message) {
    // Only keys of the main window itself: a dialog's own Ctrl+C stays the dialog's.
    if (!message.hwnd || GetAncestor(message.hwnd, GA_ROOT) != MainWindow) return;
    const int command = ShortcutCommand(message);
    if (!command) return;
    // Ctrl+C, Ctrl+Z, Ctrl+A and Ctrl+R in an edit field are the field's own.
    if (command != IdMenuHelpHelp && IsEditField(message.hwnd)) return;
    // Run later by the window procedure: a command that opens a dialog must not run its
    // modal loop inside the message hook. The code 1 marks a shortcut, as for accelerators.
    PostMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(command, 1), 0);
    message.message = WM_NULL;
}

bool TMainCommands::ActivePageIdle() const {
    const int slot = ActiveSlot();
    const TChPage* page = Accounts.Page(slot);
    return page && IsWindowEnabled(page->Frame->KvPanel1.Handle) != FALSE;
}

void TMainCommands::MenuSosaConClick(const TSender& sender) {
    if (!ActivePageIdle()) return;
    Accounts.Pages[ActiveSlot()]->Frame->LogonClick(sender.Tag);
}

void TMainCommands::MenuSosaMConClick(const TSender& sender) {
    if (!ActivePageIdle()) return;
    // Every page, the "新規" page and busy ones included: the worker decides what to do.
    for (int slot = 0; slot < Accounts.PageCount; ++slot) {
        if (Accounts.Pages[slot]) Accounts.Pages[slot]->Frame->LogonClick(sender.Tag);
    }
}

void TMainCommands::MunuSosaMailClick(const TSender&) {
    const std::string mailer = Host.MailerCommandLine();
    std::vector<char> commandLine(mailer.begin(), mailer.end());
    commandLine.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // A missing or wrong command fails without a message.
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void TMainCommands::Exit1Click(const TSender&) { SendMessageA(MainWindow, WM_CLOSE, 0, 0); }

void TMainCommands::MenuEditCopyClick(const TSender&) {
    const int slot = ActiveSlot();
    if (slot < 0 || !Accounts.Pages[slot]) return;
    TMainFrame& frame = *Accounts.Pages[slot]->Frame;
    const TMailList& mails = frame.Mails();
    std::string text;
    const int rows = frame.RowCount();
    for (int row = 0; row < rows; ++row) {
        if (!mails.Ticked(static_cast<size_t>(row))) continue;
        for (int column = 0; column < CopiedColumns; ++column) {
            if (column > 0) text += CopySeparator;
            text += frame.CellText(row, column);
        }
        text += "\r\n";
    }
    PutClipboardText(MainWindow, text);
}

void TMainCommands::MenuEditRevClick(const TSender& sender) {
    if (!ActivePageIdle()) return;
    TMainFrame& frame = *Accounts.Pages[ActiveSlot()]->Frame;
    SetFocus(frame.MailView);
    frame.TickAll(sender.Tag);
}

void TMainCommands::MenuViewToolClick(const TSender&) {
    Host.ShowToolBar(!Host.ToolBarShown());  // also arranges the active page
    ShowViewState();
}

void TMainCommands::MenuViewSmallClick(const TSender&) {
    if (ActivePageIdle()) {
        Host.SetExtendedView(!Host.ExtendedViewShown());
        Accounts.Pages[ActiveSlot()]->ArrangePage();
    }
    // Also when refused: the check button may have toggled itself when it was clicked.
    ShowViewState();
}

void TMainCommands::MenuViewHeadClick(const TSender&) {
    if (!ActivePageIdle()) return;
    Accounts.Pages[ActiveSlot()]->Frame->MailViewDblClick();
}

void TMainCommands::MenuViewHistoryClick(const TSender&) {
    const std::string folder = FileSystem::ProgramDataFolder();
    if (folder.empty()) {
        MessageDlgCenter(MainWindow, NoProgramFolder, TMsgDlgType::Error, mbOK, 0);
        return;
    }
    TDeleteHistoryView(folder).ShowModal(MainWindow);
}

void TMainCommands::MenuSetAllClick(const TSender&) {
    const int slot = ActiveSlot();
    HFONT listFont = nullptr;
    if (slot >= 0 && Accounts.Pages[slot])
        listFont = reinterpret_cast<HFONT>(
            SendMessageA(Accounts.Pages[slot]->Frame->MailView, WM_GETFONT, 0, 0));
    // The lamps: what the tabs do in this run, not what may have been stored during it.
    const bool startsWithWindows = TSetupStore(Registry).StartsWithWindows();
    TGeneralSetup setup(listFont, Tabs.TabPosition(), Tabs.OwnerDraw(), Host.ResidentSettings(),
                        startsWithWindows);
    if (!setup.ShowModal(MainWindow)) return;
    const TGeneralValues values = setup.Values();
    // Every list, the "新規" page's included, takes the font, chosen or not.
    Host.SetListFont(values.FontName, values.FontSize, values.FontStyle);
    Host.SetTabPosition(values.TabPosition);
    // The tabs keep their drawing in this run; the next start reads the switch.
    TSetupStore(Registry).SaveLedSetting(values.Led);
    Host.SetResidentSettings(values.Resident);
    if (values.StartWithWindows != startsWithWindows) {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, path, sizeof path);
        if (!TSetupStore(Registry).SaveStartWithWindows(values.StartWithWindows, path))
            MessageDlgCenter(MainWindow, StartWithWindowsFailed, TMsgDlgType::Error, mbOK, 0);
    }
}

void TMainCommands::MenuSetSendersClick(const TSender&) {
    // Saved lists count for every list at once.
    if (TSenderListDialog(Registry).ShowModal(MainWindow)) Host.RulesChanged();
}

void TMainCommands::MenuSetLearnClick(const TSender&) {
    const std::shared_ptr<TLearner> learner = Host.Learner();
    if (!learner) return;
    std::vector<TChPage*> pages;
    std::vector<TLearnDialog::TAccount> accounts;
    for (int slot = 1; slot < Accounts.PageCount; ++slot) {
        TChPage* page = Accounts.Pages[slot].get();
        if (!page || page->KeyName.empty()) continue;
        pages.push_back(page);
        accounts.push_back({page->TabSheet->Caption(), page->Filter.LearnedDelete});
    }
    TLearnDialog dialog(learner, Host.LearnThreshold(), accounts);
    if (!dialog.ShowModal(MainWindow)) return;
    Host.SetLearnThreshold(dialog.Threshold);
    TAccountStore store(Registry);
    for (size_t i = 0; i < pages.size(); ++i) {
        const bool on = dialog.Accounts[i].LearnedDelete;
        if (on == pages[i]->Filter.LearnedDelete) continue;
        pages[i]->Filter.LearnedDelete = on;
        store.SaveLearnedDelete(pages[i]->KeyName, on);
    }
    // Rows are decided again with the percent and the accounts' choices of now.
    Host.RulesChanged();
}

void TMainCommands::MenuSetAddClick(const TSender& sender) {
    const bool newAccount = std::strcmp(sender.Name, "MenuSetAdd") == 0 || ActiveSlot() == 0;
    if (!ActivePageIdle()) return;
    RedrawWindow(Accounts.Pages[ActiveSlot()]->Frame->Handle, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    TASetup setup(Accounts, Registry, ActiveSlot());
    setup.SetBasicView(true);
    setup.NewAccount = newAccount;
    setup.Caption =
        LoadResString(S_ACCOUNT_DIALOG) + LoadResString(newAccount ? S_ADD : S_SETTINGS);
    setup.ShowModal();
}

void TMainCommands::MenuSetDelClick(const TSender&) {
    if (!ActivePageIdle() || ActiveSlot() == 0) return;
    MessageBeep(MB_ICONQUESTION);
    if (MessageDlgCenter(MainWindow, LoadResString(S_CONFIRM_REMOVE), TMsgDlgType::Confirmation,
                         mbYes | mbNo, 0) != mrYes)
        return;
    Host.RemoveAccount(ActiveSlot());
    const int slot = ActiveSlot();
    if (slot < 0 || !Accounts.Pages[slot]) return;
    Accounts.Pages[slot]->ArrangePage();
    Accounts.Pages[slot]->Frame->StatusBar1.SetText(0, LoadResString(S_REMOVED));
    Host.RedrawTabs();
}

void TMainCommands::MenuHelpHelpClick(const TSender&) {
    // A missing help file gives no message from the program.
    ShellExecuteA(MainWindow, "OPEN", LoadResString(S_HELP_FILE).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

void TMainCommands::MenuHelpAboutClick(const TSender&) {
    MessageBeep(MB_ICONASTERISK);
    const double version = std::strtod(LoadResString(S_VERSION).c_str(), nullptr);
    char text[256];
    std::snprintf(text, sizeof text, LoadResString(S_ABOUT).c_str(), version);
    MessageDlgCenter(MainWindow, text, TMsgDlgType::Custom, mbOK, 0);
}
