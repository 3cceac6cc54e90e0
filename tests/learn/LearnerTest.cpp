#include <gtest/gtest.h>

#include <thread>

#include "../history/ScratchFolder.h"
#include "learn/Learner.h"

namespace {

TLearner::TLines Header(int i) {
    return {"From: sender" + std::to_string(i) + "@example.jp",
            "Subject: message " + std::to_string(i)};
}

TEST(LearnerTest, EachHeaderOncePerLabelAndAnOppositeChoiceMovesIt) {
    TScratchFolder scratch;
    TLearner learner(scratch.Path);
    struct TStep {
        int Header;
        bool Unwanted;
        uint32_t UnwantedAfter, WantedAfter;
    } steps[] = {
        {1, true, 1, 0},  {1, true, 1, 0},   // the same lesson twice counts once
        {2, false, 1, 1}, {1, false, 0, 2},  // changed mind: moved
        {1, true, 1, 1},
    };
    for (const TStep& step : steps) {
        learner.Learn(Header(step.Header), step.Unwanted);
        learner.Wait();
        EXPECT_EQ(learner.UnwantedCount(), step.UnwantedAfter) << step.Header;
        EXPECT_EQ(learner.WantedCount(), step.WantedAfter) << step.Header;
    }
}

TEST(LearnerTest, LessonsGivenBeforeTheEndAreSavedAndReadBack) {
    TScratchFolder scratch;
    {
        TLearner learner(scratch.Path);
        for (int i = 0; i < static_cast<int>(TLearner::ReadyCount); ++i) {
            learner.Learn(Header(i), true);
            learner.Learn(Header(100 + i), false);
        }
    }  // no Wait: the end learns what is left
    TLearner again(scratch.Path);
    EXPECT_EQ(again.UnwantedCount(), TLearner::ReadyCount);
    EXPECT_TRUE(again.Ready());
    EXPECT_GT(again.Score(Header(3)).Score, again.Score(Header(103)).Score);
    again.Reset();
    again.Wait();
    EXPECT_EQ(again.UnwantedCount() + again.WantedCount(), 0u);
    EXPECT_FALSE(again.Ready());
}

TEST(LearnerTest, ScoresWhileLearningOnOtherThreads) {
    TLearner learner("");
    std::thread teacher([&] {
        for (int i = 0; i < 200; ++i) learner.Learn(Header(i), i % 2 == 0);
    });
    for (int i = 0; i < 200; ++i) {
        const double score = learner.Score(Header(i)).Score;
        EXPECT_TRUE(score >= 0 && score <= 1);
    }
    teacher.join();
    learner.Wait();
    EXPECT_EQ(learner.UnwantedCount() + learner.WantedCount(), 200u);
    EXPECT_TRUE(learner.TakeProblem().empty());
}

TEST(LearnerTest, PercentNeverRoundsUpToTheThreshold) {
    const std::pair<double, int> cases[] = {{0.899999, 89}, {0.9, 90}, {0.0, 0}, {1.0, 100}};
    for (const auto& [score, percent] : cases) EXPECT_EQ(TLearner::Percent(score), percent);
    EXPECT_EQ(TLearner::Reason(97), "学習: 97%");
    TLearnScore score;
    score.Score = 0.97;
    score.Unwanted = {{"subject:FREE", 1.234}, {"from.dom:spam.example", 0.5}};
    EXPECT_EQ(TLearner::Explanation(score),
              "学習の点数: 97%\r\n迷惑メール寄り: subject:FREE +1.23、from.dom:spam.example +0.50"
              "\r\n迷惑メールではない寄り: なし");
}

}  // namespace
