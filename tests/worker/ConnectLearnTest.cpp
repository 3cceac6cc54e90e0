// The learning filter in the worker against the scriptable server: which rows it ticks and
// why, and what it learns from the user's decisions (and not from an automatic deletion).
#include <gtest/gtest.h>

#include "../history/ScratchFolder.h"
#include "FakePop3Server.h"
#include "WorkerHarness.h"

namespace {

using TLines = std::vector<std::string>;

TFakeMessage Mail(const std::string& uid, const std::string& subject, const std::string& from) {
    return {"Subject: " + subject + "\r\nFrom: " + from + "\r\n", 1000, uid};
}

// A learner that has seen `each` pill offers from spam.example and as many meetings among
// friends.
std::shared_ptr<TLearner> Taught(uint32_t each) {
    auto learner = std::make_shared<TLearner>("");
    for (uint32_t i = 0; i < each; ++i) {
        const std::string n = std::to_string(i);
        learner->Learn({"Subject: cheap pills " + n, "From: seller" + n + "@spam.example"}, true);
        learner->Learn({"Subject: meeting notes " + n, "From: friend" + n + "@example.jp"}, false);
    }
    learner->Wait();
    return learner;
}

struct TLearningAccount {
    TScratchFolder Scratch;
    TFakePop3Server Server;
    TWorkerHarness Account{"", "user", "secret"};

    explicit TLearningAccount(std::shared_ptr<TLearner> learner) {
        Server.SetMessages({Mail("u1", "cheap pills today", "offer@spam.example"),
                            Mail("u2", "meeting notes again", "friend@example.jp"),
                            Mail("u3", "cheap pills allowed", "known@spam.example"),
                            Mail("u4", "rulespam", "friend@example.jp")});
        Account.Page.Server = "127.0.0.1:" + std::to_string(Server.Port());
        Account.Worker->TimeOut = 2000;
        Account.Page.RuleList = {"Subject:,rulespam"};
        Account.Page.Mode = 1;
        Account.Page.AllowList = {"known@spam.example"};
        Account.Page.Choices = std::make_shared<TAccountChoices>(Scratch.Path, "user@127.0.0.1");
        Account.Page.Learner = std::move(learner);
    }
    TLearner& Learner() { return *Account.Page.Learner; }
    // Each row's tick and reason: "x 学習: 97%", "- 許可リスト", "- ".
    std::map<std::string, std::string> Ticks() {
        std::map<std::string, std::string> ticks;
        for (const TMailRow& row : Account.Page.CurrentRows())
            ticks[row.Columns[TMailRow::Uidl]] = (row.Ticked ? "x " : "- ") + row.Reason;
        return ticks;
    }
    void Tick(const std::string& uid, bool ticked) {
        const std::vector<TMailRow> rows = Account.Page.CurrentRows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].Columns[TMailRow::Uidl] == uid) Account.Page.Tick(i, ticked);
    }
    TLines Remaining() {
        TLines uids;
        for (const TFakeMessage& m : Server.Messages()) uids.push_back(m.Uid);
        return uids;
    }
};

TEST(ConnectLearn, LearningTicksWhatNothingElseTickedOnceTheModelIsReady) {
    for (const uint32_t each : {TLearner::ReadyCount - 1, TLearner::ReadyCount}) {
        SCOPED_TRACE(each);
        TLearningAccount a(Taught(each));
        a.Account.Run(TConnect::CmdConnect);
        std::map<std::string, std::string> ticks = a.Ticks();
        const bool ready = each >= TLearner::ReadyCount;
        EXPECT_EQ(ticks["u1"].substr(0, 8), ready ? "x 学習: " : "- ");
        EXPECT_EQ(ticks["u2"], "- ");
        EXPECT_EQ(ticks["u3"], ready ? "- 許可リスト" : "- ");  // said where learning would tick
        EXPECT_EQ(ticks["u4"], "x Subject:,rulespam");
    }
}

TEST(ConnectLearn, TheUsersDecisionsTeachItAndAnAutomaticDeletionDoesNot) {
    TLearningAccount a(Taught(TLearner::ReadyCount));
    const uint32_t unwanted = a.Learner().UnwantedCount(), wanted = a.Learner().WantedCount();
    a.Account.Run(TConnect::CmdConnect);

    // An automatic deletion takes the rule's tick but not the learned one, and learns nothing.
    a.Account.Run(TConnect::CmdDisconnect);
    TCheckInputs inputs = a.Account.Page.Inputs();
    inputs.DeleteTicked = true;
    inputs.HistoryFolder = a.Scratch.Path;
    ASSERT_TRUE(a.Account.Worker->Resume(TConnect::CmdCheck, inputs));
    ASSERT_TRUE(a.Account.Worker->WaitIdle(120000));
    EXPECT_EQ(a.Remaining(), (TLines{"u1", "u2", "u3"}));
    a.Learner().Wait();
    EXPECT_EQ(a.Learner().UnwantedCount(), unwanted);
    EXPECT_EQ(a.Learner().WantedCount(), wanted);

    // The user unticks the learned tick: wanted. He deletes the allowed one by hand: unwanted.
    a.Account.Run(TConnect::CmdConnect);
    a.Tick("u1", false);
    a.Tick("u3", true);
    a.Account.Run(TConnect::CmdDelete);
    a.Learner().Wait();
    EXPECT_EQ(a.Learner().UnwantedCount(), unwanted + 1);
    EXPECT_EQ(a.Learner().WantedCount(), wanted + 1);

    // The quiet meeting is fetched by the mail program: wanted, once.
    for (int i = 0; i < 3; ++i) {
        a.Account.Run(TConnect::CmdConnect);
        a.Account.Run(TConnect::CmdDisconnect);
        a.Server.SetMessages({Mail("u1", "cheap pills today", "offer@spam.example")});
    }
    a.Learner().Wait();
    EXPECT_EQ(a.Learner().UnwantedCount(), unwanted + 1);
    EXPECT_EQ(a.Learner().WantedCount(), wanted + 2);
}

TEST(ConnectLearn, LearnedTicksAreDeletedUnattendedOnlyWhenTheAccountSaysSo) {
    for (const bool learnedDelete : {false, true}) {
        TLearningAccount a(Taught(TLearner::ReadyCount));
        a.Account.Page.LearnedDelete = learnedDelete;
        a.Account.Run(TConnect::CmdCheck);
        TCheckInputs inputs = a.Account.Page.Inputs();
        inputs.DeleteTicked = true;
        inputs.HistoryFolder = a.Scratch.Path;
        ASSERT_TRUE(a.Account.Worker->Resume(TConnect::CmdCheck, inputs));
        ASSERT_TRUE(a.Account.Worker->WaitIdle(120000));
        const TLines remaining = learnedDelete ? TLines{"u2", "u3"} : TLines{"u1", "u2", "u3"};
        EXPECT_EQ(a.Remaining(), remaining);
    }
}

}  // namespace
