#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>

#include "DialogScript.h"
#include "GuiTest.h"
#include "app/MainCommands.h"
#include "app/PruneboxM.h"
#include "dialogs/ASetup.h"
#include "settings/AccountStore.h"
#include "settings/SettingsKeys.h"
#include "settings/WinRegistry.h"
#include "ui/Clipboard.h"
#include "ui/MsgDlg.h"

namespace {

using C = TMainCommands;
using GuiTest::ClickButton;
using GuiTest::TDialogScript;

const char* const TestBase = "\\Software\\Korvane\\PruneboxCommandsTest";

// A started main window over its own registry key with `accounts` stored accounts.
class MainCommandsTest : public ::testing::Test {
protected:
    TWinRegistry Registry{TestBase};
    TPruneboxM Main;
    bool Closed = false;

    void Start(int accounts) {
        Registry.DeleteKey(kConnectKey);
        Registry.DeleteKey(kSetupKey);
        TAccountStore store(Registry);
        for (int i = 1; i <= accounts; ++i) {
            TAccountSettings account;
            account.Name = "Account" + std::to_string(i);
            // A closed port on this machine: a connect fails at once and asks nothing.
            account.Serv = "127.0.0.1:1";
            account.IDNum = "user" + std::to_string(i);
            account.Pass = "pw";
            store.SaveAccount(account, TAccountStore::AccountKeyName(account.IDNum, "127.0.0.1"));
        }
        Main.RegistryBase = TestBase;
        Main.OnClosed = [this] { Closed = true; };
        Main.Create();
        ShowWindow(Main.Handle, SW_SHOWNORMAL);
        GuiTest::PumpPending();
    }
    void TearDown() override {
        for (int slot = 0; slot < Main.Accounts.PageCount; ++slot) {
            if (Main.Accounts.Pages[slot]) Main.Accounts.Pages[slot]->Worker->WaitIdle(5000);
        }
        Registry.DeleteKey(kConnectKey);
    }

