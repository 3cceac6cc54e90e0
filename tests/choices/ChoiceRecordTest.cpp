// The record of the user's choices: what a listing finds arrived or left, choices bound to one
// message, the 30 days a message is kept unlisted, and the text that survives a damaged line.
#include <gtest/gtest.h>

#include "choices/ChoiceRecord.h"

namespace {

const TMailIdentity A{"a", 100, "d1"}, B{"b", 200, "d2"}, C{"c", 300, "d3"};

std::vector<std::string> Uids(const std::vector<TMailIdentity>& mails) {
    std::vector<std::string> uids;
    for (const TMailIdentity& mail : mails) uids.push_back(mail.Uid);
    return uids;
}

TEST(ChoiceRecord, ListingsTellWhatArrivedAndWhatLeft) {
    // Each step: a listing on a day, then what arrived and what left since the step before.
    const struct {
        std::vector<TMailIdentity> Listing;
        int64_t Day;
        std::vector<std::string> Arrived, Left;
        bool Changed = true;
    } steps[] = {
        {{A, B}, 100, {"a", "b"}, {}},
        {{A, B}, 100, {}, {}, false},
        {{B, C}, 101, {"c"}, {"a"}},
        {{B, C}, 102, {}, {}},                             // "a" left once, not again
        {{A, B, C}, 120, {}, {}},                          // back within 30 days: known
        {{B, C}, 121, {}, {"a"}},                          //
        {{B, C}, 152, {}, {}},                             // unlisted 31 days: forgotten
        {{A, B, C}, 153, {"a"}, {}},                       //
        {{{"a", 100, "other"}, B, C}, 154, {"a"}, {"a"}},  // the id given to another message
    };
    TChoiceRecord record;
    for (const auto& step : steps) {
        const TChoiceRecord::TListing changes = record.Listed(step.Listing, step.Day);
        EXPECT_EQ(Uids(changes.Arrived), step.Arrived) << "day " << step.Day;
        EXPECT_EQ(Uids(changes.Left), step.Left) << "day " << step.Day;
        EXPECT_EQ(changes.Changed, step.Changed) << "day " << step.Day;
    }
}

TEST(ChoiceRecord, AChoiceBelongsToOneMessageAndOutlivesItsListingFor30Days) {
    TChoiceRecord record;
    record.Listed({A, B}, 100);
    record.SetChoice(A, TChoice::Keep, 100);
    record.SetChoice(B, TChoice::Delete, 100);
    const struct {
        TMailIdentity Mail;
        TChoice Choice;
    } cases[] = {
        {A, TChoice::Keep},
        {B, TChoice::Delete},
        {{"a", 101, "d1"}, TChoice::None},  // same id, other size
        {{"a", 100, "dX"}, TChoice::None},  // same id, other header
        {C, TChoice::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(record.ChoiceOf(c.Mail), c.Choice) << c.Mail.Uid << c.Mail.Size << c.Mail.Digest;

    record.Listed({}, 130);
    EXPECT_EQ(record.ChoiceOf(A), TChoice::Keep) << "30 days unlisted";
    record.Listed({}, 131);
    EXPECT_EQ(record.ChoiceOf(A), TChoice::None) << "31 days unlisted";
    record.SetChoice(C, TChoice::None, 131);
    EXPECT_TRUE(record.Empty()) << "no choice is no entry";
}

TEST(ChoiceRecord, TextReadsBackAndADamagedLineCostsOnlyItself) {
    TChoiceRecord record;
    const TMailIdentity hostile{"x\ty%\r\n\x82\xa0 z", 5, "d"};
    record.Listed({A, B, hostile}, 100);
    record.SetChoice(A, TChoice::Keep, 100);
    record.SetChoice(hostile, TChoice::Delete, 100);
    const std::string text = record.Text();
    size_t damaged = 99;
    TChoiceRecord read = TChoiceRecord::Parse(text, damaged);
    EXPECT_EQ(damaged, 0u);
    EXPECT_EQ(read.Text(), text);
    EXPECT_EQ(read.ChoiceOf(hostile), TChoice::Delete);

    const std::string lineOfB = "b\t200\td2\t-\t100\t1\r\n";
    ASSERT_NE(text.find(lineOfB), std::string::npos);
    const struct {
        const char* Name;
        std::string Text;
        size_t Damaged, Kept;
    } cases[] = {
        {"cut short", text.substr(0, text.size() - 9), 2, 3},
        {"empty", "", 2, 0},
        {"a line garbled",
         text.substr(0, text.find(lineOfB)) + "b\t2x0\td2\t-\t100\t1\r\n" +
             text.substr(text.find(lineOfB) + lineOfB.size()),
         2, 2},
        {"unknown choice",
         text.substr(0, text.find(lineOfB)) + "b\t200\td2\tq\t100\t1\r\n" +
             text.substr(text.find(lineOfB) + lineOfB.size()),
         2, 2},
        {"another program's file", "Other 1\r\n" + text.substr(text.find('\n') + 1), 1, 3},
    };
    for (const auto& c : cases) {
        read = TChoiceRecord::Parse(c.Text, damaged);
        EXPECT_EQ(damaged, c.Damaged) << c.Name;
        EXPECT_EQ(read.Size(), c.Kept) << c.Name;
        EXPECT_EQ(read.ChoiceOf(A), c.Kept > 0 ? TChoice::Keep : TChoice::None) << c.Name;
    }
}

}  // namespace
