#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "GuiTest.h"
#include "ui/UiQueue.h"

namespace {

using GuiTest::PumpUntil;

TEST(UiQueueTest, PostedAndSentTasksRunOnTheUiThreadInTheOrderGiven) {
    TUiQueue queue;
    const DWORD uiThread = GetCurrentThreadId();
    std::vector<std::string> ran;
    std::atomic<bool> done{false};
    std::optional<int> answer;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            queue.Post([&, i] {
                EXPECT_EQ(GetCurrentThreadId(), uiThread);
                ran.push_back("post" + std::to_string(i));
            });
        // A read sees every change posted before it.
        answer = queue.Send<int>([&] {
            ran.push_back("send");
            return static_cast<int>(ran.size());
        });
        queue.Post([&] { ran.push_back("after"); });
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load() && ran.size() == 52; }));
    worker.join();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, 51);
    ASSERT_EQ(ran.size(), 52u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(ran[i], "post" + std::to_string(i));
    EXPECT_EQ(ran[50], "send");
    EXPECT_EQ(ran[51], "after");
}

TEST(UiQueueTest, SendOnTheUiThreadRunsWhatIsQueuedFirst) {
    TUiQueue queue;
    std::vector<int> ran;
    queue.Post([&] { ran.push_back(1); });
    EXPECT_EQ(queue.Send<int>([&] {
        ran.push_back(2);
        return 7;
    }),
              7);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST(UiQueueTest, CloseReleasesAWaitingCallerAndDropsWhatHasNotRun) {
    TUiQueue queue;
    bool ran = false;
    queue.Post([&] { ran = true; });
    std::atomic<bool> returned{false};
    std::optional<std::string> answer = std::string("unset");
    std::thread worker([&] {
        answer = queue.Send<std::string>([] { return std::string("late"); });
        returned = true;
    });
    // The UI thread does not drain: the caller would wait for ever without Close.
    Sleep(50);
    EXPECT_FALSE(returned.load());
    queue.Close();
    worker.join();
    EXPECT_FALSE(answer.has_value());
    GuiTest::PumpPending();
    EXPECT_FALSE(ran);
    queue.Post([&] { ran = true; });  // after Close: dropped
    GuiTest::PumpPending();
    EXPECT_FALSE(ran);
}

TEST(UiQueueTest, ABurstIsDrainedInFewBatches) {
    TUiQueue queue;
    int batches = 0, inBatch = 0, ran = 0;
    queue.OnBatchBegin = [&] {
        ++batches;
        ++inBatch;
    };
    queue.OnBatchEnd = [&] { --inBatch; };
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i)
            queue.Post([&] {
                EXPECT_EQ(inBatch, 1);
                ++ran;
            });
    });
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return ran == 2000; }));
    EXPECT_EQ(inBatch, 0);
    EXPECT_LE(batches, 20);
}

// Work queued faster than it runs is split into bounded batches, with the message loop between.
TEST(UiQueueTest, ALongBacklogIsDrainedInBoundedBatches) {
    TUiQueue queue;
    int batches = 0, ran = 0;
    queue.OnBatchBegin = [&] { ++batches; };
    for (int i = 0; i < 200; ++i)
        queue.Post([&, i] {
            EXPECT_EQ(ran, i);
            Sleep(2);
            ++ran;
        });
    ASSERT_TRUE(PumpUntil([&] { return ran == 200; }));
    EXPECT_GE(batches, 3);  // 400 ms of tasks, at most 40 ms and one task per batch
}

}  // namespace
