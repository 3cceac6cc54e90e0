// The header viewer over a started main window: its lines, its pop-up commands, and the rule
// and designated-header commands through the account dialogs, on the real registry.
// commctrl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include "DialogScript.h"
#include "GuiTest.h"
#include "StartedMain.h"
#include "dialogs/ASetup.h"
#include "dialogs/DelHead.h"
#include "dialogs/MailForm.h"
#include "settings/AccountStore.h"
#include "settings/WinRegistry.h"
#include "ui/Clipboard.h"
#include "ui/MsgDlg.h"

namespace {

using GuiTest::TDialogScript;
using GuiTest::TScriptStep;
using Lines = std::vector<std::string>;

const char* const ViewerCaption = "ヘッダの表示　-　test";
const char* const AccountKey = "user@pop.example.jp";

std::string ClipboardText() {
    if (!OpenClipboard(nullptr)) return "(closed)";
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

Lines ListLines(HWND list) {
    Lines lines;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char line[1024] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        lines.push_back(line);
    }
    return lines;
}

bool Enabled(HMENU menu, int id) {
    return (GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

// A started main window with one account, active, whose page holds `lines`.
struct TViewerFixture {
    TStarted Started{1};
    TChPage& Page;

    // The page of the account (slot 1) or the "新規" page (slot 0) holds the lines.
    explicit TViewerFixture(Lines lines, const std::string& design = "", int slot = 1)
        : Page(*Started.Main.Accounts.Pages[slot]) {
        Page.HeaderLines = std::move(lines);
        Page.Design = design;
        Page.LogEnabled = true;
        SetWindowTextA(Page.Frame->Serv, "pop.example.jp");
        SetWindowTextA(Page.Frame->IDNum, "user");
        TWinRegistry(TestRegistryBase).DeleteKey("\\Connect");
    }
    // Opens the viewer; the script acts on it and on what it opens, and must close it.
    void Show(TDialogScript& script, TMailForm& viewer) {
        viewer.Caption = ViewerCaption;
        viewer.ShowModal(Started.Main.Handle);
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(script.Unexpected, Lines{});
    }
    std::string StoredDesign() {
        TWinRegistry registry(TestRegistryBase);
        TAccountStore store(registry);
        if (!store.OpenAccount(AccountKey)) return "(no account)";
        return store.LoadAccount().Design;
    }
};

void Select(HWND viewer, int index) {
    HWND list = GetDlgItem(viewer, TMailForm::IdHeadListBox);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    SendMessageA(list, LB_SETSEL, TRUE, index);
}
std::vector<int> Chosen(HWND list) {
    std::vector<int> chosen;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (SendMessageA(list, LB_GETSEL, i, 0) > 0) chosen.push_back(i);
    }
    return chosen;
}
// A key pressed with Ctrl held, as the keyboard would deliver it to the list.
void CtrlKey(HWND target, WPARAM key) {
    BYTE state[256], pressed[256];
    GetKeyboardState(state);
    std::copy(state, state + 256, pressed);
    pressed[VK_CONTROL] = 0x80;
    SetKeyboardState(pressed);
    PostMessageA(target, WM_KEYDOWN, key, 0);
    GuiTest::PumpPending();
    SetKeyboardState(state);
}
void Command(HWND viewer, int id, bool post) {
    if (post)
        PostMessageA(viewer, WM_COMMAND, id, 0);
    else
        SendMessageA(viewer, WM_COMMAND, id, 0);
}

TEST(MailFormTest, SplitHeaderLineCutsAfterTheFirstColonAndOneCharacter) {
    struct TCase {
        std::string Line, Name, Value;
    };
    const TCase cases[] = {
        {"X-Mailer: Foo 1.0", "X-Mailer:", "Foo 1.0"},
        {"To: a:b", "To:", "a:b"},
        {"Subject:", "Subject:", ""},
        {"Subject: ", "Subject:", ""},
        {"Subject:件名", "Subject:", "名"},  // the separator is one character, two bytes here
        {"no colon", "", "o colon"},
        {"", "", ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(TMailForm::SplitHeaderLine(c.Line, TMailForm::TLinePart::Name), c.Name) << c.Line;
        EXPECT_EQ(TMailForm::SplitHeaderLine(c.Line, TMailForm::TLinePart::Value), c.Value)
            << c.Line;
    }
}

TEST(MailFormTest, ShowsTheLinesAsTheWorkerGaveThem) {
    struct TCase {
        Lines Given, Shown;
    };
    const std::string longLine = "Received: " + std::string(400, 'x');
    const TCase cases[] = {
        {{"From: a@example.jp", longLine, "Subject: 会議"},
         {"From: a@example.jp", longLine, "Subject: 会議"}},
        // Header text is never taken for a mark of the worker's.
        {{"From: a@example.jp", "Subject: 50%&%"}, {"From: a@example.jp", "Subject: 50%&%"}},
        // No subject: the lines as they are, the last one unchanged.
        {{"From: a@example.jp", "To: b@example.jp"}, {"From: a@example.jp", "To: b@example.jp"}},
        {{}, {}},
    };
    for (const TCase& c : cases) {
        TViewerFixture fixture(c.Given);
        TMailForm viewer(fixture.Started.Main.Accounts, fixture.Started.Main.Registry.get(), 1);
        Lines shown;
        int extent = 0, listWidth = 0;
        RECT bounds{};
        LONG style = 0, exStyle = 0;
        std::string nazo;
        HWND nazoButton = nullptr, belowList = nullptr;
        TDialogScript script({{ViewerCaption, [&](HWND window) {
                                   HWND list = GetDlgItem(window, TMailForm::IdHeadListBox);
                                   shown = ListLines(list);
                                   extent = static_cast<int>(
                                       SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0));
                                   RECT client{};
                                   GetClientRect(list, &client);
                                   listWidth = client.right;
                                   GetWindowRect(window, &bounds);
                                   style = GetWindowLongA(window, GWL_STYLE);
                                   exStyle = GetWindowLongA(window, GWL_EXSTYLE);
                                   nazoButton = GetDlgItem(window, TMailForm::IdNazoButton);
                                   nazo = GuiTest::WindowText(nazoButton);
                                   belowList = GetWindow(list, GW_HWNDNEXT);
                                   // Escape, as the user presses it in the list.
                                   PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0);
                               }}});
        fixture.Show(script, viewer);
        EXPECT_EQ(shown, c.Shown);
        EXPECT_EQ(fixture.Page.HeaderLines, c.Shown);
        EXPECT_EQ(bounds.right - bounds.left, 500);
        EXPECT_EQ(bounds.bottom - bounds.top, 300);
        EXPECT_TRUE(style & WS_THICKFRAME);
        EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
        EXPECT_EQ(nazo, "謎");
        EXPECT_EQ(belowList, nazoButton);  // hidden under the list
        // Only the long line reaches past the list's width.
        EXPECT_EQ(extent > listWidth, c.Given.size() == 3) << extent << " " << listWidth;
    }
}

// The pop-up menu runs a loop of its own: a timer sees it open and ends it.
bool PopupSeen = false;
void CALLBACK EndPopup(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu && IsWindowVisible(menu)) {
        PopupSeen = true;
        EndMenu();
    }
}

