// The account page in the real main window, its worker against a scriptable server and Dovecot.
// commctrl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "FakePop3Server.h"
#include "GuiTest.h"
#include "StartedMain.h"
#include "TestEnv.h"
#include "dialogs/MailForm.h"
#include "history/FileSystem.h"
#include "learn/MailImport.h"
#include "page/ChPage.h"
#include "page/MailRows.h"
#include "settings/SenderStore.h"
#include "settings/SetupStore.h"
#include "ui/MsgDlg.h"

namespace {

using GuiTest::PumpUntil;
using GuiTest::TAction;
using GuiTest::TAnswer;
using GuiTest::TDialogAnswerer;

std::string Text(HWND window) { return GuiTest::WindowText(window); }

// One account page of a started main window, pointed at a server.
struct TAccount {
    TStarted Started{1};
    TChPage& Page = *Started.Main.Accounts.Pages[1];
    TMainFrame& Frame = *Page.Frame;

    TAccount(const std::string& server, const std::string& user, const std::string& password) {
        SetWindowTextA(Frame.Serv, server.c_str());
        SetWindowTextA(Frame.IDNum, user.c_str());
        SetWindowTextA(Frame.Pass, password.c_str());
    }
    // The click is handled before this returns: the worker has taken the command.
    void Click(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }
    bool Idle() { return IsWindowEnabled(Frame.KvPanel1.Handle) && !Page.Worker->Busy(); }
    // Clicks and waits (pumping messages) until the worker is done and its changes shown.
    void Run(HWND button) {
        Click(button);
        ASSERT_TRUE(PumpUntil([&] { return Idle(); }, 30000));
        // The worker's last changes may still wait for the queue's next timer tick.
        Page.Bridge->Queue.Drain();
        GuiTest::PumpPending();
    }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> texts;
        for (int i = 0; i < Frame.RowCount(); ++i) texts.push_back(Frame.CellText(i, column));
        return texts;
    }
    void Select(std::initializer_list<int> rows) {
        LVITEMA none{};
        none.stateMask = LVIS_SELECTED;
        SendMessageA(Frame.MailView, LVM_SETITEMSTATE, -1, reinterpret_cast<LPARAM>(&none));
        for (int row : rows) {
            LVITEMA state{};
            state.stateMask = state.state = LVIS_SELECTED;
            SendMessageA(Frame.MailView, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        }
    }
    void Notify(UINT code, int column = 0) {
        NMLISTVIEW notify{};
        notify.hdr.hwndFrom = Frame.MailView;
        notify.hdr.idFrom = TMainFrame::IdMailView;
        notify.hdr.code = code;
        notify.iItem = -1;
        notify.iSubItem = column;
        SendMessageA(Frame.Handle, WM_NOTIFY, TMainFrame::IdMailView,
                     reinterpret_cast<LPARAM>(&notify));
    }
};

TFakeMessage Mail(const std::string& subject, const std::string& date, int size,
                  const std::string& uid) {
    return {"Subject: " + subject + "\r\nFrom: Sender <s@example.jp>\r\nDate: " + date + "\r\n",
            size, uid};
}

std::vector<TFakeMessage> ThreeMails() {
    return {Mail("beta", "Mon, 31 Dec 2023 23:00:00 +0900", 10, "u1"),
            Mail("alpha", "Tue, 01 Jan 2024 08:00:00 +0900", 9, "u2"),
            Mail("gamma", "Fri, 01 Dec 2023 12:00:00 +0900", 100000000, "u3")};
}

TEST(ChPageTest, ConnectListsWithRedThenYellowLampAndDisconnectTurnsItBlue) {
    TFakePop3Server server;
    server.SetMessages(ThreeMails());
    // A slow reply to STAT keeps the account busy long enough to look at it.
    server.Script("STAT", TFakeReply::Split({"+OK 3 100000019", "\r\n"}, 700));
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    EXPECT_EQ(account.Frame.StatusBar1.Text(0), "接続していません。");

    account.Click(account.Frame.Logon);
    ASSERT_TRUE(PumpUntil([&] { return account.Page.IndicatorState == 2; }));
    EXPECT_FALSE(IsWindowEnabled(account.Frame.KvPanel1.Handle));
    EXPECT_FALSE(IsWindowEnabled(account.Frame.Logon));  // through the panel
    EXPECT_EQ(account.Frame.StatusBar1.Text(0), "接続中...");
    ASSERT_TRUE(PumpUntil([&] { return account.Idle(); }, 30000));
    GuiTest::PumpPending();

    EXPECT_EQ(account.Page.IndicatorState, 3);
    EXPECT_TRUE(IsWindowEnabled(account.Frame.Delete));
    EXPECT_EQ(account.Column(MailColumn::Title),
              (std::vector<std::string>{"beta", "alpha", "gamma"}));
    EXPECT_EQ(account.Column(MailColumn::Size), (std::vector<std::string>{"10", "9", "100000000"}));
    EXPECT_EQ(account.Column(MailColumn::Uidl(MailColumn::Count)),
              (std::vector<std::string>{"u1", "u2", "u3"}));
    EXPECT_EQ(account.Frame.StatusBar1.Text(1), "全 3通");

    account.Run(account.Frame.Kill);
    EXPECT_EQ(account.Page.IndicatorState, 0);
    EXPECT_EQ(server.Commands().back(), "QUIT");
}

TEST(ChPageTest, ColumnClicksSortBySizeDateAndTitleEachWithItsOwnDirection) {
    TFakePop3Server server;
    server.SetMessages(ThreeMails());
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    account.Run(account.Frame.Logon);
    ASSERT_EQ(account.Frame.RowCount(), 3);
    using Titles = std::vector<std::string>;
    struct TStep {
        int Column;
        Titles Expected;
    } steps[] = {
        {MailColumn::Size, {"alpha", "beta", "gamma"}},   // 9 before 10 (eight digits)
        {MailColumn::Title, {"alpha", "beta", "gamma"}},  // title ascending
        {MailColumn::Size, {"gamma", "beta", "alpha"}},   // second size click: descending
        {MailColumn::Sent, {"gamma", "beta", "alpha"}},   // December 2023 before January 2024
        {MailColumn::Sent, {"alpha", "beta", "gamma"}},
        {MailColumn::Title, {"gamma", "beta", "alpha"}},
        {8, {"gamma", "beta", "alpha"}},  // hidden column: nothing happens
    };
    for (const TStep& step : steps) {
        account.Notify(LVN_COLUMNCLICK, step.Column);
        EXPECT_EQ(account.Column(MailColumn::Title), step.Expected) << step.Column;
    }
    // A new page resets every column of every page to ascending.
    account.Started.AddAccount();
    account.Notify(LVN_COLUMNCLICK, MailColumn::Title);
    EXPECT_EQ(account.Column(MailColumn::Title), (Titles{"alpha", "beta", "gamma"}));
}

TEST(ChPageTest, SelectionCountShowsInPanelTwo) {
    TFakePop3Server server;
    server.SetMessages(ThreeMails());
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    account.Run(account.Frame.Logon);
    account.Select({0, 1, 2});
    EXPECT_EQ(account.Frame.StatusBar1.Text(2), "削除予定 3通");
    account.Select({});
    EXPECT_EQ(account.Frame.StatusBar1.Text(2), "削除予定 0通");
}

TEST(ChPageTest, DoubleClickOpensTheHeaderOnlyForOneReadableRow) {
    TFakePop3Server server;
    std::vector<TFakeMessage> mails = ThreeMails();
    // The read-error row's title.
    mails[2] = Mail(TMailRow::ReadErrorTitle, "Fri, 01 Dec 2023 12:00:00 +0900", 10, "u3");
    server.SetMessages(mails);
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    account.Run(account.Frame.Logon);

    account.Select({0, 1});
    account.Notify(NM_DBLCLK);
    EXPECT_FALSE(account.Page.Worker->Busy());
    EXPECT_NE(account.Page.Command, TChPage::CommandHeader);

    // The read-error row: nothing either.
    account.Select({2});
    account.Notify(NM_DBLCLK);
    EXPECT_NE(account.Page.Command, TChPage::CommandHeader);

    account.Select({1});
    TAction f3ThenEscape(TAnswer::Escape);
    f3ThenEscape.PressF3 = true;  // the tab keys act in the viewer too
    TDialogAnswerer viewer({f3ThenEscape});
    const int tabBefore = account.Started.Main.MainPage.ActiveIndex();
    std::vector<std::string> shown;
    viewer.Inspect = [&](HWND window) {
        HWND list = GetDlgItem(window, TMailForm::IdHeadListBox);
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char line[512] = {};
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
            shown.push_back(line);
        }
    };
    account.Notify(NM_DBLCLK);
    EXPECT_EQ(account.Page.Command, TChPage::CommandHeader);
    ASSERT_TRUE(PumpUntil([&] { return account.Idle() && !viewer.Seen.empty(); }, 30000));
    EXPECT_EQ(server.Commands().back(), "TOP 2 0");
    EXPECT_EQ(account.Page.HeaderSubject, "alpha");
    ASSERT_EQ(viewer.Seen.size(), 1u);
    EXPECT_EQ(viewer.Seen[0].Caption, "ヘッダの表示　-　alpha");
    EXPECT_EQ(account.Started.Main.MainPage.ActiveIndex(), (tabBefore + 1) % 2);
    EXPECT_FALSE(account.Page.HeaderPending);
    // The subject line comes last, without the lookup's marker.
    EXPECT_EQ(shown, (std::vector<std::string>{"From: Sender <s@example.jp>",
                                               "Date: Tue, 01 Jan 2024 08:00:00 +0900",
                                               "Subject: alpha"}));
}

