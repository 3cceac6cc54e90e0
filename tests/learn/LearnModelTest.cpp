#include <gtest/gtest.h>

#include <random>

#include "learn/LearnModel.h"

namespace {

using TTokens = std::vector<std::string>;

TTokens Numbered(const std::string& stem, int from, int count) {
    TTokens tokens;
    for (int i = from; i < from + count; ++i) tokens.push_back(stem + std::to_string(i));
    return tokens;
}

// A model that has seen a mix of both labels, with shared and separate tokens.
TLearnModel Trained(unsigned seed) {
    TLearnModel model;
    std::mt19937 random(seed);
    for (int i = 0; i < 200; ++i) {
        const bool unwanted = random() % 3 == 0;
        TTokens tokens = Numbered(unwanted ? "spam" : "ham", static_cast<int>(random() % 50), 20);
        for (const std::string& shared : Numbered("both", static_cast<int>(random() % 10), 5))
            tokens.push_back(shared);
        model.Train(tokens, unwanted);
    }
    return model;
}

TEST(LearnModelTest, AnEmptyModelIsUndecided) {
    const TLearnScore score = TLearnModel().Score({"subject:x", "from.dom:example.jp"});
    EXPECT_EQ(score.Score, 0.5);
    EXPECT_TRUE(score.Unwanted.empty() && score.Wanted.empty());
}

TEST(LearnModelTest, ScoreRisesWithEachUnwantedTrainingAndFallsWithEachWanted) {
    for (const bool unwanted : {true, false}) {
        TLearnModel model = Trained(7);
        const TTokens header = Numbered("new", 0, 15);
        double last = model.Score(header).Score;
        for (int i = 0; i < 10; ++i) {
            model.Train(header, unwanted);
            const double now = model.Score(header).Score;
            EXPECT_TRUE(unwanted ? now > last : now < last) << i;
            EXPECT_GE(now, 0.0);
            EXPECT_LE(now, 1.0);
            last = now;
        }
    }
}

TEST(LearnModelTest, MoreUnwantedTokensScoreHigher) {
    const TLearnModel model = Trained(11);
    double last = 0;
    for (int spammy = 0; spammy <= 20; spammy += 5) {
        TTokens header = Numbered("spam", 0, spammy);
        for (const std::string& t : Numbered("ham", 0, 20 - spammy)) header.push_back(t);
        const double score = model.Score(header).Score;
        EXPECT_GT(score, last) << spammy;
        last = score;
    }
}

TEST(LearnModelTest, CluesAreTheStrongestTokensEachWay) {
    TLearnModel model;
    for (int i = 0; i < 30; ++i) {
        model.Train({"spam-only", "both"}, true);
        model.Train({"ham-only", "both"}, false);
    }
    const TLearnScore score = model.Score({"spam-only", "ham-only", "unknown"}, 5);
    ASSERT_EQ(score.Unwanted.size(), 1u);
    ASSERT_EQ(score.Wanted.size(), 1u);
    EXPECT_EQ(score.Unwanted[0].Token, "spam-only");
    EXPECT_GT(score.Unwanted[0].Weight, 0);
    EXPECT_EQ(score.Wanted[0].Token, "ham-only");
    EXPECT_LT(score.Wanted[0].Weight, 0);
    EXPECT_LE(Trained(3).Score(Numbered("spam", 0, 40), 5).Unwanted.size(), 5u);
}

TEST(LearnModelTest, UntrainRestoresTheModelExactly) {
    const TLearnModel before = Trained(5);
    const TTokens a = Numbered("spam", 3, 12), b = Numbered("ham", 1, 9);
    struct TCase {
        std::vector<std::pair<TTokens, bool>> Trains;  // untrained afterwards, last first
    } cases[] = {
        {{{a, true}}},
        {{{b, false}}},
        {{{a, true}, {b, false}}},
        {{{a, true}, {a, true}}},  // the same message twice: each is taken back
        {{{a, false}, {a, true}}},
    };
    for (const TCase& c : cases) {
        TLearnModel model = before;
        for (const auto& [tokens, unwanted] : c.Trains) model.Train(tokens, unwanted);
        EXPECT_FALSE(model == before);
        for (auto it = c.Trains.rbegin(); it != c.Trains.rend(); ++it)
            EXPECT_TRUE(model.Untrain(it->first, it->second));
        EXPECT_TRUE(model == before);
        EXPECT_EQ(model.UnwantedCount(), before.UnwantedCount());
    }
    // What was never trained cannot be taken back; the model stays.
    TLearnModel model = before;
    EXPECT_FALSE(model.Untrain(Numbered("never", 0, 5), true));
    EXPECT_FALSE(model.Untrain(a, true));
    EXPECT_TRUE(model == before);
}

TEST(LearnModelTest, BytesRoundTripAndDamageIsRefused) {
    const TLearnModel model = Trained(9);
    const std::string bytes = model.Serialize();
    TLearnModel read;
    ASSERT_TRUE(TLearnModel::Parse(bytes, read));
    EXPECT_TRUE(read == model);

    const TLearnModel untouched = Trained(1);
    std::vector<std::string> damaged = {"", bytes.substr(0, bytes.size() - 1), bytes + "x",
                                        "PBLM" + std::string(100, '\0')};
    for (size_t at : {size_t(0), size_t(5), size_t(30), bytes.size() / 2, bytes.size() - 1}) {
        damaged.push_back(bytes);
        damaged.back()[at] = static_cast<char>(damaged.back()[at] ^ 0x40);
    }
    for (const std::string& d : damaged) {
        TLearnModel kept = untouched;
        EXPECT_FALSE(TLearnModel::Parse(d, kept)) << d.size();
        EXPECT_TRUE(kept == untouched);
    }
}

TEST(LearnModelTest, FileStaysBelowSixteenMebibytesWhateverIsTrained) {
    TLearnModel model;
    // Every bucket in use and the untraining journal full.
    for (int i = 0; i < 1200; ++i)
        model.Train(Numbered("t" + std::to_string(i) + "-", 0, 1500), i % 2);
    for (size_t i = 0; i < TLearnModel::MaxJournal + 100; ++i) model.Train({"x"}, i % 2);
    EXPECT_LT(model.Serialize().size(), 16u << 20);
}

}  // namespace