    void Command(int id) {
        SendMessageA(Main.Handle, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        GuiTest::PumpPending();
    }
    TMainFrame& ActiveFrame() { return *Main.Accounts.Pages[Main.ActiveSlot()]->Frame; }
    void SelectTab(int index) { Main.MainPage.SelectIndex(index, true); }

    void AddRows(TChPage& page, int count) {
        for (int i = 0; i < count; ++i) {
            TMailRow row;
            for (int column = 0; column < TMailRow::ColumnCount; ++column)
                row.Columns[column] = "r" + std::to_string(i) + "c" + std::to_string(column);
            row.Columns[TMailRow::Title] = "件名, " + std::to_string(i);
            page.Frame->AddRow(row);
        }
        page.Frame->ShowRows();  // as the page's bridge does after each batch
        GuiTest::PumpPending();
    }
    std::vector<int> Ticked(const TMainFrame& frame) {
        std::vector<int> rows;
        for (int i = 0; i < frame.RowCount(); ++i) {
            if (SendMessageA(frame.MailView, LVM_GETITEMSTATE, i, LVIS_SELECTED)) rows.push_back(i);
        }
        return rows;
    }
    void Tick(const TMainFrame& frame, std::vector<int> rows) {
        for (int i = 0; i < frame.RowCount(); ++i) {
            LVITEMA item{};
            item.stateMask = LVIS_SELECTED;
            bool on = false;
            for (int r : rows) on = on || r == i;
            item.state = on ? LVIS_SELECTED : 0;
            SendMessageA(frame.MailView, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
        }
    }
    // A key pressed with Ctrl held, as the keyboard would deliver it to the list.
    void CtrlKey(HWND target, WPARAM key) {
        BYTE state[256];
        GetKeyboardState(state);
        BYTE pressed[256];
        std::copy(state, state + 256, pressed);
        pressed[VK_CONTROL] = 0x80;
        SetKeyboardState(pressed);
        PostMessageA(target, WM_KEYDOWN, key, 0);
        GuiTest::PumpPending();
        SetKeyboardState(state);
    }
    static std::string ClipboardText() {
        std::string text = "(none)";
        if (!OpenClipboard(nullptr)) return "(closed)";
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    }
    HWND ToolBar() { return GuiTest::Children(Main.Handle, TOOLBARCLASSNAMEA).front(); }
    // A real click on a tool button, through the tool bar's own mouse handling.
    void ClickTool(int id) {
        HWND bar = ToolBar();
        RECT rect{};
        SendMessageA(bar, TB_GETRECT, id, reinterpret_cast<LPARAM>(&rect));
        const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(bar, WM_LBUTTONUP, 0, at);
        GuiTest::PumpPending();
    }
};

std::string MenuText(HMENU menu, int position) {
    char text[128] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

TEST_F(MainCommandsTest, MenuBarItemsInOrderWithTheirShortcuts) {
    Start(0);
    HMENU bar = GetMenu(Main.Handle);
    ASSERT_NE(bar, nullptr);
    const std::vector<std::vector<std::string>> expected = {
        {"操作(&S)", "接続(&C)", "切断のみ(&K)", "削除 + 切断(&D)", "", "すべて接続", "すべて切断",
         "", "メールソフトの起動", "終了(&X)"},
        {"編集(&E)", "コピー(&C)\tCtrl+C", "", "選択を反転(&R)\tCtrl+R", "すべて選択(&A)\tCtrl+A",
         "すべて解除(&Z)\tCtrl+Z"},
        {"表示(&V)", "ツールバー(&T)", "拡張(&B)", "", "ヘッダ...(&D)", "削除履歴(&H)"},
        {"設定(&O)", "全体の設定...(&S)", "差出人リスト(&L)...", "学習(&E)...", "",
         "アカウントの設定...(&K)",
         "アカウントの削除(&D)", "", "新規アカウントの登録...(&A)"},
        {"ヘルプ(&H)", "ヘルプ(&H)\tF1", "", "Pruneboxについて...(&A)"},
    };
    ASSERT_EQ(GetMenuItemCount(bar), 5);
    for (int m = 0; m < 5; ++m) {
        EXPECT_EQ(MenuText(bar, m), expected[m][0]);
        HMENU sub = GetSubMenu(bar, m);
        ASSERT_EQ(GetMenuItemCount(sub), static_cast<int>(expected[m].size()) - 1) << m;
        for (int i = 1; i < static_cast<int>(expected[m].size()); ++i)
            EXPECT_EQ(MenuText(sub, i - 1), expected[m][i]) << m << " " << i;
    }
    // Extended view and tool bar are on after a first start; the check button mirrors the view.
    EXPECT_TRUE(GetMenuState(bar, C::IdMenuViewSmall, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(bar, C::IdMenuViewTool, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(SendMessageA(ToolBar(), TB_ISBUTTONCHECKED, C::IdToolButton6, 0));
}

TEST_F(MainCommandsTest, ToolBarButtonsSeparatorsAndHints) {
    Start(0);
    HWND bar = ToolBar();
    const struct {
        int Id;
        const char* Hint;
        int Image;
    } buttons[] = {
        {C::IdToolButton1, "接続", 0},
        {C::IdToolButton5, "削除 + 切断", 1},
        {C::IdToolButton4, "切断", 2},
        {0, nullptr, 0},
        {C::IdToolButton7, "アカウントの設定", 3},
        {C::IdToolButton6, "拡張表示", 4},
        {0, nullptr, 0},
        {C::IdToolButton11, "すべて接続", 7},
        {C::IdToolButton12, "すべて切断", 8},
        {0, nullptr, 0},
        {C::IdToolButton13, "メールソフトの起動", 9},
        {C::IdToolButton8, "ヘルプ", 5},
        {C::IdToolButton2, "終了", 6},
    };
    ASSERT_EQ(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0), 13);
    for (int i = 0; i < 13; ++i) {
        TBBUTTON button{};
        SendMessageA(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        RECT rect{};
        SendMessageA(bar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
        if (!buttons[i].Hint) {
            EXPECT_TRUE(button.fsStyle & BTNS_SEP) << i;
            EXPECT_EQ(rect.right - rect.left, 8) << i;
            continue;
        }
        EXPECT_EQ(button.idCommand, buttons[i].Id) << i;
        EXPECT_EQ(button.iBitmap, buttons[i].Image) << i;
        EXPECT_EQ(rect.right - rect.left, 27) << i;
        EXPECT_EQ((button.fsStyle & BTNS_CHECK) != 0, buttons[i].Id == C::IdToolButton6) << i;
        // The hint as the tool bar asks its parent for it.
        char text[80] = "unchanged";
        NMTBGETINFOTIPA tip{};
        tip.hdr.hwndFrom = bar;
        tip.hdr.idFrom = GetDlgCtrlID(bar);
        tip.hdr.code = TBN_GETINFOTIPA;
        tip.pszText = text;
        tip.cchTextMax = sizeof text;
        tip.iItem = buttons[i].Id;
        SendMessageA(Main.Handle, WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
        EXPECT_STREQ(text, buttons[i].Hint) << i;
    }
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(bar, TB_GETIMAGELIST, 0, 0));
    EXPECT_EQ(ImageList_GetImageCount(images), 10);
}

TEST_F(MainCommandsTest, CtrlCCopiesTheTickedRowsSixFieldsEach) {
    Start(1);
    SelectTab(0);
    TChPage& page = *Main.Accounts.Pages[Main.ActiveSlot()];
    AddRows(page, 3);
    Tick(*page.Frame, {0, 2});
    CtrlKey(page.Frame->MailView, 'C');
    EXPECT_EQ(ClipboardText(),
              "件名, 0,r0c1,r0c2,r0c3,r0c4,r0c5\r\n件名, 2,r2c1,r2c2,r2c3,r2c4,r2c5\r\n");
    Tick(*page.Frame, {});
    CtrlKey(page.Frame->MailView, 'C');
    EXPECT_EQ(ClipboardText(), "");
}

TEST_F(MainCommandsTest, CtrlRAZChangeTheTicksOnlyWhileTheAccountIsIdle) {
    Start(1);
    SelectTab(0);
    TMainFrame& frame = ActiveFrame();
    AddRows(*Main.Accounts.Pages[Main.ActiveSlot()], 4);
    Tick(frame, {0, 2});
    CtrlKey(frame.MailView, 'R');
    EXPECT_EQ(Ticked(frame), (std::vector<int>{1, 3}));
    EXPECT_EQ(frame.StatusBar1.Text(2), "削除予定 2通");
    CtrlKey(frame.MailView, 'A');
    EXPECT_EQ(Ticked(frame), (std::vector<int>{0, 1, 2, 3}));
    CtrlKey(frame.MailView, 'Z');
    EXPECT_EQ(Ticked(frame), std::vector<int>{});

    // While the worker runs its button panel is disabled: the keys do nothing.
    Tick(frame, {1});
    EnableWindow(frame.KvPanel1.Handle, FALSE);
    for (WPARAM key : {'R', 'A', 'Z'}) {
        CtrlKey(frame.MailView, key);
        EXPECT_EQ(Ticked(frame), std::vector<int>{1}) << char(key);
    }
    EnableWindow(frame.KvPanel1.Handle, TRUE);
}

TEST_F(MainCommandsTest, CtrlKeysInALoginFieldBelongToTheField) {
    Start(1);
    SelectTab(0);
    TMainFrame& frame = ActiveFrame();
    AddRows(*Main.Accounts.Pages[Main.ActiveSlot()], 3);
    for (HWND field : {frame.Serv, frame.IDNum, frame.Pass}) {
        for (WPARAM key : {'C', 'Z', 'A', 'R'}) {
            Tick(frame, {0, 2});
            PutClipboardText(nullptr, "before");
            SetFocus(field);
            CtrlKey(field, key);
            EXPECT_EQ(Ticked(frame), (std::vector<int>{0, 2})) << char(key);
            EXPECT_EQ(ClipboardText(), "before") << char(key);
        }
    }
}

TEST_F(MainCommandsTest, ShortcutsRunFromTheWindowProcedureNotInsideTheMessageHook) {
    Start(1);
    SelectTab(0);
    TMainFrame& frame = ActiveFrame();
    AddRows(*Main.Accounts.Pages[Main.ActiveSlot()], 2);
    const struct {
        WPARAM Key;
        std::vector<int> After;
    } cases[] = {{'A', {0, 1}}, {'Z', {}}};
    for (const auto& c : cases) {
        Tick(frame, {1});
        BYTE state[256], pressed[256];
        GetKeyboardState(state);
        std::copy(state, state + 256, pressed);
        pressed[VK_CONTROL] = 0x80;
        SetKeyboardState(pressed);
        PostMessageA(frame.MailView, WM_KEYDOWN, c.Key, 0);
        // Taking the key from the queue runs the hook: the key is spent, the command waits.
        MSG taken{};
        ASSERT_TRUE(PeekMessageA(&taken, frame.MailView, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
        EXPECT_EQ(taken.message, static_cast<UINT>(WM_NULL)) << char(c.Key);
        EXPECT_EQ(Ticked(frame), std::vector<int>{1}) << char(c.Key);
        MSG queued{};
        EXPECT_TRUE(PeekMessageA(&queued, Main.Handle, WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
        GuiTest::PumpPending();
        SetKeyboardState(state);
        EXPECT_EQ(Ticked(frame), c.After) << char(c.Key);
    }
}

TEST_F(MainCommandsTest, ShowHeaderAsksTheWorkerOnlyWhileIdle) {
    Start(1);
    SelectTab(0);
    TChPage& page = *Main.Accounts.Pages[Main.ActiveSlot()];
    AddRows(page, 2);
    Tick(*page.Frame, {1});
    EnableWindow(page.Frame->KvPanel1.Handle, FALSE);
    Command(C::IdMenuViewHead);
    EXPECT_EQ(page.Command, 0);
    EnableWindow(page.Frame->KvPanel1.Handle, TRUE);
    // The worker really fetches: whatever viewer it opens is closed again.
    TDialogScript closer({});
    Command(C::IdMenuViewHead);
    EXPECT_EQ(page.Command, TChPage::CommandHeader);
    GuiTest::PumpUntil([&] { return !page.Worker->Busy(); }, 10000);
    GuiTest::PumpUntil([] { return false; }, 300);
}

TEST_F(MainCommandsTest, AccountDialogCaptionsForTheThreeOpeners) {
    Start(1);
    const struct {
        int Tab;  // display index: 0 the account, 1 "新規"
        int Id;
        bool Tool;
        const char* Caption;
    } cases[] = {
        {0, C::IdMenuSetAccount, false, "アカウントの設定"},
        {1, C::IdMenuSetAccount, false, "アカウントの追加"},
        {0, C::IdMenuSetAdd, false, "アカウントの追加"},
        {0, C::IdToolButton7, true, "アカウントの設定"},
        {1, C::IdToolButton7, true, "アカウントの追加"},
    };
    for (const auto& c : cases) {
        SelectTab(c.Tab);
        TDialogScript script({{c.Caption, [](HWND d) { ClickButton(d, IDCANCEL); }}});
        if (c.Tool)
            ClickTool(c.Id);
        else
            Command(c.Id);
        EXPECT_TRUE(script.Done()) << c.Caption;
        EXPECT_TRUE(script.Unexpected.empty()) << c.Caption;
    }
    // Busy: no dialog at all.
    SelectTab(0);
    EnableWindow(ActiveFrame().KvPanel1.Handle, FALSE);
    TDialogScript none({});
    Command(C::IdMenuSetAdd);
    EXPECT_TRUE(none.Unexpected.empty());
    EnableWindow(ActiveFrame().KvPanel1.Handle, TRUE);
}

TEST_F(MainCommandsTest, ConnectAllReachesEveryPageOnlyWhenTheActiveOneIsIdle) {
    Start(2);
    SelectTab(0);
    auto commands = [&] {
        std::vector<int> seen;
        for (int slot = 0; slot < Main.Accounts.PageCount; ++slot)
            seen.push_back(Main.Accounts.Pages[slot]->Command);
        return seen;
    };
    EnableWindow(ActiveFrame().KvPanel1.Handle, FALSE);
    Command(C::IdMenuSosaMCon);
    EXPECT_EQ(commands(), (std::vector<int>{0, 0, 0}));
    EnableWindow(ActiveFrame().KvPanel1.Handle, TRUE);

    // The "新規" page (empty server) is given the command as well.
    SetWindowTextA(Main.Accounts.Pages[0]->Frame->Pass, "pw");
    Command(C::IdMenuSosaMCon);
    EXPECT_EQ(commands(), (std::vector<int>{1, 1, 1}));
    for (int slot = 0; slot < Main.Accounts.PageCount; ++slot)
        Main.Accounts.Pages[slot]->Worker->WaitIdle(5000);
    GuiTest::PumpUntil([&] { return IsWindowEnabled(ActiveFrame().KvPanel1.Handle) != FALSE; });
    ClickTool(C::IdToolButton12);
    EXPECT_EQ(commands(), (std::vector<int>{2, 2, 2}));
}

TEST_F(MainCommandsTest, RemoveAccountAsksThenSaysSoInTheNextTab) {
    Start(2);
    SelectTab(0);
    const std::string key = "user1@127.0.0.1";
    ASSERT_TRUE(Registry.KeyExists(std::string(kConnectKey) + "\\" + key));
    {
        TDialogScript script({{"確認", [](HWND d) { ClickButton(d, mrNo); }}});
        Command(C::IdMenuSetDel);
        EXPECT_EQ(script.Texts, std::vector<std::string>{"この接続先をリストから削除しますか?"});
    }
    EXPECT_EQ(Main.Accounts.PageCount, 3);
    {
        TDialogScript script({{"確認", [](HWND d) { ClickButton(d, mrYes); }}});
        Command(C::IdMenuSetDel);
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(Main.Accounts.PageCount, 2);
    EXPECT_FALSE(Registry.KeyExists(std::string(kConnectKey) + "\\" + key));
    EXPECT_EQ(ActiveFrame().StatusBar1.Text(0), "接続先リストから削除しました。");

    // On the "新規" tab nothing is asked.
    SelectTab(1);
    TDialogScript none({});
    Command(C::IdMenuSetDel);
    EXPECT_TRUE(none.Captions.empty() && none.Unexpected.empty());
    EXPECT_EQ(Main.Accounts.PageCount, 2);
}

TEST_F(MainCommandsTest, AboutBoxShowsTheVersion) {
    Start(0);
    TDialogScript script({{"Prunebox", [](HWND d) { ClickButton(d, mrOk); }}});
    Command(C::IdMenuHelpAbout);
    ASSERT_TRUE(script.Done());
    EXPECT_NE(script.Texts[0].find("\r\n                Ver 2.04"), std::string::npos)
        << script.Texts[0];
}

TEST_F(MainCommandsTest, ToolBarAndExtendedViewSwitches) {
    Start(1);
    SelectTab(0);
    HWND bar = ToolBar();
    auto top = [&](HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        return r.top;
    };
    Command(C::IdMenuViewTool);
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_FALSE(GetMenuState(GetMenu(Main.Handle), C::IdMenuViewTool, MF_BYCOMMAND) & MF_CHECKED);
    const int tabsWithout = top(Main.MainPage.Handle);
    Command(C::IdMenuViewTool);
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_LT(top(bar), top(Main.MainPage.Handle));
    EXPECT_GT(top(Main.MainPage.Handle), tabsWithout);

    // The check button and the menu item switch the view together.
    ClickTool(C::IdToolButton6);
    EXPECT_FALSE(Main.ExtendedView);
    EXPECT_FALSE(IsWindowVisible(ActiveFrame().KvPanel1.Handle));
    EXPECT_FALSE(GetMenuState(GetMenu(Main.Handle), C::IdMenuViewSmall, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(SendMessageA(bar, TB_ISBUTTONCHECKED, C::IdToolButton6, 0));
    Command(C::IdMenuViewSmall);
    EXPECT_TRUE(Main.ExtendedView);
    EXPECT_TRUE(SendMessageA(bar, TB_ISBUTTONCHECKED, C::IdToolButton6, 0));

    // Refused while busy, and the button still shows the menu's state.
    EnableWindow(ActiveFrame().KvPanel1.Handle, FALSE);
    ClickTool(C::IdToolButton6);
    EXPECT_TRUE(Main.ExtendedView);
    EXPECT_TRUE(SendMessageA(bar, TB_ISBUTTONCHECKED, C::IdToolButton6, 0));
    EnableWindow(ActiveFrame().KvPanel1.Handle, TRUE);
}

TEST_F(MainCommandsTest, MailProgramStartsFromItsCommandLine) {
    Start(0);
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    const std::string marker = std::string(directory) + "prunebox-mailer-marker.txt";
    DeleteFileA(marker.c_str());
    Main.MailerCommand = "cmd.exe /c echo started> \"" + marker + "\"";
    Command(C::IdMunuSosaMail);
    EXPECT_TRUE(GuiTest::PumpUntil(
        [&] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000));
    DeleteFileA(marker.c_str());
    // An empty or wrong command fails silently.
    TDialogScript none({});
    Main.MailerCommand = "";
    Command(C::IdMunuSosaMail);
    Main.MailerCommand = "no-such-program.exe";
    Command(C::IdMunuSosaMail);
    EXPECT_TRUE(none.Unexpected.empty());
}

// For the length of a test, the shell's "open" of .html files writes the file it was given
// into `marker` instead of starting a browser.
class THtmlOpenRecorder {
public:
    explicit THtmlOpenRecorder(const std::string& marker) : Classes("", "Software\\Classes") {
        Classes.SetRoot(TRegistryRoot::LocalMachine);
        Classes.OpenKey("\\.html", true);
        Original = Classes.ReadString("");
        Classes.WriteString("", ProgId);
        Classes.OpenKey(std::string("\\") + ProgId + "\\shell\\open\\command", true);
        Classes.WriteString("", "cmd.exe /c echo %1> \"" + marker + "\"");
    }
    ~THtmlOpenRecorder() {
        Classes.OpenKey("\\.html", true);
        if (Original)
            Classes.WriteString("", *Original);
        else
            Classes.DeleteValue("");
        Classes.DeleteKey(std::string("\\") + ProgId);
    }

private:
    static constexpr const char* ProgId = "PruneboxTestHtml";
    TWinRegistry Classes;
    std::optional<std::string> Original;
};

TEST_F(MainCommandsTest, HelpOpensTheHelpFileOfTheCurrentDirectory) {
    Start(0);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string directory = std::string(temp) + "prunebox-help-test";
    CreateDirectoryA(directory.c_str(), nullptr);
    CreateDirectoryA((directory + "\\help").c_str(), nullptr);
    std::ofstream(directory + "\\help\\prunebox.html") << "<html></html>";
    const std::string marker = directory + "\\opened.txt";
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(directory.c_str());
    THtmlOpenRecorder recorder(marker);

    const std::vector<std::pair<const char*, std::function<void()>>> openers = {
        {"F1", [&] { PostMessageA(ActiveFrame().MailView, WM_KEYDOWN, VK_F1, 0); }},
        {"menu", [&] { Command(C::IdMenuHelpHelp); }},
        {"tool button", [&] { ClickTool(C::IdToolButton8); }},
        {"account dialog",
         [&] {
             TDialogScript script({{"アカウントの追加", [](HWND dialog) {
                                        GuiTest::SendCommand(dialog, TASetup::IdHelpButton);
                                        ClickButton(dialog, IDCANCEL);
                                    }}});
             Command(C::IdMenuSetAdd);
         }},
    };
    for (const auto& opener : openers) {
        DeleteFileA(marker.c_str());
        opener.second();
        ASSERT_TRUE(GuiTest::PumpUntil(
            [&] {
                std::ifstream in(marker);
                std::string line;
                return std::getline(in, line) && line.find("prunebox.html") != std::string::npos;
            },
            20000))
            << opener.first;
        std::ifstream in(marker);
        std::string opened;
        std::getline(in, opened);
        EXPECT_NE(opened.find("help\\prunebox.html"), std::string::npos) << opened;
    }
    SetCurrentDirectoryA(previous);
    DeleteFileA(marker.c_str());
}

TEST_F(MainCommandsTest, ExitClosesTheWindow) {
    Start(0);
    ClickTool(C::IdToolButton2);
    EXPECT_TRUE(Closed);
}

}  // namespace