// Subjects in UTF-8, Shift_JIS, EUC-JP and the Q encoding show as Japanese in the list and in
// the header viewer, and a rule in Japanese ticks them.
TEST(ChPageTest, SubjectsInEveryCharsetShowAsJapaneseAndARuleTicksThem) {
    const std::string date = "Mon, 13 Nov 2023 09:15:00 +0900";
    TFakePop3Server server;
    server.SetMessages(
        {Mail("=?UTF-8?B?5pyq5om/6Ku+5bqD5ZGK?= 1", date, 10, "u1"),
         Mail("=?Shift_JIS?B?lqKPs5H4jUyNkA==?= 2", date, 10, "u2"),
         Mail("=?EUC-JP?B?zKS+tcL6ua258A==?= 3", date, 10, "u3"),
         Mail("=?utf-8?q?=E6=9C=AA=E6=89=BF=E8=AB=BE=E5=BA=83=E5=91=8A?= 4", date, 10, "u4"),
         Mail("=?UTF-8?B?44GK55+l44KJ44Gb?=", date, 10, "u5")});
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    account.Page.Rules = {"Subject:,未承諾広告"};
    account.Page.AutoDelMode = 1;
    account.Run(account.Frame.Logon);

    EXPECT_EQ(account.Column(MailColumn::Title),
              (std::vector<std::string>{"未承諾広告 1", "未承諾広告 2", "未承諾広告 3",
                                        "未承諾広告 4", "お知らせ"}));
    std::vector<int> ticked;
    for (int row = 0; row < account.Frame.RowCount(); ++row) {
        if (SendMessageA(account.Frame.MailView, LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0)
            ticked.push_back(row);
    }
    EXPECT_EQ(ticked, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(account.Frame.StatusBar1.Text(2), "削除予定 4通");

    account.Select({2});
    TDialogAnswerer viewer({TAction(TAnswer::Escape)});
    std::string subjectLine, reasonLine;
    viewer.Inspect = [&](HWND window) {
        reasonLine = Text(GetDlgItem(window, TMailForm::IdReasonLabel));
        HWND list = GetDlgItem(window, TMailForm::IdHeadListBox);
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        char line[512] = {};
        SendMessageA(list, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(line));
        subjectLine = line;
    };
    account.Notify(NM_DBLCLK);
    ASSERT_TRUE(PumpUntil([&] { return account.Idle() && !viewer.Seen.empty(); }, 30000));
    EXPECT_EQ(viewer.Seen[0].Caption, "ヘッダの表示　-　未承諾広告 3");
    EXPECT_EQ(subjectLine, "Subject: 未承諾広告 3");
    EXPECT_EQ(reasonLine, "理由: 件名に「未承諾広告」");
}

TEST(ChPageTest, DeleteAsksTheMainWindowThenDeletesTheTickedMail) {
    TFakePop3Server server;
    server.SetMessages(ThreeMails());
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    account.Run(account.Frame.Logon);
    account.Select({1});

    {
        TDialogAnswerer cancel({TAction(TAnswer::Click, 2)});
        account.Run(account.Frame.Delete);
        ASSERT_EQ(cancel.Seen.size(), 1u);
        EXPECT_EQ(cancel.Seen[0].Caption, "確認");
        EXPECT_NE(cancel.Seen[0].Text.find("alpha"), std::string::npos);
        for (const std::string& command : server.Commands()) EXPECT_NE(command, "DELE 2");
    }
    account.Select({1});
    TDialogAnswerer ok({TAction(TAnswer::Enter)});
    account.Run(account.Frame.Delete);
    const auto commands = server.Commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "DELE 2"), commands.end());
    EXPECT_EQ(commands.back(), "QUIT");
    EXPECT_EQ(account.Frame.RowCount(), 0);
}

