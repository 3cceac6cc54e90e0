// The user's choices against the scriptable server: an untick survives whatever clears the list
// or the program, and an automatic deletion goes by the choices and rules of its own moment.
#include <gtest/gtest.h>

#include <functional>

#include "../history/ScratchFolder.h"
#include "FakePop3Server.h"
#include "WorkerHarness.h"
#include "history/FileSystem.h"

namespace {

using TLines = std::vector<std::string>;
const char* const Key = "user@127.0.0.1";

TFakeMessage Mail(const std::string& uid, const std::string& subject, const std::string& from) {
    return {"Subject: " + subject + "\r\nFrom: " + from + "\r\n", 1000, uid};
}

// One account whose choices live in a scratch folder; Restart is the program started again.
struct TChoicesAccount {
    TScratchFolder Scratch;
    TFakePop3Server Server;
    std::unique_ptr<TWorkerHarness> Account;

    TChoicesAccount() {
        Server.SetMessages({Mail("u1", "hello", "friend@example.jp"),
                            Mail("u2", "spam keep", "list@example.jp"),
                            Mail("u3", "spam 2", "bad@example.com")});
        Restart();
    }
    void Restart() {
        Account = std::make_unique<TWorkerHarness>("127.0.0.1:" + std::to_string(Server.Port()),
                                                   "user", "secret");
        Account->Worker->TimeOut = 2000;
        Account->Page.RuleList = {"Subject:,spam"};
        Account->Page.Mode = 1;
        Account->Page.Choices = std::make_shared<TAccountChoices>(Scratch.Path, Key);
    }
    TRecordingPage& Page() { return Account->Page; }
    void Tick(const std::string& title, bool ticked) {
        const std::vector<TMailRow> rows = Page().CurrentRows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].Columns[TMailRow::Title] == title) Page().Tick(i, ticked);
    }
    void StartDeletingCheck(bool keepCopy) {
        TCheckInputs inputs = Page().Inputs();
        inputs.DeleteTicked = true;
        inputs.KeepCopy = keepCopy;
        inputs.HistoryFolder = Scratch.Path;
        ASSERT_TRUE(Account->Worker->Resume(TConnect::CmdCheck, inputs));
    }
    void EndCheck() { ASSERT_TRUE(Account->Worker->WaitIdle(120000)); }
    TLines Remaining() {
        TLines uids;
        for (const TFakeMessage& m : Server.Messages()) uids.push_back(m.Uid);
        return uids;
    }
    std::string TickOf(const std::string& title) {
        for (const TMailRow& row : Page().CurrentRows())
            if (row.Columns[TMailRow::Title] == title) return row.Ticked ? "x" : "-";
        return "none";
    }
};

