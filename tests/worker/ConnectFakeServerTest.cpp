// The worker against the scriptable server: failures, reconnections, renumbered mailboxes.
#include <gtest/gtest.h>

#include <algorithm>

#include "../history/ScratchFolder.h"
#include "AllocationProbe.h"
#include "FakePop3Server.h"
#include "WorkerHarness.h"
#include "history/CopyFolder.h"
#include "history/DeleteHistory.h"
#include "history/FileSystem.h"

namespace {

using TLines = std::vector<std::string>;

TFakeMessage Mail(const std::string& uid, const std::string& subject,
                  const std::string& from = "someone@example.jp") {
    return {"Subject: " + subject + "\r\nFrom: " + from +
                "\r\nDate: Mon, 13 Nov 2023 09:15:00 +0900\r\n",
            1000, uid};
}

std::vector<TFakeMessage> FiveMails() {
    return {Mail("ua", "a"), Mail("ub", "b"), Mail("uc", "c"), Mail("ud", "d"), Mail("ue", "e")};
}

TLines Uids(const std::vector<TFakeMessage>& messages) {
    TLines uids;
    for (const TFakeMessage& m : messages) uids.push_back(m.Uid);
    return uids;
}

TLines CommandsStartingWith(const TLines& commands, const std::string& prefix) {
    TLines found;
    for (const std::string& c : commands) {
        if (c.compare(0, prefix.size(), prefix) == 0) found.push_back(c);
    }
    return found;
}

struct TFakeAccount : TWorkerHarness {
    TFakePop3Server& Server;
    explicit TFakeAccount(TFakePop3Server& server)
        : TWorkerHarness("127.0.0.1:" + std::to_string(server.Port()), "user", "secret"),
          Server(server) {
        Worker->TimeOut = 2000;
    }
    void TickTitles(const TLines& titles) {
        Page.TickWhere([&](const TMailRow& row) {
            for (const std::string& t : titles) {
                if (row.Columns[TMailRow::Title] == t) return true;
            }
            return false;
        });
    }
};

struct TFailureCase {
    const char* Name;
    std::function<void(TFakePop3Server&, TFakeAccount&)> Arrange;
    const char* Text;
};

class ConnectFailure : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(ConnectFailure, ShowsTheTextAndStaysReady) {
    TFakePop3Server server;
    server.SetMessages(FiveMails());
    TFakeAccount account(server);
    GetParam().Arrange(server, account);
    account.Run(TConnect::CmdConnect);
    EXPECT_EQ(account.Page.Status(0), GetParam().Text);
    account.ExpectIdleDisconnected();
    // Still ready: the next command runs.
    account.Page.ClearEvents();
    account.Run(TConnect::CmdDisconnect);
    EXPECT_EQ(account.Page.Events({"clear"}).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ConnectFailure,
    ::testing::Values(
        TFailureCase{"Refused", [](auto&, auto& a) { a.Page.Password = "wrong"; },
                     "ユーザ名、パスワードが違います。"},
        TFailureCase{"NoServer",
                     [](auto&, auto& a) {
                         int port;
                         {
                             TFakePop3Server gone;
                             port = gone.Port();
                         }
                         a.Page.Server = "127.0.0.1:" + std::to_string(port);
                     },
                     "接続できません。"},
        TFailureCase{"UnknownHost", [](auto&, auto& a) { a.Page.Server = "nonexistent.invalid"; },
                     "通信出来ません。"},
        TFailureCase{"NegativeTop",
                     [](auto& s, auto&) { s.Script("TOP 3", TFakeReply::Bytes("-ERR gone\r\n")); },
                     "通信エラー"},
        TFailureCase{"NegativeGreeting",
                     [](auto& s, auto&) { s.ScriptGreeting(TFakeReply::Bytes("-ERR busy\r\n")); },
                     "通信エラー"},
        TFailureCase{"DroppedDuringList",
                     [](auto& s, auto&) { s.Script("LIST", TFakeReply::Drop()); },
                     "タイムアウトしました。"},
        TFailureCase{"SilentServer",
                     [](auto& s, auto& a) {
                         a.Worker->TimeOut = 300;
                         s.Script("UIDL", TFakeReply::Silence());
                     },
                     "タイムアウトしました。"},
        TFailureCase{"SilentGreeting",
                     [](auto& s, auto& a) {
                         a.Worker->TimeOut = 300;
                         s.ScriptGreeting(TFakeReply::Silence());
                     },
                     "タイムアウトしました。"},
        TFailureCase{"BadPort", [](auto&, auto& a) { a.Page.Server = "127.0.0.1:abc"; },
                     "'abc' は整数ではありません"},
        TFailureCase{"StatWithoutCount",
                     [](auto& s, auto&) { s.Script("STAT", TFakeReply::Bytes("+OK\r\n")); },
                     "このサーバでは使えないようです。"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ConnectFake, RefusedLoginIsQuitBeforeTheNextConnect) {
    TFakePop3Server server;
    server.SetMessages(FiveMails());
    TFakeAccount account(server);
    account.Page.Password = "wrong";
    account.Run(TConnect::CmdConnect);
    account.Page.Password = "secret";
    account.Run(TConnect::CmdConnect);
    ASSERT_EQ(server.ConnectionCount(), 2);
    EXPECT_EQ(server.Commands(0), (TLines{"USER user", "PASS wrong", "QUIT"}));
    EXPECT_EQ(account.Page.CurrentRows().size(), 5u);
    EXPECT_EQ(account.Page.Lamp(), 3);
}

// The same texts in the same order whether the server takes commands ahead or not.
TEST(ConnectFake, ListingShowsItsProgressInOrder) {
    for (bool pipelining : {false, true}) {
        TFakePop3Server server;
        if (pipelining) server.SetCapabilities({"PIPELINING"});
        server.SetMessages({Mail("u1", "one"), Mail("u2", "two")});
        TFakeAccount account(server);
        account.Run(TConnect::CmdConnect);
        EXPECT_EQ(account.Page.Events({"status", "row", "lamp", "buttons", "login"}),
                  (TLines{"status1 ",
                          "status2 ",
                          "lamp 0",
                          "status0 接続中...",
                          "buttons 0",
                          "login 0",
                          "lamp 2",
                          "status0 接続しました。",
                          "status1 全 2通",
                          "status2 1通目処理中",
                          "status0 メールデータ読み込み中...",
                          "status0 読み込み完了。",
                          "row one",
                          "status2 2通目処理中",
                          "status0 メールデータ読み込み中...",
                          "status0 読み込み完了。",
                          "row two",
                          "lamp 3",
                          "status2 ",
                          "buttons 1"}));
        TLines commands = {"USER user", "PASS secret", "CAPA",    "STAT",
                           "LIST",      "UIDL",        "TOP 1 0", "TOP 2 0"};
        // The listing closes with a STAT that shows the replies stayed in step.
        commands.push_back("STAT");
        EXPECT_EQ(server.Commands(), commands);
    }
}

TEST(ConnectFake, DeleteAfterADroppedConnectionGoesByUniqueId) {
    TFakePop3Server server;
    server.SetMessages(FiveMails());
    TFakeAccount account(server);
    account.Run(TConnect::CmdConnect);
    account.TickTitles({"b", "d"});
    server.Script("NOOP", TFakeReply::Drop());
    account.Run(TConnect::CmdDelete);
    EXPECT_EQ(account.Page.Events({"status0 再接続"}).size(), 1u);
    EXPECT_EQ(CommandsStartingWith(server.Commands(), "DELE"), (TLines{"DELE 2", "DELE 4"}));
    EXPECT_EQ(Uids(server.Messages()), (TLines{"ua", "uc", "ue"}));
    EXPECT_EQ(account.Page.CurrentRows().size(), 0u);
    account.ExpectIdleDisconnected();
}

struct TShiftCase {
    const char* Name;
    TLines Ticked;                        // titles
    std::vector<TFakeMessage> Meanwhile;  // the mailbox at the reconnection
    TLines Deleted;                       // DELE lines expected
    TLines Remaining;
    const char* NotDeleted;  // what panel 0 adds about ticked mail left on the server
};

class ConnectShifted : public ::testing::TestWithParam<TShiftCase> {};

TEST_P(ConnectShifted, DeletesOnlyTheTickedMessages) {
    const TShiftCase& c = GetParam();
    TFakePop3Server server;
    server.SetMessages(FiveMails());
    TFakeAccount account(server);
    account.Run(TConnect::CmdConnect);
    account.TickTitles(c.Ticked);
    server.SetMessages(c.Meanwhile);  // another client changed the mailbox
    server.Script("NOOP", TFakeReply::Drop());
    account.Run(TConnect::CmdDelete);
    EXPECT_EQ(CommandsStartingWith(server.Commands(), "DELE"), c.Deleted);
    EXPECT_EQ(Uids(server.Messages()), c.Remaining);
    EXPECT_EQ(account.Page.Status(0), std::string("サーバとの接続を切断しました。") + c.NotDeleted);
}

INSTANTIATE_TEST_SUITE_P(
    Mailboxes, ConnectShifted,
    ::testing::Values(
        TShiftCase{"NumbersShifted",
                   {"c", "e"},
                   {Mail("uc", "c"), Mail("ud", "d"), Mail("ue", "e")},
                   {"DELE 1", "DELE 3"},
                   {"ud"},
                   ""},
        TShiftCase{"TickedMessageGone",
                   {"b", "d"},
                   {Mail("ua", "a"), Mail("uc", "c"), Mail("ud", "d"), Mail("ue", "e")},
                   {"DELE 3"},
                   {"ua", "uc", "ue"},
                   "(削除できなかったメール 1通)"},
        TShiftCase{"EverythingGone", {"a"}, {}, {}, {}, "(削除できなかったメール 1通)"},
        // A unique id the server now lists twice cannot tell which message the row meant.
        TShiftCase{"DuplicatedId",
                   {"a", "c"},
                   {Mail("ua", "a"), Mail("ua", "a2"), Mail("uc", "c")},
                   {"DELE 3"},
                   {"ua", "ua"},
                   "(削除できなかったメール 1通)"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ConnectFake, NumbersAreRenewedAfterAReconnectionForTheViewer) {
    TFakePop3Server server;
    server.SetMessages(FiveMails());
    TFakeAccount account(server);
    account.Run(TConnect::CmdConnect);
    account.TickTitles({"c"});
    server.SetMessages({Mail("ub", "b"), Mail("uc", "c"), Mail("ud", "d"), Mail("ue", "e")});
    server.Script("NOOP", TFakeReply::Drop());
    account.Run(TConnect::CmdHeader);
    EXPECT_EQ(account.Page.Events({"viewer"}), TLines{"viewer c|なし"});
    EXPECT_EQ(CommandsStartingWith(server.Commands(), "TOP"), TLines{"TOP 2 0"});
    EXPECT_EQ(account.Column(TMailRow::Number), (TLines{"", "1", "2", "3", "4"}));
    EXPECT_EQ(account.Page.Lamp(), 3);
    EXPECT_TRUE(account.Page.ButtonsOn());

    // On the new connection a delete must hit d (now number 3), never what the old 4 would be.
    account.TickTitles({"a", "d"});
    account.Run(TConnect::CmdDelete);
    EXPECT_EQ(CommandsStartingWith(server.Commands(), "DELE"), TLines{"DELE 3"});
    EXPECT_EQ(Uids(server.Messages()), (TLines{"ub", "uc", "ue"}));
}

// A command runs on the inputs it was given: the page has nothing the worker could read, and
// what the user edits while the command runs (here while the server is slow to answer STAT) is
// for the next command only; the password asked before it stays on the page.
TEST(ConnectFake, EditsMadeWhileACommandRunsWaitForTheNext) {
    TFakePop3Server server;
    server.SetMessages(FiveMails());
    TFakeAccount account(server);
    account.Page.Password = "";
    account.Page.RuleList = {"Subject:,b"};
    account.Page.Mode = 1;
    account.Page.PasswordAnswer = "secret";
    server.Script("STAT", TFakeReply::Split({"+OK 5 ", "5000\r\n"}, 300));
    const std::optional<TCheckInputs> inputs = account.Page.Ask(TConnect::CmdConnect, false);
    ASSERT_TRUE(inputs);
    ASSERT_TRUE(account.Worker->Resume(TConnect::CmdConnect, *inputs));
    ASSERT_TRUE(account.Page.WaitFor("lamp 2"));
    account.Page.Server = "nonexistent.invalid";
    account.Page.User = "other";
    account.Page.Apop = true;
    account.Page.RuleList = {"Subject:,d"};
    ASSERT_TRUE(account.Worker->WaitIdle(10000));
    const TLines login = server.Commands(0);
    ASSERT_GE(login.size(), 2u);
    EXPECT_EQ(TLines(login.begin(), login.begin() + 2), (TLines{"USER user", "PASS secret"}));
    EXPECT_EQ(account.TickedTitles(), TLines{"b"});

    account.Page.Server = "127.0.0.1:" + std::to_string(server.Port());
    account.Page.User = "user";
    account.Page.Apop = false;
    account.Run(TConnect::CmdDisconnect);
    account.Run(TConnect::CmdConnect);  // with the password the question left on the page
    EXPECT_EQ(account.TickedTitles(), TLines{"d"});
}

TEST(ConnectFake, RuleTextIsNotFoundInsideATwoByteCharacter) {
    TFakePop3Server server;
    server.SetMessages({Mail("u1", "one", "\x83\x41 <k@example.jp>"),  // ア
                        Mail("u2", "two", "A <a@example.jp>"),
                        Mail("u3", "three", "\x83\x41\x41 <x@example.jp>")});  // アA
    TFakeAccount account(server);
    account.Page.RuleList = {"From:,A"};
    account.Page.Mode = 1;
    account.Run(TConnect::CmdConnect);
    EXPECT_EQ(account.TickedTitles(), (TLines{"two", "three"}));
}

// A rule ticks text in the decoded value, and text in the value as older versions decoded it.
TEST(ConnectFake, RulesTickDecodedTextAndRawWords) {
    TFakePop3Server server;
    server.SetMessages({Mail("u1", "=?UTF-8?B?5pyq5om/6Ku+5bqD5ZGK?= sale"),  // 未承諾広告
                        Mail("u2", "=?GB2312?B?1tDOxA==?="),                  // 中文
                        Mail("u3", "=?EUC-JP?B?zKS+tcL6ua258A==?="),          // 未承諾広告
                        Mail("u4", "=?UTF-8?B?5bqD5ZGK?=")});                 // 広告
    TFakeAccount account(server);
    account.Page.RuleList = {"Subject:,未承諾広告", "Subject:,=?GB2312?"};
    account.Page.Mode = 1;
    account.Run(TConnect::CmdConnect);
    EXPECT_EQ(account.TickedTitles(), (TLines{"未承諾広告 sale", "中文", "未承諾広告"}));
}

TEST(ConnectFake, FailedHeaderFetchIsShownAndTheWorkerGoesOn) {
    TFakePop3Server server;
    server.SetMessages(FiveMails());
    TFakeAccount account(server);
    account.Run(TConnect::CmdConnect);
    account.TickTitles({"b"});
    server.Script("TOP 2", TFakeReply::Bytes("-ERR no such message\r\n"));
    account.Run(TConnect::CmdHeader);
    EXPECT_EQ(account.Page.Status(0), "通信エラー");
    EXPECT_EQ(account.Page.Lamp(), 0);
    EXPECT_TRUE(account.Page.ButtonsOn());
    EXPECT_EQ(account.Page.Events({"viewer"}).size(), 0u);
    // The connection is gone; the next viewer request reconnects.
    account.Run(TConnect::CmdHeader);
    EXPECT_EQ(account.Page.Events({"viewer"}), TLines{"viewer b|なし"});
}

// A deletion against what the server holds by then: mail another client removed or added, ids
// listed twice or given again, and deletions that fail. Each case runs with and without
// pipelining; the mail on the server is told apart by identity, whatever its id says.
struct TDeleteCase {
    const char* Name;
    std::vector<TFakeMessage> Listed;                 // the mailbox listed; identities 1, 2, ...
    std::vector<int> Ticked;                          // row numbers
    std::function<void(TFakePop3Server&)> Meanwhile;  // other clients, the server's faults
    std::vector<uint64_t> Remaining;                  // identities on the server at the end
    std::string Status;                               // panel 0 at the end
};

TFakeMessage Known(uint64_t identity, TFakeMessage message) {
    message.Identity = identity;
    return message;
}

// Another client leaves only the listed messages kept and adds others; the server has dropped
// our idle session.
void ChangedElsewhere(TFakePop3Server& server, const std::vector<uint64_t>& kept,
                      const std::vector<TFakeMessage>& added) {
    std::vector<TFakeMessage> mailbox;
    for (const TFakeMessage& m : server.Messages()) {
        if (std::find(kept.begin(), kept.end(), m.Identity) != kept.end()) mailbox.push_back(m);
    }
    mailbox.insert(mailbox.end(), added.begin(), added.end());
    server.SetMessages(mailbox);
    server.Script("NOOP", TFakeReply::Drop());
}

const std::string NotDeleted = "削除できませんでした。サーバ上のメールは削除されていません。";

class ConnectDelete : public ::testing::TestWithParam<TDeleteCase> {};

TEST_P(ConnectDelete, DeletesOnlyWhatTheTickedRowsShowed) {
    const TDeleteCase& c = GetParam();
    for (bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "pipelining" : "lock-step");
        TFakePop3Server server;
        if (pipelining) server.SetCapabilities({"PIPELINING"});
        std::vector<TFakeMessage> listed = c.Listed;
        for (size_t i = 0; i < listed.size(); ++i) listed[i].Identity = i + 1;
        server.SetMessages(listed);
        TFakeAccount account(server);
        account.Run(TConnect::CmdConnect);
        account.TickNumbers(c.Ticked);
        c.Meanwhile(server);
        account.Run(TConnect::CmdDelete);

        std::vector<uint64_t> remaining;
        for (const TFakeMessage& m : server.Messages()) remaining.push_back(m.Identity);
        EXPECT_EQ(remaining, c.Remaining);
        EXPECT_EQ(account.Page.Status(0), c.Status);
        if (c.Status.compare(0, NotDeleted.size(), NotDeleted) == 0) {
            // The failure stays in panel 0, and no QUIT made the server delete what was marked.
            EXPECT_TRUE(account.Page.Events({"status0 サーバとの接続を切断しました。"}).empty());
            for (const std::string& line : server.Commands()) EXPECT_NE(line, "QUIT");
        }
        EXPECT_TRUE(account.Page.CurrentRows().empty());
        account.ExpectIdleDisconnected();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectDelete,
    ::testing::Values(
        // Twins: the same id, size and header. Only the session that listed them knows which
        // is which.
        TDeleteCase{"TwinDeletedInTheListingSession",
                    {Mail("u1", "twin"), Mail("u1", "twin"), Mail("u2", "b")},
                    {2},
                    [](auto&) {},
                    {1, 3},
                    "サーバとの接続を切断しました。"},
        TDeleteCase{
            "TickedTwinGoneElsewhere",
            {Mail("u1", "twin"), Mail("u1", "twin"), Mail("u2", "b")},
            {2},
            [](auto& s) {
                ChangedElsewhere(s, {1, 3}, {});
            },
            {1, 3},
            "サーバとの接続を切断しました。1通は一覧で固有番号が他のメールと同じだったため、"
            "再接続の後は削除しませんでした。"},
        TDeleteCase{
            "UntickedTwinGoneElsewhere",
            {Mail("u1", "twin"), Mail("u1", "twin"), Mail("u2", "b")},
            {2},
            [](auto& s) {
                ChangedElsewhere(s, {2, 3}, {});
            },
            {2, 3},
            "サーバとの接続を切断しました。1通は一覧で固有番号が他のメールと同じだったため、"
            "再接続の後は削除しませんでした。"},
        // The ticked message went elsewhere and new mail came with its id.
        TDeleteCase{"IdGivenToNewMail",
                    {Mail("u1", "a"), Mail("u2", "b"), Mail("u3", "c")},
                    {1, 3},
                    [](auto& s) {
                        ChangedElsewhere(s, {2, 3}, {Known(4, Mail("u1", "new"))});
                    },
                    {2, 4},
                    "サーバとの接続を切断しました。1通は一覧の後にサーバ上で変わったため削除しませ"
                    "んでした。"},
        TDeleteCase{"IdGivenToNewMailWithTheSameHeader",
                    {Mail("u1", "a"), Mail("u2", "b")},
                    {1},
                    [](auto& s) {
                        TFakeMessage again = Known(4, Mail("u1", "a"));
                        again.Size = 2000;
                        ChangedElsewhere(s, {2}, {again});
                    },
                    {2, 4},
                    "サーバとの接続を切断しました。1通は一覧の後にサーバ上で変わったため削除しませ"
                    "んでした。"},
        // Deletions that fail: nothing is deleted, and the user is told so.
        TDeleteCase{"DeleRefused",
                    {Mail("u1", "a"), Mail("u2", "b"), Mail("u3", "c")},
                    {1, 2},
                    [](auto& s) { s.Script("DELE 2", TFakeReply::Bytes("-ERR locked\r\n")); },
                    {1, 2, 3},
                    NotDeleted + "(通信エラー)"},
        TDeleteCase{"DroppedAtDele",
                    {Mail("u1", "a"), Mail("u2", "b")},
                    {1, 2},
                    [](auto& s) { s.Script("DELE 2", TFakeReply::Drop()); },
                    {1, 2},
                    NotDeleted + "(タイムアウトしました。)"},
        TDeleteCase{"DeleRefusedAfterAReconnection",
                    {Mail("u1", "a"), Mail("u2", "b")},
                    {2},
                    [](auto& s) {
                        ChangedElsewhere(s, {1, 2}, {});
                        s.Script("DELE", TFakeReply::Bytes("-ERR locked\r\n"));
                    },
                    {1, 2},
                    NotDeleted + "(通信エラー)"},
        TDeleteCase{"ReconnectionRefused",
                    {Mail("u1", "a"), Mail("u2", "b")},
                    {2},
                    [](auto& s) {
                        ChangedElsewhere(s, {1, 2}, {});
                        s.Script("PASS", TFakeReply::Bytes("-ERR [IN-USE] locked\r\n"));
                    },
                    {1, 2},
                    NotDeleted + "(メールボックスは他のプログラムが使用中です。)"}),
    [](const auto& info) { return std::string(info.param.Name); });

// The history gets one line per deleted message, with what ticked it, only once the server
// confirmed the deletion at QUIT.
TEST(ConnectFake, DeletionHistoryFollowsTheServersConfirmation) {
    struct TCase {
        const char* Name;
        std::function<void(TFakePop3Server&)> Arrange;
        bool Blocked;    // a file stands where the history's folder would be; or, when no
                         // line is expected and nothing was to stay, there is no folder at all
        TLines Reasons;  // of the history lines, newest first; none: no file
        TLines Remaining;
        std::string Status;
    };
    const std::string disconnected = "サーバとの接続を切断しました。";
    const TCase cases[] = {
        {"deleted",
         [](auto&) {},
         false,
         {"Subject:,spam", "手動", "拒否リスト: example.jp"},
         {},
         disconnected},
        {"history blocked",
         [](auto&) {},
         true,
         {},
         {},
         disconnected + TDeleteHistory::NotWrittenText},
        {"no history folder",
         [](auto&) {},
         false,
         {},
         {},
         disconnected + TDeleteHistory::NotWrittenText},
        {"quit refused",
         [](auto& s) { s.Script("QUIT", TFakeReply::Bytes("-ERR no\r\n")); },
         false,
         {},
         {"u1", "u2", "u3"},
         TConnect::QuitRefusedText},
        {"dele refused",
         [](auto& s) { s.Script("DELE 3", TFakeReply::Bytes("-ERR no\r\n")); },
         false,
         {},
         {"u1", "u2", "u3"},
         NotDeleted + "(通信エラー)"},
    };
    TScratchFolder scratch;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string folder = FileSystem::JoinPath(scratch.Path, c.Name);
        if (c.Blocked) {
            ASSERT_TRUE(FileSystem::WriteWhole(folder, "x"));
        }
        TFakePop3Server server;
        server.SetMessages({Mail("u1", "hello"), Mail("u2", "keep"), Mail("u3", "spam offer")});
        TFakeAccount account(server);
        account.Page.Caption = "会社";
        account.Page.RuleList = {"From:,nobody", "Subject:,spam", "Subject:,offer"};
        account.Page.Mode = 1;
        account.Run(TConnect::CmdConnect);
        // 3 the rule ticked at listing, 2 by hand, 1 by a list the page decided it by later.
        account.TickNumbers({1, 2, 3});
        c.Arrange(server);
        TCheckInputs inputs = account.Page.Inputs();
        inputs.Rows[0].RuleTicked = true;
        inputs.Rows[0].Reason = "拒否リスト: example.jp";
        const bool noFolder = c.Reasons.empty() && c.Remaining.empty() && !c.Blocked;
        inputs.HistoryFolder = noFolder ? std::string() : folder;
        inputs.WritesHistory = true;
        ASSERT_TRUE(account.Worker->Resume(TConnect::CmdDelete, inputs));
        ASSERT_TRUE(account.Worker->WaitIdle(120000));

        EXPECT_EQ(Uids(server.Messages()), c.Remaining);
        EXPECT_EQ(account.Page.Status(0), c.Status);
        const std::string path = TDeleteHistory(folder).Path();
        if (c.Reasons.empty()) {
            EXPECT_FALSE(FileSystem::Exists(path));
            continue;
        }
        std::string bytes;
        ASSERT_TRUE(FileSystem::ReadWhole(path, bytes));
        EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")), TDeleteHistory::HeaderLine);
        std::vector<TDeletedMail> lines;
        ASSERT_TRUE(TDeleteHistory(folder).Read(lines));
        ASSERT_EQ(lines.size(), c.Reasons.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].Reason, c.Reasons[i]);
            EXPECT_EQ(lines[i].Account, "会社");
            EXPECT_EQ(lines[i].Method, TDeleteHistory::ByHand);
            EXPECT_EQ(lines[i].SentAt, "2023/11/13 09:15:00");
            EXPECT_EQ(lines[i].Size, "1000");
        }
        EXPECT_EQ(lines[0].Subject + lines[0].Uidl + lines[1].Subject + lines[1].Uidl +
                      lines[2].Subject + lines[2].Uidl,
                  "spam offeru3keepu2hellou1");
    }
}

// With "削除するメールを保存する" a deletion by hand also keeps a copy of each message first: a
// message goes only once its copy is whole, and the question says so.
TEST(ConnectFake, DeletionByHandKeepsCopiesFirst) {
    TScratchFolder scratch;
    TFakePop3Server server;
    server.SetMessages({Mail("u1", "hello"), Mail("u2", "spam"), Mail("u3", "offer")});
    server.Script("RETR 3", TFakeReply::Bytes("-ERR locked\r\n"));
    TFakeAccount account(server);
    account.Run(TConnect::CmdConnect);
    account.TickTitles({"spam", "offer"});
    TCheckInputs inputs = account.Page.Inputs();
    inputs.HistoryFolder = scratch.Path;
    inputs.WritesHistory = inputs.KeepCopy = true;
    const std::optional<TCheckInputs> agreed =
        account.Page.Ask(TConnect::CmdDelete, inputs, account.Worker->Connected());
    ASSERT_TRUE(agreed);
    ASSERT_TRUE(account.Worker->Resume(TConnect::CmdDelete, *agreed));
    ASSERT_TRUE(account.Worker->WaitIdle(120000));
    EXPECT_EQ(Uids(server.Messages()), (TLines{"u1", "u3"}));
    EXPECT_NE(account.Page.Status(0).find("1通は"), std::string::npos) << account.Page.Status(0);
    EXPECT_NE(account.Page.Status(0).find("保存できなかったため削除しませんでした"),
              std::string::npos);
    const TLines question = account.Page.Events({"confirm"});
    ASSERT_EQ(question.size(), 1u);
    EXPECT_NE(question[0].find(TConnect::KeepCopyNote), std::string::npos);
    std::vector<TDeletedMail> lines;
    ASSERT_TRUE(TDeleteHistory(scratch.Path).Read(lines));
    ASSERT_EQ(lines.size(), 1u);
    std::string copy;
    ASSERT_TRUE(FileSystem::ReadWhole(
        TCopyFolder(scratch.Path).CopyOf("account", lines[0].CopyName, "u2", lines[0].DeletedAt),
        copy));
    EXPECT_EQ(copy.rfind("Subject: spam\r\n", 0), 0u);
}

TEST(ConnectFake, DeleteWithNothingTickedIsADisconnect) {
    TFakePop3Server server;
    server.SetMessages(FiveMails());
    TFakeAccount account(server);
    account.Run(TConnect::CmdConnect);
    account.Run(TConnect::CmdDelete);
    EXPECT_EQ(account.Page.Events({"confirm", "beep"}).size(), 0u);
    EXPECT_EQ(server.Commands().back(), "QUIT");
    EXPECT_EQ(server.Messages().size(), 5u);
    account.ExpectIdleDisconnected();
}

TEST(ConnectFake, EmptyHeaderGetsTheReadErrorRow) {
    TFakePop3Server server;
    server.SetMessages({{"", 10, "u1"}, Mail("u2", "two")});
    TFakeAccount account(server);
    account.Run(TConnect::CmdConnect);
    EXPECT_EQ(account.Column(TMailRow::Title), (TLines{"読み取りエラー (Prunebox)", "two"}));
    EXPECT_EQ(account.Column(TMailRow::Sender)[0], "Prunebox");
    EXPECT_EQ(account.Column(TMailRow::Uidl)[0], "u1");
}

// STLS refused or broken, and TLS asked of a plain server: the account fails with a clear text and
// nothing of the login leaves in clear. Where TLS itself fails the text depends on the platform.
TEST(ConnectFake, ProtectedLoginNeverFallsBackToPlainText) {
    const char* const noStartTls =
        "このサーバは STARTTLS に対応していません。ユーザ名とパスワードは送っていません。"
        "プロバイダの案内で「接続の保護」を確かめてください。";
    struct TCase {
        const char* Name;
        int Security;
        std::function<void(TFakePop3Server&)> Arrange;
        const char* Text;  // nullptr: any failure
    };
    const TCase cases[] = {
        {"refused", 2, [](auto& s) { s.Script("STLS", TFakeReply::Bytes("-ERR no\r\n")); },
         noStartTls},
        {"unknown", 2, [](auto&) {}, noStartTls},  // the fake refuses commands it does not know
        {"silent", 2, [](auto& s) { s.Script("STLS", TFakeReply::Silence()); }, noStartTls},
        {"garbage", 2, [](auto& s) { s.Script("STLS", TFakeReply::Bytes("\x16\x03\r\n")); },
         noStartTls},
        {"dropped", 2, [](auto& s) { s.Script("STLS", TFakeReply::Drop()); }, noStartTls},
        {"plain after +OK", 2,
         [](auto& s) { s.Script("STLS", TFakeReply::Bytes("+OK go\r\n+OK plain\r\n")); }, nullptr},
        {"plain server on the TLS port", 1, [](auto&) {}, nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakePop3Server server;
        server.SetMessages(FiveMails());
        c.Arrange(server);
        TFakeAccount account(server);
        account.Worker->TimeOut = 500;
        account.Page.SecurityMode = c.Security;
        account.Run(TConnect::CmdConnect);
        if (c.Text) {
            EXPECT_EQ(account.Page.Status(0), c.Text);
        }
        EXPECT_NE(account.Page.Status(0), "接続中...");
        EXPECT_TRUE(account.Page.CurrentRows().empty());
        account.ExpectIdleDisconnected();
        for (const std::string& line : server.Commands()) {
            EXPECT_NE(line.rfind("USER", 0), 0u) << line;
            EXPECT_NE(line.rfind("APOP", 0), 0u) << line;
        }
        if (c.Security == 2) {
            EXPECT_EQ(server.Commands().at(0), "STLS");
        }
        EXPECT_EQ(account.Page.Events({"protection"}),
                  (TLines{"protection ", "protection "}));  // before the connect, at the failure
    }
}

// Listings a misbehaving server sends: the rows show every message as it is, or the listing
// fails with no row left to tick; the server never gets QUIT or DELE, and memory follows the
// bytes received, not the numbers on the lines.
TEST(ConnectFake, HostileListingsGiveTrueRowsOrNone) {
    struct TCase {
        const char* Name;
        bool Pipelining;
        std::vector<std::pair<const char*, TFakeReply>> Scripts;
        TLines Rows;       // "number uid title"; empty when the listing fails
        const char* Text;  // status panel 0
    };
    const TLines allRows = {"1 ua a", "2 ub b", "3 uc c", "4 ud d", "5 ue e"};
    const char* const listed = "読み込み完了。";
    const char* const desync =
        "サーバの応答が送ったコマンドと食い違ったため、接続を切りました。サーバ上のメールは"
        "変わっていません。";
    // Message 2's header holds a "." line the server did not stuff, then a forged reply.
    const TFakeReply forged =
        TFakeReply::Bytes("+OK\r\nSubject: b\r\n.\r\n+OK\r\nSubject: forged\r\n\r\n.\r\n");
    const TFakeReply refused = TFakeReply::Bytes("-ERR no listing\r\n");
    const TCase cases[] = {
        {"unstuffed dot, pipelined", true, {{"TOP 2", forged}}, {}, desync},
        {"unstuffed dot, lock-step", false, {{"TOP 2", forged}}, {}, desync},
        {"unstuffed dot, lock-step, the rest late",
         false,
         {{"TOP 2", TFakeReply::Split({"+OK\r\nSubject: b\r\n.\r\n",
                                       "+OK\r\nSubject: forged\r\n\r\n.\r\n"},
                                      50)}},
         {},
         desync},
        {"no reply where one is due",
         true,
         {{"TOP 2", TFakeReply::Bytes("+OK\r\nSubject: b\r\n.\r\nX-Hidden: y\r\n\r\n.\r\n")}},
         {},
         desync},
        {"bytes after the listing",
         true,
         {{"LIST", TFakeReply::Bytes("+OK\r\n1 9\r\n2 9\r\n3 9\r\n4 9\r\n5 9\r\n.\r\n+OK\r\n")}},
         {},
         desync},
        {"fallback: another number",
         false,
         {{"UIDL", refused}, {"UIDL 2", TFakeReply::Bytes("+OK 3 uc\r\n")}},
         {},
         "通信エラー"},
        {"fallback: no id",
         false,
         {{"UIDL", refused}, {"UIDL 3", TFakeReply::Bytes("+OK 3\r\n")}},
         {},
         "通信エラー"},
        {"fallback: empty id",
         false,
         {{"UIDL", refused}, {"UIDL 2", TFakeReply::Bytes("+OK 2 \r\n")}},
         {},
         "通信エラー"},
        {"fallback: id over 70",
         false,
         {{"UIDL", refused},
          {"UIDL 2", TFakeReply::Bytes("+OK 2 " + std::string(71, 'u') + "\r\n")}},
         {},
         "通信エラー"},
        {"fallback: stray line, pipelined",
         true,
         {{"UIDL", refused}, {"UIDL 1", TFakeReply::Bytes("+OK 1 ua\r\n+OK 2 ub\r\n")}},
         {},
         desync},
        {"fallback: checked ids", true, {{"UIDL", refused}}, allRows, listed},
        {"count near int32",
         false,
         {{"STAT", TFakeReply::Bytes("+OK 2147483647 0\r\n")},
          {"LIST", TFakeReply::Bytes("+OK\r\n2147483647 1\r\n.\r\n")}},
         {},
         "通信エラー"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakePop3Server server;
        server.SetMessages(FiveMails());
        if (c.Pipelining) server.SetCapabilities({"TOP", "UIDL", "PIPELINING"});
        for (const auto& script : c.Scripts) server.Script(script.first, script.second);
        TFakeAccount account(server);
        TAllocationProbe probe;
        account.Run(TConnect::CmdConnect);
        EXPECT_LT(probe.Largest(), 1024u * 1024u);
        TLines rows;
        for (const TMailRow& row : account.Page.CurrentRows())
            rows.push_back(row.Columns[TMailRow::Number] + " " + row.Columns[TMailRow::Uidl] + " " +
                           row.Columns[TMailRow::Title]);
        EXPECT_EQ(rows, c.Rows);
        EXPECT_EQ(account.Page.Status(0), c.Text);
        EXPECT_TRUE(CommandsStartingWith(server.Commands(), "QUIT").empty());
        EXPECT_TRUE(CommandsStartingWith(server.Commands(), "DELE").empty());
    }
}

}  // namespace