TEST(MailFormTest, PopupEnablesLineCommandsOnlyWithASelectedLineAndCopies) {
    TViewerFixture fixture({"From: a@example.jp", "X-Mailer: Foo 1.0", "Subject: hi"});
    TMailForm viewer(fixture.Started.Main.Accounts, fixture.Started.Main.Registry.get(), 1);
    const int lineCommands[] = {TMailForm::IdPopDel, TMailForm::IdPopView, TMailForm::IdPopSel};
    std::string copiedOne, copiedAll, copiedWithoutSelection;
    TDialogScript script({{ViewerCaption, [&](HWND window) {
                               viewer.HeadPopPopup();
                               for (int id : lineCommands)
                                   EXPECT_FALSE(Enabled(viewer.HeadPop, id)) << id;
                               EXPECT_TRUE(Enabled(viewer.HeadPop, TMailForm::IdPopAll));
                               Command(window, TMailForm::IdPopSel, false);
                               copiedWithoutSelection = ClipboardText();

                               Select(window, 1);
                               // The context-menu key in the list opens the menu.
                               HWND list = GetDlgItem(window, TMailForm::IdHeadListBox);
                               const UINT_PTR timer = SetTimer(nullptr, 0, 50, EndPopup);
                               SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                                            -1);
                               KillTimer(nullptr, timer);
                               viewer.HeadPopPopup();
                               for (int id : lineCommands)
                                   EXPECT_TRUE(Enabled(viewer.HeadPop, id)) << id;
                               Command(window, TMailForm::IdPopSel, false);
                               copiedOne = ClipboardText();
                               Command(window, TMailForm::IdPopAll, false);
                               copiedAll = ClipboardText();
                               Command(window, TMailForm::IdNazoButton, true);
                           }}});
    // Something else on the clipboard first: a copy without a line must leave it.
    PutClipboardText(nullptr, "before");
    fixture.Show(script, viewer);
    EXPECT_TRUE(PopupSeen);
    EXPECT_EQ(copiedWithoutSelection, "before");
    EXPECT_EQ(copiedOne, "X-Mailer: Foo 1.0\r\n");
    EXPECT_EQ(copiedAll, "From: a@example.jp\r\nX-Mailer: Foo 1.0\r\nSubject: hi\r\n");
}