// The user unticks the rule-ticked "spam keep", then something forgets the list; a deleting
// check follows. Only "spam 2" may go, and "spam keep" shows unticked wherever it is listed.
TEST(ConnectChoices, AnUntickSurvivesWhateverForgetsTheList) {
    struct TCase {
        const char* Name;
        std::function<void(TChoicesAccount&)> Forget;
        TLines Remaining;
    };
    const TCase cases[] = {
        {"切断", [](auto& a) { a.Account->Run(TConnect::CmdDisconnect); }, {"u1", "u2"}},
        {"削除 + 切断 of another row",
         [](auto& a) {
             a.Tick("spam 2", false);
             a.Tick("hello", true);
             a.Account->Run(TConnect::CmdDelete);
         },
         {"u2", "u3"}},
        {"list cleared by a desync",
         [](auto& a) {
             a.Server.Script("NOOP", TFakeReply::Drop());
             TRowsChange cleared;
             cleared.Clear = true;
             a.Page().ChangeRows(std::move(cleared));
         },
         {"u1", "u2"}},
        {"restart",
         [](auto& a) {
             a.Account->Run(TConnect::CmdDisconnect);
             a.Restart();
         },
         {"u1", "u2"}},
        {"failed check",
         [](auto& a) {
             a.Account->Run(TConnect::CmdDisconnect);
             a.Server.Script("UIDL", TFakeReply::Drop());
             a.Account->Run(TConnect::CmdCheck);
         },
         {"u1", "u2"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TChoicesAccount a;
        a.Account->Run(TConnect::CmdConnect);
        a.Tick("spam keep", false);
        c.Forget(a);
        a.StartDeletingCheck(false);
        a.EndCheck();
        EXPECT_EQ(a.Remaining(), c.Remaining);
        EXPECT_EQ(a.TickOf("spam keep"), "-");
        a.Account->Run(TConnect::CmdConnect);
        EXPECT_EQ(a.TickOf("spam keep"), "-") << "listed by hand afterwards";
    }
}

// A deleting check copies the large "spam keep" slowly; while it does, the user changes his
// mind. What he decided then counts, and the list shows it when the check ends.
TEST(ConnectChoices, AutomaticDeletionGoesByTheChoicesOfItsMoment) {
    struct TCase {
        const char* Name;
        std::function<void(TChoicesAccount&)> Meanwhile;
        TLines Remaining;
        std::string SpamKeepTick;
    };
    const TCase cases[] = {
        {"nothing changes", [](auto&) {}, {"u1"}, "none"},
        {"untick", [](auto& a) { a.Tick("spam keep", false); }, {"u1", "u2"}, "-"},
        {"sender allowed",
         [](auto& a) {
             TRuleInputs rules = a.Page().Inputs().RuleInputs;
             rules.Allow = {"bad@example.com"};
             a.Page().Choices->SetRules(rules);
         },
         {"u1", "u3"},
         "none"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TChoicesAccount a;
        a.Account->Run(TConnect::CmdCheck);
        const std::string copy = "+OK\r\nSubject: spam keep\r\nFrom: list@example.jp\r\n\r\n";
        a.Server.Script("RETR 2", TFakeReply::Split({copy, "body\r\n.\r\n"}, 1000));
        a.Page().ClearEvents();
        a.StartDeletingCheck(true);
        ASSERT_TRUE(a.Page().WaitFor("status0 メールの自動削除中"));
        c.Meanwhile(a);
        a.EndCheck();
        EXPECT_EQ(a.Remaining(), c.Remaining);
        EXPECT_EQ(a.TickOf("spam keep"), c.SpamKeepTick);
    }
}

// New mail means new since the last listing, also across a restart; a damaged record is said
// and holds automatic deletion until the user has listed the mailbox.
TEST(ConnectChoices, ArrivalsAndADamagedRecordOutliveARestart) {
    TChoicesAccount a;
    a.Account->Run(TConnect::CmdCheck);
    EXPECT_TRUE(a.Page().LastCheck.Arrived.empty()) << "the first listing is the baseline";
    a.Restart();
    std::vector<TFakeMessage> mailbox = a.Server.Messages();
    mailbox.push_back(Mail("u4", "later", "friend@example.jp"));
    a.Server.SetMessages(mailbox);
    a.Account->Run(TConnect::CmdCheck);
    ASSERT_EQ(a.Page().LastCheck.Arrived.size(), 1u);
    EXPECT_EQ(a.Page().LastCheck.Arrived[0].Columns[TMailRow::Title], "later");

    const std::string file = TChoiceFile(a.Scratch.Path, Key).FilePath();
    std::string text;
    ASSERT_TRUE(FileSystem::ReadWhole(file, text));
    ASSERT_TRUE(FileSystem::WriteWhole(file, text.substr(0, text.size() / 2)));
    a.Restart();
    a.StartDeletingCheck(false);
    a.EndCheck();
    EXPECT_EQ(a.Remaining(), (TLines{"u1", "u2", "u3", "u4"}));
    EXPECT_NE(a.Page().LastCheck.Failure.find("壊れていた"), std::string::npos)
        << a.Page().LastCheck.Failure;
    a.Account->Run(TConnect::CmdConnect);
    a.Account->Run(TConnect::CmdDisconnect);
    a.StartDeletingCheck(false);
    a.EndCheck();
    EXPECT_EQ(a.Remaining(), (TLines{"u1", "u4"}));
}

}  // namespace

namespace {

// What a learning filter is given: an untick of a rule's tick, mail deleted by hand with its
// header, and mail that left the server without the program deleting it.
TEST(ConnectChoices, TheUsersDecisionsAreSignalledOnce) {
    TChoicesAccount a;
    a.Account->Run(TConnect::CmdConnect);
    a.Tick("spam keep", false);
    a.Tick("hello", true);
    a.Account->Run(TConnect::CmdDelete);
    a.Server.SetMessages({});  // another program fetched "spam keep"
    a.Account->Run(TConnect::CmdCheck);
    TLines signals;
    for (const TAccountChoices::TSignal& signal : a.Page().Choices->TakeSignals()) {
        signals.push_back(std::to_string(signal.Kind) + " " + signal.Mail.Uid + " " +
                          (signal.HeaderLines.empty() ? "-" : signal.HeaderLines[0]));
    }
    using S = TAccountChoices::TSignal;
    EXPECT_EQ(signals, (TLines{std::to_string(S::KeptByHand) + " u2 Subject: spam keep",
                               std::to_string(S::DeletedByHand) + " u1 Subject: hello",
                               std::to_string(S::DeletedByHand) + " u3 Subject: spam 2",
                               std::to_string(S::LeftServer) + " u2 Subject: spam keep"}));
    EXPECT_TRUE(a.Page().Choices->TakeSignals().empty());
}

}  // namespace