// "削除するメールを保存する" holds for "削除 + 切断" as for a check; both write the history.
TEST(ChPageTest, DeletionsByHandAndByCheckKeepCopiesAndWriteTheHistory) {
    TAccount account("127.0.0.1:110", "user", "secret");
    account.Page.KeepCopy = true;
    const struct {
        int Command;
        bool Deletes;
    } cases[] = {{TChPage::CommandDelete, true},
                 {TChPage::CommandCheck, true},
                 {TChPage::CommandConnect, false}};
    for (const auto& c : cases) {
        const TCheckInputs inputs = account.Page.CheckInputs(c.Command);
        EXPECT_EQ(inputs.KeepCopy, c.Deletes) << c.Command;
        EXPECT_EQ(inputs.WritesHistory, c.Deletes) << c.Command;
    }
}

TEST(ChPageTest, MissingPasswordIsAskedForAndTheAnswerUsed) {
    TFakePop3Server server;
    server.SetMessages(ThreeMails());
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "");
    TAction answer(TAnswer::Enter);
    answer.FieldText = "secret";
    TDialogAnswerer answerer({answer});
    account.Run(account.Frame.Logon);
    ASSERT_EQ(answerer.Seen.size(), 1u);
    EXPECT_EQ(answerer.Seen[0].Caption, "アカウント名 - Account1");
    EXPECT_TRUE(answerer.Seen[0].FieldMasked);
    EXPECT_EQ(Text(account.Frame.Pass), "secret");
    EXPECT_EQ(account.Frame.RowCount(), 3);
}

TEST(ChPageTest, HiddenColumnsSnapBackAtTheNextPaint) {
    TAccount account("", "", "");
    const int number = MailColumn::MailNumber(MailColumn::Count);
    SendMessageA(account.Frame.MailView, LVM_SETCOLUMNWIDTH, number + 1, 50);
    SendMessageA(account.Frame.MailView, LVM_SETCOLUMNWIDTH, 5, 3);
    InvalidateRect(account.Frame.MailView, nullptr, TRUE);
    UpdateWindow(account.Frame.MailView);
    for (int column : {number, number + 1, number + 2})
        EXPECT_EQ(SendMessageA(account.Frame.MailView, LVM_GETCOLUMNWIDTH, column, 0), 0);
    EXPECT_EQ(SendMessageA(account.Frame.MailView, LVM_GETCOLUMNWIDTH, 5, 0), 10);
    // The reason column is shown, not hidden.
    EXPECT_EQ(SendMessageA(account.Frame.MailView, LVM_GETCOLUMNWIDTH, MailColumn::Reason, 0),
              TListSettings().ColumnWidths[MailColumn::Reason]);
}

TEST(ChPageTest, StatusPanelsGiveBackTheirWholeText) {
    TAccount account("", "", "");
    std::string longText;
    for (int i = 0; i < 300; ++i) longText += "受信";  // 1200 bytes, 600 characters
    const struct {
        int Panel;
        std::string Text;
    } cases[] = {{0, ""}, {0, "接続中..."}, {1, "全 3通"}, {2, longText}, {0, longText + "!"}};
    for (const auto& c : cases) {
        account.Frame.StatusBar1.SetText(c.Panel, c.Text);
        EXPECT_EQ(account.Frame.StatusBar1.Text(c.Panel), c.Text)
            << c.Panel << " " << c.Text.size();
    }
}

TEST(ChPageTest, ProtectionFromTheWorkerShowsInItsOwnStatusPartUntilCleared) {
    TAccount account("", "", "");
    account.Frame.StatusBar1.SetText(1, "全 3通");
    const struct {
        const char* Text;
        int Parts;
    } cases[] = {{"SSL/TLS (TLS 1.3)", 4}, {"", 3}, {"STARTTLS (TLS 1.2)", 4}, {"", 3}};
    for (const auto& c : cases) {
        std::thread worker([&] { account.Page.Bridge->SetProtectionText(c.Text); });
        worker.join();
        ASSERT_TRUE(PumpUntil([&] { return account.Frame.StatusBar1.PartCount() == c.Parts; }))
            << c.Text;
        // A new layout of the page keeps the part; the other panels keep their texts.
        account.Page.ArrangePage();
        EXPECT_EQ(account.Frame.StatusBar1.PartCount(), c.Parts) << c.Text;
        if (c.Parts == 4) {
            EXPECT_EQ(account.Frame.StatusBar1.Text(3), c.Text);
        }
        EXPECT_EQ(account.Frame.StatusBar1.Text(1), "全 3通") << c.Text;
        EXPECT_EQ(account.Frame.StatusBar1.Text(0), "接続していません。") << c.Text;
    }
}

