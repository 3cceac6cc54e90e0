#include <gtest/gtest.h>

#include <thread>

#include "RecordingPage.h"
#include "worker/PageGate.h"

#if !defined(NDEBUG) && !defined(_WIN32)
TEST(PageGateOwnership, AnotherThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TRecordingPage page;
    TPageGate gate(page);
    gate.SetStatusText(0, "接続中...");  // this thread is the worker from now on
    EXPECT_DEATH(std::thread([&] { gate.SetStatusText(0, "x"); }).join(), "other than its worker");
    gate.SetStatusText(0, "読み込み完了。");  // the worker goes on
    EXPECT_EQ(page.Status(0), "読み込み完了。");
}
#endif
