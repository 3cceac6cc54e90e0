// Wake-up and tear-down of the worker thread, driven through servers that keep it waiting.
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

// A page whose connect waits for a greeting that comes only after pauseMs (never with -1).
void SlowGreeting(TRecordingPage& page, TFakePop3Server& server, int pauseMs) {
    server.ScriptGreeting(pauseMs < 0 ? TFakeReply::Silence()
                                      : TFakeReply::Split({"+OK ", "ready\r\n"}, pauseMs));
    page.Server = "127.0.0.1:" + std::to_string(server.Port());
    page.User = "user";
    page.Password = "secret";
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
    page.Server = "127.0.0.1:1";
    page.User = "user";
    page.Password = "secret";
    TConnectPtr worker = TConnect::Create(3, page);
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(worker->Resume(TConnect::CmdConnect, page.Inputs()));
        ASSERT_TRUE(worker->WaitIdle(10000));
        EXPECT_EQ(page.Events({"status0 接続中"}).size(), static_cast<size_t>(i));
    }
}

TEST(ConnectThread, WakeUpDuringCommandIsNotKept) {
    TFakePop3Server server;
    TRecordingPage page;
    SlowGreeting(page, server, 300);
    TConnectPtr worker = TConnect::Create(1, page);
    ASSERT_TRUE(worker->Resume(TConnect::CmdConnect, page.Inputs()));
    ASSERT_TRUE(page.WaitFor("lamp 2"));
    EXPECT_TRUE(worker->Busy());
    EXPECT_FALSE(worker->Resume(TConnect::CmdDisconnect, page.Inputs()));
    ASSERT_TRUE(worker->WaitIdle(10000));
    // Give a kept wake-up every chance to show itself.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(worker->Busy());
    const size_t clears = page.Events({"clear"}).size();
    // The next wake-up after the command is taken again.
    ASSERT_TRUE(worker->Resume(TConnect::CmdDisconnect, page.Inputs()));
    ASSERT_TRUE(worker->WaitIdle(10000));
    EXPECT_EQ(page.Events({"clear"}).size(), clears + 1);
}

TEST(ConnectThread, PasswordRequestNamesTheAccountByItsTrimmedCaption) {
    TRecordingPage page;
    page.Server = "srv";
    page.User = "user";
    page.Caption = "  仕事用  ";
    EXPECT_FALSE(page.Ask(TConnect::CmdConnect, false));  // declined: nothing is given
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
    TConnect::TCommand Command;
};

class ConnectTearDownBusy : public ::testing::TestWithParam<TBusyCase> {};

TEST_P(ConnectTearDownBusy, ReturnsPromptlyAndLeavesThePageAlone) {
    const TBusyCase& c = GetParam();
    TFakePop3Server server;
    TRecordingPage page;
    SlowGreeting(page, server, -1);
    page.AddRow(Row("a", true));
    page.AddRow(Row("b", false));
    TConnectPtr worker = TConnect::Create(1, page);
    worker->TimeOut = 600000;  // only the tear-down can end this wait
    ASSERT_TRUE(worker->Resume(c.Command, page.Inputs()));
    ASSERT_TRUE(page.WaitFor("lamp 2"));
    const size_t eventsBefore = page.Events().size();
    const size_t rowsBefore = page.CurrentRows().size();  // a connect clears them first
    worker.reset();  // must not wait for a greeting that never comes
    page.MarkGone();
    ASSERT_TRUE(WaitNoThreads());
    EXPECT_EQ(page.CallsAfterGone(), 0);
    EXPECT_EQ(page.Events().size(), eventsBefore);
    EXPECT_EQ(page.CurrentRows().size(), rowsBefore);
}

INSTANTIATE_TEST_SUITE_P(Commands, ConnectTearDownBusy,
                         ::testing::Values(TBusyCase{"Connect", TConnect::CmdConnect},
                                           TBusyCase{"Delete", TConnect::CmdDelete}),
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
    std::vector<std::unique_ptr<TFakePop3Server>> servers;
    std::vector<std::unique_ptr<TRecordingPage>> pages;
    std::vector<TConnectPtr> workers;
    for (int i = 0; i < 8; ++i) {
        servers.push_back(std::make_unique<TFakePop3Server>());
        pages.push_back(std::make_unique<TRecordingPage>());
        // Half of them wait for ever, the others end at once.
        SlowGreeting(*pages.back(), *servers.back(), i % 2 == 0 ? -1 : 0);
        if (i % 2 != 0) pages.back()->Server = "127.0.0.1:1";
        workers.push_back(TConnect::Create(i, *pages.back()));
        workers.back()->TimeOut = 600000;
        workers.back()->Resume(TConnect::CmdConnect, pages.back()->Inputs());
    }
    for (int i = 0; i < 8; i += 2) ASSERT_TRUE(pages[static_cast<size_t>(i)]->WaitFor("lamp 2"));
    workers.clear();
    for (auto& page : pages) page->MarkGone();
    ASSERT_TRUE(WaitNoThreads());
    for (auto& page : pages) EXPECT_EQ(page->CallsAfterGone(), 0);
}

}  // namespace
