#include <gtest/gtest.h>

#include <thread>

#include "RecordingPage.h"
#include "worker/PageGate.h"

#if !defined(NDEBUG) && !defined(_WIN32)
TEST(PageGateOwnership, AnotherThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TRecordingPage page;
    TPageGate gate(page);
    gate.Show({TPanel::Progress, "接続中..."});  // this thread is the worker from now on
    EXPECT_DEATH(std::thread([&] { gate.Show({TPanel::Progress, "x"}); }).join(),
                 "other than its worker");
    gate.Show({TPanel::Progress, "読み込み完了。"});  // the worker goes on
    EXPECT_EQ(page.Status(0), "読み込み完了。");
}
#endif

// The one question the worker waits on is released by the tear-down, which shuts the gate.
TEST(PageGate, DetachReleasesAWaitingQuestion) {
    TRecordingPage page;
    page.HoldQuestions = true;
    TPageGate gate(page);
    bool stopped = false;
    std::thread worker([&] {
        try {
            gate.AskTrustCertificate("?", "ab");
        } catch (const EWorkerStopped&) {
            stopped = true;
        }
    });
    ASSERT_TRUE(page.WaitFor("cert"));
    gate.Detach();
    worker.join();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(page.TrustedHash, "");
}
