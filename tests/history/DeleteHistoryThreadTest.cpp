// Two accounts finishing a deletion at once: neither's lines are lost.
#include <gtest/gtest.h>

#include <thread>

#include "ScratchFolder.h"
#include "history/DeleteHistory.h"

namespace {

TEST(DeleteHistoryThreads, AppendsAtOnceLoseNoLine) {
    TScratchFolder scratch;
    constexpr int kBatches = 20;
    auto append = [&](const std::string& account) {
        TDeleteHistory history(scratch.Path);
        for (int i = 0; i < kBatches; ++i) {
            TDeletedMail mail;
            mail.Account = account;
            mail.Uidl = std::to_string(i);
            EXPECT_TRUE(history.Append({mail, mail}));
        }
    };
    std::thread first(append, "a");
    std::thread second(append, "b");
    first.join();
    second.join();
    std::vector<TDeletedMail> mails;
    ASSERT_TRUE(TDeleteHistory(scratch.Path).Read(mails));
    EXPECT_EQ(mails.size(), 4u * kBatches);
}

}  // namespace