// The server's words behind a failure: panel 0's tool tip, shown where the mouse rests on the
// panel, and the communication log; a later connect that succeeds takes the tip away.
TEST(ChPageTest, ServerWordsOfAFailureShowInPanelZerosTipAndTheLog) {
    TFakePop3Server server;
    server.SetMessages(ThreeMails());
    server.Script("PASS", TFakeReply::Bytes("-ERR [IN-USE] Mailbox held by\x01 the mailer\r\n"));
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    account.Page.LogEnabled = true;
    account.Run(account.Frame.Logon);
    const std::string detail = "PASS: -ERR [IN-USE] Mailbox held by the mailer";
    EXPECT_EQ(account.Frame.StatusBar1.Text(0), "メールボックスは他のプログラムが使用中です。");
    EXPECT_EQ(account.Frame.StatusBar1.Tip(), detail);
    std::ifstream file("DelLog.txt", std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find(detail + "\r\n"), std::string::npos) << log;

    // The status bar's own tool tip window, the one that holds a tool for panel 0, shows it there.
    struct TTipSearch {
        HWND Bar, Found;
    } search{account.Frame.StatusBar1.Handle, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) {
            auto* search = reinterpret_cast<TTipSearch*>(data);
            char name[64] = {};
            GetClassNameA(window, name, sizeof name);
            TTTOOLINFOA tool{};
            tool.cbSize = sizeof tool;
            tool.hwnd = search->Bar;
            tool.uId = 0;
            if (lstrcmpiA(name, TOOLTIPS_CLASSA) != 0 ||
                !SendMessageA(window, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)))
                return TRUE;
            search->Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    const HWND tip = search.Found;
    ASSERT_NE(tip, nullptr) << "no tool tip window";
    RECT part{};
    SendMessageA(account.Frame.StatusBar1.Handle, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&part));
    POINT middle{(part.left + part.right) / 2, (part.top + part.bottom) / 2};
    ClientToScreen(account.Frame.StatusBar1.Handle, &middle);
    SetForegroundWindow(account.Started.Main.Handle);
    SetCursorPos(middle.x, middle.y);
    ScreenToClient(account.Frame.StatusBar1.Handle, &middle);
    // One move, as the mouse coming to rest: each further one would start the tip's delay again.
    SendMessageA(account.Frame.StatusBar1.Handle, WM_MOUSEMOVE, 0, MAKELPARAM(middle.x, middle.y));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(tip) != FALSE; }));
    EXPECT_EQ(GuiTest::WindowText(tip), detail);

    account.Run(account.Frame.Logon);
    EXPECT_EQ(account.Frame.StatusBar1.Text(1), "全 3通");
    EXPECT_EQ(account.Frame.StatusBar1.Tip(), "");
    account.Run(account.Frame.Kill);
}

TEST(ChPageTest, ExtendedViewOffLeavesOnlyTheListAndTheStatusBar) {
    TAccount account("", "", "");
    for (bool extended : {true, false}) {
        account.Started.Main.ExtendedView = extended;
        account.Page.ArrangePage();
        EXPECT_EQ(IsWindowVisible(account.Frame.KvPanel1.Handle) != FALSE, extended);
        EXPECT_EQ(IsWindowVisible(account.Frame.KvPanel2.Handle) != FALSE, extended);
        RECT list, frame;
        GetWindowRect(account.Frame.MailView, &list);
        GetClientRect(account.Frame.Handle, &frame);
        MapWindowPoints(nullptr, account.Frame.Handle, reinterpret_cast<POINT*>(&list), 2);
        if (extended) {
            EXPECT_EQ(list.left, 8);
            EXPECT_EQ(list.top, 58);
            EXPECT_EQ(list.right - list.left, frame.right - 16);
        } else {
            EXPECT_EQ(list.left, 0);
            EXPECT_EQ(list.top, 0);
            EXPECT_EQ(list.right, frame.right);
        }
    }
}

TEST(ChPageTest, ClosingWhileAWorkerIsBusyNeitherHangsNorCrashes) {
    TFakePop3Server server;
    server.SetMessages(ThreeMails());
    server.Script("STAT", TFakeReply::Silence());
    auto account =
        std::make_unique<TAccount>("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    account->Click(account->Frame.Logon);
    ASSERT_TRUE(PumpUntil([&] { return account->Page.IndicatorState == 2; }));
    PostMessageA(account->Started.Main.Handle, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return account->Started.Closed; }));
    account.reset();
    // The busy worker ends on its own once its page is gone.
    EXPECT_TRUE(PumpUntil([] { return TConnect::LiveThreads() == 0; }, 30000));
}

