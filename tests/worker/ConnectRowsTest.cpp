// The worker's header and row helpers that need no server.
#include <gtest/gtest.h>

#include "headers/SjisSearch.h"
#include "worker/Connect.h"

namespace {

using TLines = std::vector<std::string>;

struct TUnfoldCase {
    const char* Name;
    TLines In;
    TLines Out;
};

class UnfoldHeader : public ::testing::TestWithParam<TUnfoldCase> {};

TEST_P(UnfoldHeader, JoinsContinuationsAndDropsTheEnd) {
    TLines lines = GetParam().In;
    TConnect::UnfoldHeader(lines);
    EXPECT_EQ(lines, GetParam().Out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnfoldHeader,
    ::testing::Values(
        TUnfoldCase{"Plain", {"Subject: a", "From: b", "", "."}, {"Subject: a", "From: b"}},
        TUnfoldCase{"TabBecomesOneBlank",
                    {"Subject: a", "\tb", "\t c", "From: x", "", "."},
                    {"Subject: a b  c", "From: x"}},
        TUnfoldCase{"BlankKept", {"Received: a", "  by b", "."}, {"Received: a  by b"}},
        TUnfoldCase{
            "FirstLineContinuation", {"\tlonely", "Subject: a", "."}, {"\tlonely", "Subject: a"}},
        TUnfoldCase{"NoFinalDot", {"Subject: a", "\tb"}, {"Subject: a b"}},
        TUnfoldCase{"Empty", {}, {}}, TUnfoldCase{"OnlyDot", {"."}, {}},
        // A "." before the last line is header text (".." un-stuffed, or after a lone CR).
        TUnfoldCase{"UnstuffedDotIsText",
                    {"Subject: a", ".", "From: hidden", "", "."},
                    {"Subject: a", ".", "From: hidden"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(FindHeader, FindsEachLineOnceAndMovesItToTheEnd) {
    // Any text after the name, "%&%" included, is the header's own.
    TLines lines = {"Received: one%&%", "subject: first  ", "RECEIVED: two", "X-Subject: no",
                    "To: t"};
    size_t found = 0;
    EXPECT_EQ(TConnect::FindHeader(lines, found, "Subject:"), "first");
    EXPECT_EQ(lines.back(), "subject: first  ");
    EXPECT_EQ(TConnect::FindHeader(lines, found, "Subject:"), "");
    EXPECT_EQ(TConnect::FindHeader(lines, found, "Received:"), "one%&%");
    EXPECT_EQ(TConnect::FindHeader(lines, found, "Received:"), "two");
    EXPECT_EQ(TConnect::FindHeader(lines, found, "Received:"), "");
    EXPECT_EQ(found, 3u);
    EXPECT_EQ(lines, (TLines{"X-Subject: no", "To: t", "subject: first  ", "Received: one%&%",
                             "RECEIVED: two"}));
}

TEST(FindHeader, ValueLosesTheCharacterAfterTheName) {
    TLines lines = {"Subject:NoBlank", "From:", "Date: x"};
    size_t found = 0;
    EXPECT_EQ(TConnect::FindHeader(lines, found, "Subject:"), "oBlank");
    EXPECT_EQ(TConnect::FindHeader(lines, found, "From:"), "");
    EXPECT_EQ(lines.back(), "From:");
}

TEST(FindHeader, NameIsNotMatchedInsideATwoByteCharacter) {
    // 0x83 0x61 is a katakana whose second byte is 'a': upper-casing must leave it alone.
    TLines lines = {"\x83\x61:x", "\x83\x41: y"};
    size_t found = 0;
    EXPECT_EQ(TConnect::FindHeader(lines, found, "\x83\x41:"), "y");
}

struct TMarkCase {
    const char* ContentType;
    const char* Mailer;
    const char* Mark;
    bool Pet;
};

TEST(AttachmentMark, Table) {
    const TMarkCase cases[] = {
        {"multipart/mixed; boundary=x", "PostPet for Windows", "Pet?", true},
        {"MULTIPART/MIXED", "PostPet", "Pet?", true},
        {"Multipart/Mixed", "postpet", "あり", false},
        {"multipart/mixed", "", "あり", false},
        {"", "PostPet", "", false},
        {"text/plain; charset=ISO-2022-JP", "", "", false},
        {"multipart/alternative", "", "html", false},
        {"TEXT/HTML", "", "html", false},
        {"application/octet-stream", "", "?", false},
    };
    for (const TMarkCase& c : cases) {
        const TConnect::TMark mark = TConnect::AttachmentMark(c.ContentType, c.Mailer);
        EXPECT_EQ(mark.Text, c.Mark) << c.ContentType << " / " << c.Mailer;
        EXPECT_EQ(mark.PetMail, c.Pet) << c.ContentType << " / " << c.Mailer;
    }
}

TEST(DeleteConfirmText, TenTitlesAtMostThenTheRest) {
    EXPECT_EQ(TConnect::DeleteConfirmText({"a", "b", "c"}), "a\r\nb\r\nc\r\n\r\nを削除しますか?");
    TLines twelve;
    std::string expected;
    for (int i = 1; i <= 12; ++i) {
        twelve.push_back("t" + std::to_string(i));
        if (i <= 10) expected += "t" + std::to_string(i) + "\r\n";
    }
    EXPECT_EQ(TConnect::DeleteConfirmText(twelve), expected + "\r\n他 2通のメールを削除しますか?");
    twelve.pop_back();
    twelve.pop_back();
    EXPECT_EQ(TConnect::DeleteConfirmText(twelve), expected + "\r\nを削除しますか?");
}

struct TContainsCase {
    const char* Text;
    const char* Needle;
    bool Found;
};

TEST(SjisSearch, ContainsOnlyAtCharacterBoundaries) {
    const TContainsCase cases[] = {
        {"ア", "A", false},  // 0x83 0x41
        {"アA", "A", true},
        {"xアy", "A", false},
        {"テスト", "スト", true},
        {"\x83\x83\x41", "\x83\x41", false},  // starts at the second byte of the first character
        {"abc", "", true},
        {"", "", true},
        {"", "a", false},
        {"ab", "abc", false},
        {"\x83", "\x83", true},  // a lead byte at the very end counts as one character
    };
    for (const TContainsCase& c : cases) {
        EXPECT_EQ(SjisSearch::Contains(c.Text, c.Needle), c.Found) << c.Text << " / " << c.Needle;
    }
    EXPECT_EQ(SjisSearch::AsciiLower("MULTI\x83\x41Z"), "multi\x83\x41z");
}

}  // namespace
