// The periodic check against the scriptable server: it never asks and never stays connected,
// lists only what is new, keeps the user's ticks and deletes only what a rule ticked.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "../history/ScratchFolder.h"
#include "FakePop3Server.h"
#include "WorkerHarness.h"
#include "history/CopyFolder.h"
#include "history/DeleteHistory.h"
#include "history/FileSystem.h"

namespace {

using TLines = std::vector<std::string>;

TFakeMessage Mail(const std::string& uid, const std::string& subject) {
    return {"Subject: " + subject + "\r\nFrom: someone@example.jp\r\n", 1000, uid};
}

TLines Uids(const std::vector<TFakeMessage>& messages) {
    TLines uids;
    for (const TFakeMessage& m : messages) uids.push_back(m.Uid);
    return uids;
}

struct TCheckAccount : TWorkerHarness {
    TFakePop3Server Server;
    TCheckAccount() : TWorkerHarness("", "user", "secret") {
        Page.Server = "127.0.0.1:" + std::to_string(Server.Port());
        Page.RuleList = {"Subject:,spam"};
        Page.Mode = 1;
        Worker->TimeOut = 2000;
    }
    // "title ticked/ruleTicked" per row.
    TLines Rows() {
        TLines rows;
        for (const TMailRow& row : Page.CurrentRows())
            rows.push_back(row.Columns[TMailRow::Title] + " " + (row.Ticked ? "x" : "-") +
                           (row.RuleTicked ? "x" : "-"));
        return rows;
    }
    void TickTitle(const std::string& title, bool ticked) {
        const std::vector<TMailRow> rows = Page.CurrentRows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].Columns[TMailRow::Title] == title) Page.Tick(i, ticked);
    }
    // A check as the page gives it with "DeleteTicked" on.
    void RunDeletingCheck(const std::string& historyFolder, bool keepCopy = false) {
        TCheckInputs inputs = Page.Inputs();
        inputs.DeleteTicked = true;
        inputs.KeepCopy = keepCopy;
        inputs.HistoryFolder = historyFolder;
        ASSERT_TRUE(Worker->Resume(TConnect::CmdCheck, inputs));
        ASSERT_TRUE(Worker->WaitIdle(120000));
    }
    // Neither a question nor a session left: the account is at rest.
    void ExpectUnattendedEnd() {
        EXPECT_TRUE(Page.Events({"password", "cert", "confirm", "beep"}).empty());
        ExpectIdleDisconnected();
        ASSERT_EQ(Page.Events({"check"}).size(), 1u);
    }
};