TEST(ChPageTest, ClosingWhileTheDeleteQuestionIsOpenDeletesNothing) {
    TFakePop3Server server;
    server.SetMessages(ThreeMails());
    auto account =
        std::make_unique<TAccount>("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    account->Run(account->Frame.Logon);
    account->Select({0});
    TDialogAnswerer answerer({TAction(TAnswer::Escape)});
    HWND main = account->Started.Main.Handle;
    // The window goes (as at the end of a Windows session) while the question is on screen.
    answerer.Inspect = [main](HWND) { PostMessageA(main, WM_CLOSE, 0, 0); };
    account->Click(account->Frame.Delete);
    ASSERT_TRUE(PumpUntil([&] { return account->Started.Closed; }));
    account.reset();
    EXPECT_TRUE(PumpUntil([] { return TConnect::LiveThreads() == 0; }, 30000));
    ASSERT_EQ(answerer.Seen.size(), 1u);
    for (const std::string& command : server.Commands()) EXPECT_NE(command, "DELE 1");
}

// The demo mailbox's header as the server sends it, with the message's size.
TFakeMessage DemoMail(const std::string& name) {
    std::ifstream file(std::string(PB_DEMO_MAIL) + "/" + name + ".eml", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    std::string header;
    for (char c : text.substr(0, text.find("\n\n") + 1))
        header += c == '\n' ? "\r\n" : std::string(1, c);
    return {header, static_cast<int32_t>(text.size()), name};
}

// The row menu's item, chosen by its access key (Esc closes it) while the menu's own loop runs;
// where the menu opened and the caption of its domain item, as seen then.
char MenuKey = 0;
RECT MenuRect{};
std::string DomainItem;
void CALLBACK ChooseMenuItem(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu && IsWindowVisible(menu) && MenuKey) {
        GetWindowRect(menu, &MenuRect);
        char caption[256] = {};
        GetMenuStringA(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)),
                       TMainFrame::IdBlockDomain, caption, sizeof caption, MF_BYCOMMAND);
        DomainItem = caption;
        if (MenuKey == VK_ESCAPE)
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        else
            PostMessageA(menu, WM_CHAR, MenuKey, 0);
        MenuKey = 0;
    }
}

// Each check of the demo account ticks exactly its demo mail and says so in the reason column;
// the row menu puts a sender on a list, and the rows are decided again, except those the user
// ticked or unticked by hand.
TEST(ChPageTest, EachCheckTicksItsDemoMailAndTheRowMenuChangesTheLists) {
    const char* const names[] = {"01-welcome",       "08-spam-unsolicited", "09-spam-english",
                                 "17-web-mail-utf8", "21-allowed-list",     "22-blocked-domain",
                                 "23-dmarc-fail",    "24-gb2312-subject",   "25-spoofed-name",
                                 "26-large-message"};
    std::vector<TFakeMessage> mails;
    for (const char* name : names) mails.push_back(DemoMail(name));
    ASSERT_GT(mails.back().Size, 100 * 1024);
    TFakePop3Server server;
    server.SetMessages(mails);
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    TPruneboxM& main = account.Started.Main;
    ASSERT_TRUE(TSenderStore(*main.Registry)
                    .Save({{"lists.prunebox-friends.example"}, {"blocked-shop.example"}}));
    account.Page.Rules = {"Subject:,未承諾広告", "From:,@spam.example"};
    account.Page.AutoDelMode = 1;
    account.Page.Filter.AuthFail = true;
    account.Page.Filter.AuthServId = "MX.prunebox.example";
    account.Page.Filter.Charsets = "GB2312,GBK,GB18030,Big5,KOI8-R,EUC-KR";
    account.Page.Filter.Spoof = true;
    account.Page.Filter.MaxSize = 100;
    account.Run(account.Frame.Logon);
    ASSERT_EQ(account.Frame.RowCount(), 10);

    auto ticks = [&] {
        std::vector<bool> ticked;
        for (int row = 0; row < account.Frame.RowCount(); ++row)
            ticked.push_back(
                SendMessageA(account.Frame.MailView, LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0);
        return ticked;
    };
    const std::string large = "サイズ: " + std::to_string((mails.back().Size + 1023) / 1024) + "KB";
    using Texts = std::vector<std::string>;
    EXPECT_EQ(account.Column(MailColumn::Reason),
              (Texts{"", "件名に「未承諾広告」", "差出人に「@spam.example」", "", "許可リスト",
                     "拒否リスト: blocked-shop.example", "認証失敗: dmarc=fail",
                     "文字コード: GB2312", "なりすまし表示名", large}));
    EXPECT_EQ(ticks(),
              (std::vector<bool>{false, true, true, false, false, true, true, true, true, true}));

    // By hand: the first mail ticked, the unsolicited one unticked.
    account.Select({0, 2, 5, 6, 7, 8, 9});
    struct TStep {
        int Row;
        char Key;    // the menu item's access key
        bool Mouse;  // a right click on the row, which never changes the ticks
        const char* DomainItem;
        Texts Allow, Block;
        Texts Reasons;
        std::vector<bool> Ticks;
    } steps[] = {
        {3,
         'B',
         false,
         "「webmail.example.com」を拒否リストに追加(&D)",
         {"lists.prunebox-friends.example"},
         {"blocked-shop.example", "hanako.yamada@webmail.example.com"},
         {"", "件名に「未承諾広告」", "差出人に「@spam.example」",
          "拒否リスト: hanako.yamada@webmail.example.com", "許可リスト",
          "拒否リスト: blocked-shop.example", "認証失敗: dmarc=fail", "文字コード: GB2312",
          "なりすまし表示名", large},
         {true, false, true, true, false, true, true, true, true, true}},
        // Allowed, the sender of a mail the provider failed at dmarc stays ticked: the allow
        // list never gets past the provider's own verdict.
        {6,
         'A',
         false,
         "「bank.example」を拒否リストに追加(&D)",
         {"lists.prunebox-friends.example", "info@bank.example"},
         {"blocked-shop.example", "hanako.yamada@webmail.example.com"},
         {"", "件名に「未承諾広告」", "差出人に「@spam.example」",
          "拒否リスト: hanako.yamada@webmail.example.com", "許可リスト",
          "拒否リスト: blocked-shop.example", "認証失敗: dmarc=fail", "文字コード: GB2312",
          "なりすまし表示名", large},
         {true, false, true, true, false, true, true, true, true, true}},
        {0,
         'D',
         false,
         "「prunebox.example」を拒否リストに追加(&D)",
         {"lists.prunebox-friends.example", "info@bank.example"},
         {"blocked-shop.example", "hanako.yamada@webmail.example.com", "prunebox.example"},
         {"拒否リスト: prunebox.example", "件名に「未承諾広告」", "差出人に「@spam.example」",
          "拒否リスト: hanako.yamada@webmail.example.com", "許可リスト",
          "拒否リスト: blocked-shop.example", "認証失敗: dmarc=fail", "文字コード: GB2312",
          "なりすまし表示名", large},
         {true, false, true, true, false, true, true, true, true, true}},
        // A right click and Esc: no tick changes.
        {1,
         VK_ESCAPE,
         true,
         "「bargain.example.net」を拒否リストに追加(&D)",
         {"lists.prunebox-friends.example", "info@bank.example"},
         {"blocked-shop.example", "hanako.yamada@webmail.example.com", "prunebox.example"},
         {"拒否リスト: prunebox.example", "件名に「未承諾広告」", "差出人に「@spam.example」",
          "拒否リスト: hanako.yamada@webmail.example.com", "許可リスト",
          "拒否リスト: blocked-shop.example", "認証失敗: dmarc=fail", "文字コード: GB2312",
          "なりすまし表示名", large},
         {true, false, true, true, false, true, true, true, true, true}},
        // The row under the click, unticked by hand, stays so.
        {1,
         'D',
         true,
         "「bargain.example.net」を拒否リストに追加(&D)",
         {"lists.prunebox-friends.example", "info@bank.example"},
         {"blocked-shop.example", "hanako.yamada@webmail.example.com", "prunebox.example",
          "bargain.example.net"},
         {"拒否リスト: prunebox.example", "拒否リスト: bargain.example.net",
          "差出人に「@spam.example」", "拒否リスト: hanako.yamada@webmail.example.com",
          "許可リスト", "拒否リスト: blocked-shop.example", "認証失敗: dmarc=fail", "文字コード: GB2312",
          "なりすまし表示名", large},
         {true, false, true, true, false, true, true, true, true, true}},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.Key);
        LVITEMA focus{};
        focus.stateMask = focus.state = LVIS_FOCUSED;
        SendMessageA(account.Frame.MailView, LVM_SETITEMSTATE, step.Row,
                     reinterpret_cast<LPARAM>(&focus));
        MenuKey = step.Key;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, ChooseMenuItem);
        if (step.Mouse) {
            RECT item{};
            item.left = LVIR_LABEL;
            SendMessageA(account.Frame.MailView, LVM_GETITEMRECT, step.Row,
                         reinterpret_cast<LPARAM>(&item));
            POINT at{item.left + 5, (item.top + item.bottom) / 2};
            // The menu opens when the button is released, at the row under it.
            SendMessageA(account.Frame.MailView, WM_RBUTTONDOWN, MK_RBUTTON,
                         MAKELPARAM(at.x, at.y));
            SendMessageA(account.Frame.MailView, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
            EXPECT_EQ(MenuKey, 0);
        } else {
            // From the keyboard: the menu acts on the focused row and opens below it.
            SendMessageA(account.Frame.Handle, WM_CONTEXTMENU,
                         reinterpret_cast<WPARAM>(account.Frame.MailView), -1);
            RECT item{};
            item.left = LVIR_LABEL;
            SendMessageA(account.Frame.MailView, LVM_GETITEMRECT, step.Row,
                         reinterpret_cast<LPARAM>(&item));
            POINT below{item.left, item.bottom};
            ClientToScreen(account.Frame.MailView, &below);
            EXPECT_EQ(MenuRect.left, below.x);
            EXPECT_EQ(MenuRect.top, below.y);
        }
        EXPECT_EQ(DomainItem, step.DomainItem);
        KillTimer(nullptr, timer);
        const TSenderLists lists = TSenderStore(*main.Registry).Load();
        EXPECT_EQ(lists.Allow, step.Allow);
        EXPECT_EQ(lists.Block, step.Block);
        EXPECT_EQ(account.Column(MailColumn::Reason), step.Reasons);
        EXPECT_EQ(ticks(), step.Ticks);
    }
}