TEST(MailFormTest, RightClickChoosesTheLineUnderThePointerAndCtrlKeysCopy) {
    struct TCase {
        int Slot;
        bool AddRuleEnabled;  // the "新規" page has no account to add a rule to
    };
    for (const TCase c : {TCase{1, true}, TCase{0, false}}) {
        TViewerFixture fixture({"From: a@example.jp", "X-Mailer: Foo 1.0", "Subject: hi%&%"}, "",
                               c.Slot);
        TMailForm viewer(fixture.Started.Main.Accounts, fixture.Started.Main.Registry.get(),
                         c.Slot);
        std::vector<int> chosenByClick;
        bool addRule = !c.AddRuleEnabled, copyChosen = false;
        std::string copiedByCtrlC, copiedAfterCtrlA;
        TDialogScript script(
            {{ViewerCaption, [&](HWND window) {
                  HWND list = GetDlgItem(window, TMailForm::IdHeadListBox);
                  Select(window, 0);  // an earlier choice
                  RECT item{};
                  SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
                  POINT at{item.left + 5, (item.top + item.bottom) / 2};
                  ClientToScreen(list, &at);
                  const UINT_PTR timer = SetTimer(nullptr, 0, 50, EndPopup);
                  SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                               MAKELPARAM(at.x, at.y));
                  KillTimer(nullptr, timer);
                  chosenByClick = Chosen(list);
                  addRule = Enabled(viewer.HeadPop, TMailForm::IdPopDel);
                  copyChosen = Enabled(viewer.HeadPop, TMailForm::IdPopSel);
                  CtrlKey(list, 'C');
                  copiedByCtrlC = ClipboardText();
                  CtrlKey(list, 'A');
                  CtrlKey(list, 'C');
                  copiedAfterCtrlA = ClipboardText();
                  Command(window, TMailForm::IdNazoButton, true);
              }}});
        fixture.Show(script, viewer);
        EXPECT_EQ(chosenByClick, std::vector<int>{2}) << c.Slot;
        EXPECT_EQ(addRule, c.AddRuleEnabled) << c.Slot;
        EXPECT_TRUE(copyChosen) << c.Slot;
        EXPECT_EQ(copiedByCtrlC, "Subject: hi\r\n") << c.Slot;
        EXPECT_EQ(copiedAfterCtrlA, "From: a@example.jp\r\nX-Mailer: Foo 1.0\r\nSubject: hi\r\n")
            << c.Slot;
    }
}