TEST(ConnectCheck, EndsWithoutAskingAndSaysWhy) {
    struct TCase {
        const char* Name;
        std::function<void(TCheckAccount&)> Arrange;
        TCheckOutcome Outcome;
        const char* Text;
        TLines Commands;  // of the last connection; empty: none was made
    };
    const TCase cases[] = {
        {"no password",
         [](auto& a) { a.Page.Password.clear(); },
         TCheckOutcome::Refused,
         "パスワードが保存されていないため、新着確認をしませんでした。アカウントの設定で"
         "「パスワードの保存」をオンにするか、「接続」を押して入力してください。",
         {}},
        {"login refused",
         [](auto& a) { a.Page.Password = "wrong"; },
         TCheckOutcome::Refused,
         "ユーザ名、パスワードが違います。 (サーバの応答: -ERR [AUTH] Authentication failed.) "
         "新着確認をしませんでした。アカウントの設定を確かめて「接続」を押してください。",
         {"USER user", "PASS wrong", "QUIT"}},
        {"mailbox in use",
         [](auto& a) { a.Server.Script("PASS", TFakeReply::Bytes("-ERR [IN-USE] locked\r\n")); },
         TCheckOutcome::InUse,
         "メールボックスは他のプログラムが使用中です。",
         {"USER user", "PASS secret", "QUIT"}},
        {"server's passing trouble",
         [](auto& a) { a.Server.Script("PASS", TFakeReply::Bytes("-ERR [SYS/TEMP] busy\r\n")); },
         TCheckOutcome::NetworkFailure,
         "通信エラー",
         {"USER user", "PASS secret", "QUIT"}},
        {"no server",
         [](auto& a) {
             int port;
             {
                 TFakePop3Server gone;
                 port = gone.Port();
             }
             a.Page.Server = "127.0.0.1:" + std::to_string(port);
         },
         TCheckOutcome::NetworkFailure,
         "接続できません。",
         {}},
        {"signed in never",
         [](auto& a) { a.Page.OAuth.Method = AuthMicrosoft; },
         TCheckOutcome::Refused,
         "サインインが必要です",
         {}},
        {"token never in clear",
         [](auto& a) {
             a.Page.OAuth.Method = AuthGoogle;
             a.Page.RefreshToken = "rt";
         },
         TCheckOutcome::Refused,
         "OAuth 2.0 のサインインは SSL/TLS か STARTTLS の接続でだけ使えます。 "
         "新着確認をしませんでした。アカウントの設定を確かめて「接続」を押してください。",
         {}},
        {"dropped while listing",
         [](auto& a) { a.Server.Script("UIDL", TFakeReply::Drop()); },
         TCheckOutcome::NetworkFailure,
         "タイムアウトしました。",
         {"USER user", "PASS secret", "CAPA", "STAT", "LIST", "UIDL"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TCheckAccount account;
        account.Server.SetMessages({Mail("u1", "hello")});
        account.Server.SetCapabilities({"LOGIN-DELAY 900"});
        c.Arrange(account);
        account.Run(TConnect::CmdCheck);
        account.ExpectUnattendedEnd();
        EXPECT_EQ(account.Page.LastCheck.Outcome, c.Outcome);
        EXPECT_EQ(account.Page.LastCheck.Failure, c.Text);
        EXPECT_EQ(account.Page.Status(0), c.Text);
        EXPECT_EQ(account.Server.Commands(), c.Commands);
        EXPECT_EQ(account.Page.LastCheck.SignInNeeded,
                  c.Text == std::string("サインインが必要です"));
    }
}

// Two checks, a new message between them, the user's ticks in between, then "削除 + 切断".
TEST(ConnectCheck, ListsOnlyWhatIsNewAndKeepsTheUsersTicks) {
    for (bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "pipelining" : "lock-step");
        TCheckAccount account;
        if (pipelining) account.Server.SetCapabilities({"PIPELINING"});
        account.Server.SetMessages(
            {Mail("u1", "hello"), Mail("u2", "spam 1"), Mail("u3", "news"), Mail("u4", "spam 2")});
        account.Run(TConnect::CmdCheck);
        account.ExpectUnattendedEnd();
        EXPECT_EQ(account.Page.Events({"check"})[0], "check 0 waiting 2 arrived 2 deleted 0");
        EXPECT_EQ(account.Server.Commands().back(), "QUIT");
        EXPECT_EQ(account.Rows(), (TLines{"hello --", "spam 1 xx", "news --", "spam 2 xx"}));

        account.TickTitle("spam 1", false);  // by hand, against the rule
        account.TickTitle("news", true);
        std::vector<TFakeMessage> mailbox = account.Server.Messages();
        mailbox.push_back(Mail("u5", "spam 3"));
        mailbox.push_back(Mail("u6", "later"));
        account.Server.SetMessages(mailbox);
        account.Page.ClearEvents();
        account.Run(TConnect::CmdCheck);
        account.ExpectUnattendedEnd();
        EXPECT_EQ(account.Page.Events({"check"})[0], "check 0 waiting 3 arrived 1 deleted 0");
        EXPECT_EQ(account.Page.LastCheck.Arrived.at(0).Columns[TMailRow::Title], "later");
        TLines commands = {"USER user", "PASS secret", "CAPA",    "STAT",
                           "LIST",      "UIDL",        "TOP 5 0", "TOP 6 0"};
        if (pipelining) commands.push_back("STAT");
        commands.push_back("QUIT");
        EXPECT_EQ(account.Server.Commands(), commands);
        EXPECT_EQ(account.Rows(), (TLines{"hello --", "spam 1 -x", "news x-", "spam 2 xx",
                                          "spam 3 xx", "later --"}));
        // Every row, kept or new, carries the lines the page decides it again by.
        for (const TMailRow& row : account.Page.CurrentRows())
            EXPECT_FALSE(row.HeaderLines.empty()) << row.Columns[TMailRow::Title];

        // The rows a check left are deleted after a reconnection, found by unique id.
        account.Run(TConnect::CmdDelete);
        EXPECT_EQ(Uids(account.Server.Messages()), (TLines{"u1", "u2", "u6"}));
        account.ExpectIdleDisconnected();
    }
}

// The user unticked one rule-ticked row and ticked another by hand after the first check; the
// second deletes only what a rule ticked and the user left ticked, or nothing at all.
TEST(ConnectCheck, AutomaticDeletionTakesOnlyRuleTickedMail) {
    const std::string notDeleted =
        "自動削除できませんでした。サーバ上のメールは削除されていません。";
    struct TCase {
        const char* Name;
        std::function<void(TCheckAccount&, const std::string& folder)> Arrange;
        TLines Remaining;  // on the server
        TLines Rows;       // on the page
        std::string Text;  // panel 0, or its start
        size_t HistoryLines;
    };
    const TCase cases[] = {
        {"deletes",
         [](auto&, auto&) {},
         {"u1", "u3", "u4"},
         {"hello --", "spam 2 -x", "news x-"},
         "新着確認しました。1通を自動削除しました。",
         1},
        {"history read-only",
         [](auto&, const std::string& folder) {
             const std::string file = TDeleteHistory(folder).Path();
             ASSERT_TRUE(FileSystem::WriteWhole(file, ""));
             SetReadOnly(file, true);
         },
         {"u1", "u2", "u3", "u4"},
         {"hello --", "spam 1 xx", "spam 2 -x", "news x-"},
         "削除履歴 ",
         0},
        {"dropped at DELE",
         [](auto& a, auto&) { a.Server.Script("DELE", TFakeReply::Drop()); },
         {"u1", "u2", "u3", "u4"},
         {"hello --", "spam 1 xx", "spam 2 -x", "news x-"},
         notDeleted,
         0},
        {"QUIT unanswered",
         [](auto& a, auto&) { a.Server.Script("QUIT", TFakeReply::Cut(0, true)); },
         {"u1", "u3", "u4"},
         {"hello --", "spam 1 xx", "spam 2 -x", "news x-"},
         TConnect::QuitRefusedText,
         0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TScratchFolder scratch;
        TCheckAccount account;
        account.Server.SetMessages(
            {Mail("u1", "hello"), Mail("u2", "spam 1"), Mail("u3", "spam 2"), Mail("u4", "news")});
        account.Run(TConnect::CmdCheck);
        account.TickTitle("spam 2", false);
        account.TickTitle("news", true);
        c.Arrange(account, scratch.Path);
        account.Page.ClearEvents();
        account.RunDeletingCheck(scratch.Path);
        account.ExpectUnattendedEnd();
        EXPECT_EQ(Uids(account.Server.Messages()), c.Remaining);
        EXPECT_EQ(account.Rows(), c.Rows);
        for (const TMailRow& row : account.Page.CurrentRows())
            EXPECT_FALSE(row.HeaderLines.empty()) << row.Columns[TMailRow::Title];
        EXPECT_EQ(account.Page.Status(0).rfind(c.Text, 0), 0u) << account.Page.Status(0);
        EXPECT_EQ(account.Page.LastCheck.Deleted, c.HistoryLines);
        EXPECT_EQ(account.Page.LastCheck.Failure.empty(), c.HistoryLines > 0);
        std::vector<TDeletedMail> lines;
        TDeleteHistory(scratch.Path).Read(lines);
        ASSERT_EQ(lines.size(), c.HistoryLines);
        if (!lines.empty()) {
            EXPECT_EQ(lines[0].Method, TDeleteHistory::Automatic);
            EXPECT_EQ(lines[0].Reason, "Subject:,spam");
            EXPECT_EQ(lines[0].Uidl, "u2");
        }
        const std::string file = TDeleteHistory(scratch.Path).Path();
        if (FileSystem::Exists(file)) SetReadOnly(file, false);
    }
}

// With KeepCopy a message goes only once its copy holds exactly its bytes.
TEST(ConnectCheck, AutomaticDeletionKeepsACopyFirst) {
    struct TCase {
        const char* Name;
        std::function<void(TCheckAccount&, const std::string& scratch)> Arrange;
        TLines Remaining;
        TLines Copies;  // the unique ids whose copies are there afterwards
        const char* Text;
    };
    const TCase cases[] = {
        {"copied",
         [](auto&, auto&) {},
         {"u1"},
         {"u2", "u3"},
         "新着確認しました。2通を自動削除しました。"},
        {"RETR refused",
         [](auto& a, auto&) { a.Server.Script("RETR 2", TFakeReply::Bytes("-ERR locked\r\n")); },
         {"u1", "u2"},
         {"u3"},
         "新着確認しました。1通を自動削除しました。"},
        {"copy not written",
         [](auto&, const std::string& scratch) {
             ASSERT_TRUE(FileSystem::WriteWhole(TCopyFolder(scratch).Path(), "in the way"));
         },
         {"u1", "u2", "u3"},
         {},
         "新着確認しました。サーバとの接続を切断しました。"
         "2通はコピーを保存できなかったため削除しませんでした。"},
        {"dropped at RETR",
         [](auto& a, auto&) { a.Server.Script("RETR 3", TFakeReply::Drop()); },
         {"u1", "u2", "u3"},
         {"u2"},
         "自動削除できませんでした。"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TScratchFolder scratch;
        const std::string accountFolder = TCopyFolder(scratch.Path).AccountFolder("account");
        TCheckAccount account;
        TFakeMessage stuffed = Mail("u2", "spam 1");
        stuffed.Body = "first\r\n.leading dot\r\n..two\r\n";
        TFakeMessage plain = Mail("u3", "spam 2");
        // Far beyond the slack a reply has past its size: the bound comes from the listed size.
        for (int i = 0; i < 1000; ++i) plain.Body += std::string(198, 'x') + "\r\n";
        plain.Size = static_cast<int32_t>(plain.Header.size() + 2 + plain.Body.size());
        account.Server.SetMessages({Mail("u1", "hello"), stuffed, plain});
        c.Arrange(account, scratch.Path);
        account.RunDeletingCheck(scratch.Path, true);
        account.ExpectUnattendedEnd();
        EXPECT_EQ(Uids(account.Server.Messages()), c.Remaining);
        EXPECT_EQ(account.Page.Status(0).rfind(c.Text, 0), 0u) << account.Page.Status(0);
        // A message not saved is a failure the icon's tip shows.
        EXPECT_EQ(account.Page.LastCheck.Failure.empty(), c.Remaining.size() == 1);
        TLines copies;
        for (const FileSystem::TEntry& file : FileSystem::ListFolder(accountFolder)) {
            std::string bytes;
            ASSERT_TRUE(
                FileSystem::ReadWhole(FileSystem::JoinPath(accountFolder, file.Name), bytes));
            const TFakeMessage& m = bytes.find("spam 1") != std::string::npos ? stuffed : plain;
            EXPECT_EQ(bytes, m.Header + "\r\n" + m.Body) << file.Name;
            EXPECT_NE(file.Name.find("-" + m.Uid + ".eml"), std::string::npos) << file.Name;
            copies.push_back(m.Uid);
        }
        std::sort(copies.begin(), copies.end());
        EXPECT_EQ(copies, c.Copies);
    }
}

// A check given while one runs is refused, not queued: one connection only.
TEST(ConnectCheck, SecondCheckWhileOneRunsIsRefused) {
    TCheckAccount account;
    account.Server.SetMessages({Mail("u1", "hello")});
    account.Server.ScriptGreeting(TFakeReply::Split({"+OK ", "ready <1.2@fake.example>\r\n"}, 300));
    ASSERT_TRUE(account.Worker->Resume(TConnect::CmdCheck, account.Page.Inputs()));
    EXPECT_FALSE(account.Worker->Resume(TConnect::CmdCheck, account.Page.Inputs()));
    ASSERT_TRUE(account.Worker->WaitIdle(120000));
    EXPECT_EQ(account.Server.ConnectionCount(), 1);
    EXPECT_EQ(account.Page.Events({"check"}), (TLines{"check 0 waiting 1 arrived 1 deleted 0"}));
}

}  // namespace