// A new user teaches the filter from two small labelled folders, as the learning dialog reads
// them; listing the demo mailbox then ticks the spam no rule names, its score as the reason.
TEST(ChPageTest, AfterLearningFromLabelledFoldersTheDemoSpamIsTickedWithItsScore) {
    TFakePop3Server server;
    server.SetMessages({DemoMail("01-welcome"), DemoMail("02-meeting-papers"),
                        DemoMail("09-spam-english"), DemoMail("03-weekend-reply")});
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    std::shared_ptr<TLearner> learner = account.Started.Main.Learner();
    ASSERT_TRUE(learner);
    // The model lives in the prefix's program folder: the other tests find it empty.
    struct TForget {
        std::shared_ptr<TLearner> Learner;
        ~TForget() {
            Learner->Reset();
            Learner->Wait();
        }
    } forget{learner};
    learner->Reset();
    const char* const words[] = {"alpha",   "bravo",  "charlie", "delta",    "echo",
                                 "foxtrot", "golf",   "hotel",   "india",    "juliett",
                                 "kilo",    "lima",   "mike",    "november", "oscar",
                                 "papa",    "quebec", "romeo",   "sierra",   "tango"};
    const std::string folders[] = {"learn-junk", "learn-inbox"};
    for (const std::string& folder : folders) std::filesystem::create_directory(folder);
    for (const char* word : words) {
        const std::string w = word;
        ASSERT_TRUE(FileSystem::WriteWhole(
            FileSystem::JoinPath(folders[0], w + ".eml"),
            "Received: from mx1.spam.example (mx1.spam.example [198.51.100.250])\r\n"
            "\tby pop.prunebox.example with ESMTP id " +
                w +
                "\r\n"
                "From: \"Prize Desk " +
                w + "\" <" + w +
                "@spam.example>\r\n"
                "Subject: You have WON the " +
                w +
                " prize\r\n"
                "Content-Type: text/plain; charset=us-ascii\r\nX-Mailer: QuickMailer 1.0\r\n\r\n"));
        ASSERT_TRUE(FileSystem::WriteWhole(
            FileSystem::JoinPath(folders[1], w + ".eml"),
            "Received: from smtp.example.co.jp (smtp.example.co.jp [198.51.100.23])\r\n"
            "\tby pop.prunebox.example with ESMTP id " +
                w +
                "\r\n"
                "From: " +
                w + " <" + w +
                "@example.co.jp>\r\n"
                "Subject: =?iso-2022-jp?B?GyRCRGpOYzJxNUQbKEI=?= " +
                w +
                "\r\n"
                "Message-ID: <" +
                w + "@example.co.jp>\r\n\r\n"));
    }
    for (const bool unwanted : {true, false}) {
        std::vector<std::string> skipped;
        ASSERT_TRUE(TMailImport::Read(
            folders[unwanted ? 0 : 1],
            [&](TMailImport::TLines header, double) {
                learner->Learn(std::move(header), unwanted);
                return true;
            },
            skipped));
        EXPECT_TRUE(skipped.empty());
    }
    learner->Wait();
    for (const std::string& folder : folders) std::filesystem::remove_all(folder);
    ASSERT_TRUE(learner->Ready());

    account.Run(account.Frame.Logon);
    ASSERT_EQ(account.Frame.RowCount(), 4);
    const std::vector<std::string> reasons = account.Column(MailColumn::Reason);
    const std::vector<std::string> titles = account.Column(MailColumn::Title);
    for (int row = 0; row < 4; ++row) {
        const bool spam = titles[row].find("You have WON") != std::string::npos;
        EXPECT_EQ(reasons[row].rfind("学習: ", 0) == 0, spam) << row << " " << reasons[row];
        EXPECT_EQ(SendMessageA(account.Frame.MailView, LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0,
                  spam)
            << row;
    }

    // The header viewer says why: the score and the tokens that pushed it most each way.
    int spamRow = 0;
    while (spamRow < 3 && titles[spamRow].find("You have WON") == std::string::npos) ++spamRow;
    account.Select({spamRow});
    TDialogAnswerer viewer({TAction(TAnswer::Escape)});
    std::string reasonLine;
    viewer.Inspect = [&](HWND window) {
        reasonLine = Text(GetDlgItem(window, TMailForm::IdReasonLabel));
    };
    account.Notify(NM_DBLCLK);
    ASSERT_TRUE(PumpUntil([&] { return account.Idle() && !viewer.Seen.empty(); }, 30000));
    EXPECT_EQ(reasonLine.rfind("理由: 学習: ", 0), 0u) << reasonLine;
    EXPECT_NE(reasonLine.find("\r\n学習の点数: "), std::string::npos) << reasonLine;
    const size_t unwanted = reasonLine.find("迷惑メール寄り: ");
    const size_t wanted = reasonLine.find("迷惑メールではない寄り: ");
    ASSERT_TRUE(unwanted != std::string::npos && wanted != std::string::npos) << reasonLine;
    // Tokens with their weights: pushing up before, down after.
    EXPECT_NE(reasonLine.substr(unwanted, wanted - unwanted).find(" +"), std::string::npos);
    EXPECT_NE(reasonLine.find(" -", wanted), std::string::npos) << reasonLine;

    // Unticking the learned row teaches at once that it is wanted.
    const uint32_t wantedBefore = learner->WantedCount();
    account.Select({});
    account.Frame.Rows();  // the hand ticks reach the page when the rows are read
    learner->Wait();
    EXPECT_EQ(learner->WantedCount(), wantedBefore + 1);
}

// Blocking a domain many people share asks first, counting the listed rows it would tick;
// blocking a sender the allow list keeps offers to take it off that list; other domains go at once.
TEST(ChPageTest, BlockingASharedDomainOrAnAllowedSenderAsksFirst) {
    auto from = [](const std::string& address, const std::string& uid) {
        return TFakeMessage{"Subject: s\r\nFrom: " + address + "\r\n", 100, uid};
    };
    TFakePop3Server server;
    server.SetMessages({from("a@docomo.ne.jp", "u1"), from("b@docomo.ne.jp", "u2"),
                        from("c@example.jp", "u3"), from("friend@docomo.ne.jp", "u4")});
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    TPruneboxM& main = account.Started.Main;
    ASSERT_TRUE(TSenderStore(*main.Registry).Save({{"friend@docomo.ne.jp"}, {}}));
    account.Page.AutoDelMode = 1;
    account.Page.Rules = {"Subject:,nothing"};
    account.Run(account.Frame.Logon);
    ASSERT_EQ(account.Frame.RowCount(), 4);

    using Texts = std::vector<std::string>;
    const int domain = TMainFrame::IdBlockDomain, sender = TMainFrame::IdBlockSender;
    const struct {
        int Command, Row;
        int Answer;  // 0: no question expected
        const char* InQuestion;
        Texts Allow, Block;
        int Ticked;
    } steps[] = {
        {domain, 0, mrNo, "(いま一覧にあるメールでは 2 通)", {"friend@docomo.ne.jp"}, {}, 0},
        {domain,
         0,
         mrYes,
         "「docomo.ne.jp」は多くの人が使う",
         {"friend@docomo.ne.jp"},
         {"docomo.ne.jp"},
         2},
        {sender,
         3,
         mrNo,
         "許可リストの「friend@docomo.ne.jp」",
         {"friend@docomo.ne.jp"},
         {"docomo.ne.jp"},
         2},
        {sender,
         3,
         mrYes,
         "許可リストから「friend@docomo.ne.jp」を外して",
         {},
         {"docomo.ne.jp", "friend@docomo.ne.jp"},
         3},
        {domain, 2, 0, "", {}, {"docomo.ne.jp", "friend@docomo.ne.jp", "example.jp"}, 4},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.InQuestion);
        TDialogAnswerer answerer({TAction(TAnswer::Click, step.Answer ? step.Answer : mrOk)});
        account.Page.AddRowSender(step.Command, step.Row);
        ASSERT_EQ(answerer.Seen.size(), step.Answer ? 1u : 0u);
        if (step.Answer) {
            EXPECT_NE(answerer.Seen[0].Text.find(step.InQuestion), std::string::npos)
                << answerer.Seen[0].Text;
            EXPECT_EQ(answerer.Seen[0].DefaultId, mrNo);  // a stray Enter blocks nothing
        }
        const TSenderLists lists = TSenderStore(*main.Registry).Load();
        EXPECT_EQ(lists.Allow, step.Allow);
        EXPECT_EQ(lists.Block, step.Block);
        EXPECT_EQ(account.Frame.SelectedCount(), step.Ticked);
    }
}