TEST(MailFormTest, AddRuleFillsTheRuleDialogThenOpensTheExtendedAccountDialog) {
    TViewerFixture fixture({"From: a@example.jp", "X-Mailer: Foo 1.0"});
    TMailForm viewer(fixture.Started.Main.Accounts, fixture.Started.Main.Registry.get(), 1);
    std::string header, text, rulesShown;
    int setupWidth = 0;
    bool mainEnabled = true, logTicked = false;
    TDialogScript script({
        {ViewerCaption,
         [&](HWND window) {
             Select(window, 1);
             Command(window, TMailForm::IdPopDel, true);
         }},
        {"削除チェックヘッダの追加",
         [&](HWND dialog) {
             header = GuiTest::Text(dialog, TDelHead::IdComboBox1);
             text = GuiTest::Text(dialog, TDelHead::IdEdit1);
             GuiTest::ClickButton(dialog, TDelHead::IdButton1);
         }},
        {"アカウントの設定",
         [&](HWND dialog) {
             RECT bounds{};
             GetWindowRect(dialog, &bounds);
             setupWidth = bounds.right - bounds.left;
             logTicked = GuiTest::IsChecked(dialog, TASetup::IdLogCheck);
             auto* setup = dynamic_cast<TASetup*>(TWindow::FromHandle(dialog));
             ASSERT_NE(setup, nullptr);
             for (const std::string& rule : setup->RuleStrings()) rulesShown += rule + ";";
             // Cancel: the rule is dropped with everything else.
             GuiTest::ClickButton(dialog, TASetup::IdCanButton);
         }},
        {ViewerCaption,
         [&](HWND window) {
             // The dialogs were modal over the viewer: the main window stays disabled under it.
             mainEnabled = IsWindowEnabled(fixture.Started.Main.Handle) != FALSE;
             Command(window, TMailForm::IdNazoButton, true);
         }},
    });
    fixture.Show(script, viewer);
    EXPECT_EQ(header, "X-Mailer:");
    EXPECT_EQ(text, "Foo 1.0");
    EXPECT_EQ(setupWidth, TASetup::ExtendedSize.cx);
    EXPECT_EQ(rulesShown, "X-Mailer:,Foo 1.0;");
    // The page's log stands in the dialog, so its OK would not switch the log off.
    EXPECT_TRUE(logTicked);
    EXPECT_FALSE(mainEnabled);
    EXPECT_EQ(fixture.StoredDesign(), "(no account)");
    EXPECT_TRUE(fixture.Page.Rules.empty());
}

TEST(MailFormTest, DesignatedHeaderIsAskedForOnlyWhenOneExistsAndNoChangesNothing) {
    struct TDialog {
        std::string Caption;
        int Button;
    };
    struct TCase {
        int Slot;
        std::string Design;
        std::vector<TDialog> Dialogs;  // what opens over the viewer, answered with Button
        Lines Texts;                   // their texts
        std::string DesignAfter, Stored;
    };
    const std::string question = "From:を\r\nX-Mailer:に変えますか?";
    const TCase cases[] = {
        {1, "", {}, {}, "X-Mailer:", "X-Mailer:"},
        {1, "From:", {{"確認", mrNo}}, {question}, "From:", "(no account)"},
        {1, "From:", {{"確認", mrYes}}, {question}, "X-Mailer:", "X-Mailer:"},
        // The "新規" page has no account name: the account dialog's OK says so and stores nothing.
        {0, "", {{"情報", mrOk}}, {"アカウント名がありません。"}, "X-Mailer:", "(no account)"},
    };
    for (const TCase& c : cases) {
        TViewerFixture fixture({"From: a@example.jp", "X-Mailer: Foo 1.0"}, c.Design, c.Slot);
        TMailForm viewer(fixture.Started.Main.Accounts, fixture.Started.Main.Registry.get(),
                         c.Slot);
        // Without a dialog over it the command runs to its end in the first step.
        const bool dialogs = !c.Dialogs.empty();
        std::vector<TScriptStep> steps{{ViewerCaption, [&](HWND window) {
                                            Select(window, 1);
                                            Command(window, TMailForm::IdPopView, dialogs);
                                            if (!dialogs)
                                                Command(window, TMailForm::IdNazoButton, true);
                                        }}};
        for (const TDialog& dialog : c.Dialogs)
            steps.push_back({dialog.Caption, [&dialog](HWND window) {
                                 GuiTest::ClickButton(window, dialog.Button);
                             }});
        if (dialogs)
            steps.push_back({ViewerCaption,
                             [&](HWND window) { Command(window, TMailForm::IdNazoButton, true); }});
        TDialogScript script(steps);
        fixture.Show(script, viewer);
        const Lines texts(script.Texts.begin() + 1, script.Texts.end() - (dialogs ? 1 : 0));
        EXPECT_EQ(texts, c.Texts) << c.Slot << c.Design;
        EXPECT_EQ(fixture.Page.Design, c.DesignAfter) << c.Slot << c.Design;
        EXPECT_EQ(fixture.StoredDesign(), c.Stored) << c.Slot << c.Design;
        EXPECT_TRUE(fixture.Page.LogEnabled) << c.Slot << c.Design;
    }
}

}  // namespace
