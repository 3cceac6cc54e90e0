#include <gtest/gtest.h>

#include <string>

#include "headers/SjisText.h"

TEST(SjisTextTest, FittingBytesNeverSplitsATwoByteCharacter) {
    const std::string kanji = "\x8A\xBF\x8E\x9A";  // two kanji
    const struct {
        std::string Text;
        size_t Max;
        size_t Expected;
    } cases[] = {
        {"abc", 10, 3},      {"abc", 2, 2},
        {"a" + kanji, 2, 1},  // the first kanji would be cut in half
        {"a" + kanji, 3, 3}, {"a" + kanji, 4, 3},
        {kanji, 0, 0},       {"a\x8A", 10, 1},  // a lone first byte at the end is not a character
    };
    for (const auto& c : cases)
        EXPECT_EQ(SjisText::FittingBytes(c.Text, c.Max), c.Expected) << c.Text << " " << c.Max;
}