// A change of the lists while the mailbox is listed reaches the rows listed after it too.
TEST(ChPageTest, RowsListedAfterAChangeOfTheListsAreDecidedByIt) {
    TFakePop3Server server;
    server.SetMessages({Mail("first", "Mon, 31 Dec 2023 23:00:00 +0900", 10, "u1"),
                        Mail("second", "Tue, 01 Jan 2024 08:00:00 +0900", 10, "u2")});
    server.Script("TOP 2 0", TFakeReply::Split({"+OK\r\nSubject: second\r\n",
                                                "From: Sender <s@example.jp>\r\n\r\n.\r\n"},
                                               1500));
    TAccount account("127.0.0.1:" + std::to_string(server.Port()), "user", "secret");
    account.Page.AutoDelMode = 1;
    account.Page.Rules = {"Subject:,nothing"};
    account.Click(account.Frame.Logon);
    ASSERT_TRUE(PumpUntil([&] {
        account.Page.Bridge->Queue.Drain();
        return account.Frame.RowCount() == 1;
    }));
    ASSERT_TRUE(account.Page.Worker->Busy());
    TPruneboxM& main = account.Started.Main;
    ASSERT_TRUE(TSenderStore(*main.Registry).Save({{}, {"example.jp"}}));
    main.RulesChanged();
    ASSERT_TRUE(PumpUntil([&] { return account.Idle(); }, 30000));
    account.Page.Bridge->Queue.Drain();
    GuiTest::PumpPending();
    EXPECT_EQ(account.Column(MailColumn::Reason),
              (std::vector<std::string>{"拒否リスト: example.jp", "拒否リスト: example.jp"}));
    EXPECT_EQ(account.Frame.SelectedCount(), 2);
}

