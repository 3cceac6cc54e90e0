// Wake-up and tear-down of the worker thread, driven through questions the page holds open.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FakePop3Server.h"
#include "RecordingPage.h"
#include "worker/Connect.h"

namespace {

bool WaitNoThreads() {
    for (int i = 0; i < 1000 && TConnect::LiveThreads() != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return TConnect::LiveThreads() == 0;
}

// A page that asks for a password at every connect and whose prompt nobody answers.
void NeedPassword(TRecordingPage& page) {
    page.Server = "127.0.0.1:1";
    page.User = "user";
    page.HoldQuestions = true;
}

TMailRow Row(const std::string& title, bool ticked) {
    TMailRow row;
    row.Columns[TMailRow::Title] = title;
    row.Columns[TMailRow::Number] = "1";
    row.Columns[TMailRow::Uidl] = "uid-" + title;
    row.Ticked = ticked;
    return row;
}

TEST(ConnectThread, OneWakeUpRunsOneCommand) {
    TRecordingPage page;
    page.Server = "srv";
    page.User = "user";
    TConnectPtr worker = TConnect::Create(3, page);
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(worker->Resume(TConnect::CmdConnect, page.Inputs()));
        ASSERT_TRUE(worker->WaitIdle(10000));
        EXPECT_EQ(page.Events({"prompt"}).size(), static_cast<size_t>(i));
    }
    // The prompt was cancelled (empty answer): the command ended without touching anything else.
    EXPECT_EQ(page.Events({"status", "lamp", "buttons", "clear"}).size(), 0u);
}

TEST(ConnectThread, WakeUpDuringCommandIsNotKept) {
    TRecordingPage page;
    NeedPassword(page);
    TConnectPtr worker = TConnect::Create(1, page);
    ASSERT_TRUE(worker->Resume(TConnect::CmdConnect, page.Inputs()));
    ASSERT_TRUE(page.WaitFor("prompt"));
    EXPECT_TRUE(worker->Busy());
    EXPECT_FALSE(worker->Resume(TConnect::CmdDisconnect, page.Inputs()));
    page.Answer(0, "");
    ASSERT_TRUE(worker->WaitIdle(10000));
    // Give a kept wake-up every chance to show itself.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(worker->Busy());
    EXPECT_EQ(page.Events({"clear", "lamp"}).size(), 0u);
    // The next wake-up after the command is taken again.
    page.HoldQuestions = false;
    ASSERT_TRUE(worker->Resume(TConnect::CmdDisconnect, page.Inputs()));
    ASSERT_TRUE(worker->WaitIdle(10000));
    EXPECT_EQ(page.Events({"clear"}).size(), 1u);
}

TEST(ConnectThread, PasswordRequestNamesTheAccountByItsTrimmedCaption) {
    TRecordingPage page;
    page.Server = "srv";
    page.User = "user";
    page.Caption = "  仕事用  ";
    TConnectPtr worker = TConnect::Create(2, page);
    ASSERT_TRUE(worker->Resume(TConnect::CmdConnect, page.Inputs()));
    ASSERT_TRUE(worker->WaitIdle(10000));
    EXPECT_EQ(page.Events({"prompt"}), std::vector<std::string>{"prompt 仕事用"});
}

TEST(ConnectThread, TearDownWhileIdleEndsTheThreadAtOnce) {
    {
        TRecordingPage page;
        TConnectPtr never = TConnect::Create(1, page);  // never woken: no thread at all
    }
    TRecordingPage page;
    TConnectPtr worker = TConnect::Create(1, page);
    ASSERT_TRUE(worker->Resume(TConnect::CmdDisconnect, page.Inputs()));
    ASSERT_TRUE(worker->WaitIdle(10000));
    EXPECT_EQ(TConnect::LiveThreads(), 1);
    worker.reset();
    EXPECT_EQ(TConnect::LiveThreads(), 0);
}

struct TBusyCase {
    const char* Name;
    int Command;
    const char* WaitEvent;
};

class ConnectTearDownBusy : public ::testing::TestWithParam<TBusyCase> {};

TEST_P(ConnectTearDownBusy, ReturnsPromptlyAndLeavesThePageAlone) {
    const TBusyCase& c = GetParam();
    TRecordingPage page;
    NeedPassword(page);
    page.AddRow(Row("a", true));
    page.AddRow(Row("b", false));
    TConnectPtr worker = TConnect::Create(1, page);
    ASSERT_TRUE(worker->Resume(c.Command, page.Inputs()));
    ASSERT_TRUE(page.WaitFor(c.WaitEvent));
    const size_t eventsBefore = page.Events().size();
    worker.reset();  // must not wait for an answer that never comes
    page.MarkGone();
    ASSERT_TRUE(WaitNoThreads());
    EXPECT_EQ(page.CallsAfterGone(), 0);
    EXPECT_EQ(page.Events().size(), eventsBefore);
    EXPECT_EQ(page.CurrentRows().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Questions, ConnectTearDownBusy,
                         ::testing::Values(TBusyCase{"Password", TConnect::CmdConnect, "prompt"},
                                           TBusyCase{"Confirm", TConnect::CmdDelete, "confirm"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ConnectThread, TearDownWhileBlockedInAReadReturnsPromptly) {
    TFakePop3Server server;
    server.SetMessages({{"Subject: a\r\n", 10, "u1"}, {"Subject: b\r\n", 10, "u2"}});
    server.Script("TOP 2", TFakeReply::Silence());
    TRecordingPage page;
    page.Server = "127.0.0.1:" + std::to_string(server.Port());
    page.User = "user";
    page.Password = "secret";
    TConnectPtr worker = TConnect::Create(1, page);
    worker->TimeOut = 600000;  // only the tear-down can end this wait
    ASSERT_TRUE(worker->Resume(TConnect::CmdConnect, page.Inputs()));
    ASSERT_TRUE(page.WaitFor("status2 2"));
    for (int i = 0; i < 1000 && server.Commands().back() != "TOP 2 0"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(server.Commands().back(), "TOP 2 0");
    worker.reset();
    page.MarkGone();
    ASSERT_TRUE(WaitNoThreads());
    EXPECT_EQ(page.CallsAfterGone(), 0);
    EXPECT_EQ(page.CurrentRows().size(), 1u);
}

TEST(ConnectThread, ManyWorkersComeAndGo) {
    std::vector<std::unique_ptr<TRecordingPage>> pages;
    std::vector<TConnectPtr> workers;
    for (int i = 0; i < 8; ++i) {
        pages.push_back(std::make_unique<TRecordingPage>());
        NeedPassword(*pages.back());
        pages.back()->HoldQuestions = i % 2 == 0;
        workers.push_back(TConnect::Create(i, *pages.back()));
        workers.back()->Resume(TConnect::CmdConnect, pages.back()->Inputs());
    }
    for (int i = 0; i < 8; i += 2) ASSERT_TRUE(pages[static_cast<size_t>(i)]->WaitFor("prompt"));
    workers.clear();
    for (auto& page : pages) page->MarkGone();
    ASSERT_TRUE(WaitNoThreads());
    for (auto& page : pages) EXPECT_EQ(page->CallsAfterGone(), 0);
}

}  // namespace
