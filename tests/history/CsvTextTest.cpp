// RFC 4180 records: the quoting of each field, and reading back what was written.
#include <gtest/gtest.h>

#include "history/CsvText.h"

namespace {

using CsvText::TRecord;

TEST(CsvText, QuotesOnlyWhatNeedsItAndReadsItBack) {
    const struct {
        TRecord Fields;
        const char* Line;
    } cases[] = {
        {{"a", "", "件名"}, "a,,件名\r\n"},
        {{"Subject:,未承諾広告"}, "\"Subject:,未承諾広告\"\r\n"},
        {{"say \"hi\"", "x"}, "\"say \"\"hi\"\"\",x\r\n"},
        {{"two\r\nlines", "cr\r", "lf\n"}, "\"two\r\nlines\",\"cr\r\",\"lf\n\"\r\n"},
        {{"表", "ソ"}, "表,ソ\r\n"},  // second bytes 0x5C: no special meaning
        {{""}, "\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CsvText::Record(c.Fields), c.Line) << c.Line;
        EXPECT_EQ(CsvText::Parse(c.Line), std::vector<TRecord>{c.Fields}) << c.Line;
    }
}

TEST(CsvText, ParsesLineEndsAndOddInput) {
    const struct {
        const char* What;
        std::string Text;
        std::vector<TRecord> Records;
    } cases[] = {
        {"empty", "", {}},
        {"last line without its end", "a,b\r\nc", {{"a", "b"}, {"c"}}},
        {"bare LF and bare CR end records", "a\nb\rc\r\n", {{"a"}, {"b"}, {"c"}}},
        {"empty line inside", "a\r\n\r\nb\r\n", {{"a"}, {""}, {"b"}}},
        {"quote left open runs to the end", "\"a,\r\nb", {{"a,\r\nb"}}},
        {"text after a closing quote joins the field", "\"a\"b,c\r\n", {{"ab", "c"}}},
        {"trailing comma", "a,\r\n", {{"a", ""}}},
    };
    for (const auto& c : cases) EXPECT_EQ(CsvText::Parse(c.Text), c.Records) << c.What;
}

}  // namespace