// A rule ticks "alpha"; the user unticks it. Neither a disconnect, a change of the rules nor a
// restart gives the tick back.
TEST(ChPageTest, AHandUntickOutlivesTheListTheRulesAndTheProgram) {
    TFakePop3Server server;
    server.SetMessages(ThreeMails());
    const std::string address = "127.0.0.1:" + std::to_string(server.Port());
    auto ticked = [](TAccount& account) {
        account.Page.Bridge->Queue.Drain();
        std::vector<std::string> titles;
        for (const TMailRow& row : account.Frame.Rows())
            if (row.Ticked) titles.push_back(row.Columns[TMailRow::Title]);
        return titles;
    };
    {
        TAccount account(address, "user", "secret");
        account.Page.AutoDelMode = 1;
        account.Page.Rules = {"Subject:,alpha"};
        account.Run(account.Frame.Logon);
        ASSERT_EQ(ticked(account), (std::vector<std::string>{"alpha"}));
        account.Select({});
        account.Run(account.Frame.Kill);
        account.Run(account.Frame.Logon);
        EXPECT_EQ(ticked(account), (std::vector<std::string>{})) << "listed again";
        account.Page.RulesChanged();
        EXPECT_EQ(ticked(account), (std::vector<std::string>{})) << "rules decided again";
        account.Select({0, 1});
        EXPECT_EQ(ticked(account), (std::vector<std::string>{"beta", "alpha"}));
        account.Run(account.Frame.Kill);
    }
    TStarted restarted(1, TTabPosition::Top, false);
    TChPage& page = *restarted.Main.Accounts.Pages[1];
    page.AutoDelMode = 1;
    page.Rules = {"Subject:,nothing"};
    SetWindowTextA(page.Frame->Serv, address.c_str());
    SetWindowTextA(page.Frame->IDNum, "user");
    SetWindowTextA(page.Frame->Pass, "secret");
    SendMessageA(page.Frame->Logon, BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !page.Worker->Busy(); }, 30000));
    page.Bridge->Queue.Drain();
    EXPECT_EQ(page.Frame->SelectedCount(), 1) << "beta, ticked by hand, stays ticked";
}

TEST(ChPageTest, ListsTheJapaneseMailboxOfDovecot) {
    if (TestEnv::DovecotPort() == 0) GTEST_SKIP() << "no Dovecot fixture";
    TAccount account("127.0.0.1:" + std::to_string(TestEnv::DovecotPort()), "jpuser",
                     TestEnv::DovecotPassword());
    account.Run(account.Frame.Logon);
    ASSERT_EQ(account.Frame.RowCount(), 15);
    EXPECT_EQ(account.Frame.CellText(0, MailColumn::Title), "会議の資料について");
    EXPECT_EQ(account.Frame.CellText(0, MailColumn::Sender), "山田 太郎");
    EXPECT_EQ(account.Frame.CellText(0, MailColumn::Sent), "11/13 (月) 09:15");
    EXPECT_EQ(account.Frame.StatusBar1.Text(1), "全 15通");
    EXPECT_EQ(account.Page.IndicatorState, 3);
    account.Run(account.Frame.Kill);
    EXPECT_EQ(account.Page.IndicatorState, 0);
}

}  // namespace
