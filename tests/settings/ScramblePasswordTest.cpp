#include <gtest/gtest.h>

#include "settings/ScramblePassword.h"

namespace {

struct KnownCase {
    std::string Plain;
    std::string Stored;
};

const KnownCase KnownCases[] = {
    {"abc", "\x3E\xBC\x3C"}, {std::string(1, '\x00'), "\xFF"}, {"\xFF", std::string(1, '\x00')},
    {"\x01", "\x7F"},  // bit 0 moves to bit 7
    {"\x40", "\xFE"},  // bit 6 moves to bit 0
};

TEST(ScramblePasswordTest, KnownBytes) {
    for (const auto& c : KnownCases) {
        EXPECT_EQ(ScramblePassword(c.Plain, TScrambleDirection::Scramble), c.Stored);
        EXPECT_EQ(ScramblePassword(c.Stored, TScrambleDirection::Unscramble), c.Plain);
    }
}

TEST(ScramblePasswordTest, EveryByteComesBackAndNoTwoCollide) {
    std::string all(256, '\0');
    for (int b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
    const std::string stored = ScramblePassword(all, TScrambleDirection::Scramble);
    EXPECT_EQ(ScramblePassword(stored, TScrambleDirection::Unscramble), all);
    std::string sorted = stored;
    std::sort(sorted.begin(), sorted.end(),
              [](char a, char b) { return (unsigned char)a < (unsigned char)b; });
    EXPECT_EQ(sorted, all);
}

TEST(ScramblePasswordTest, BufferFormWorksInPlaceOnTheCountGiven) {
    char buffer[] = "abcd";
    ScramblePassword(buffer, buffer, TScrambleDirection::Scramble, 3);
    EXPECT_EQ(std::string(buffer, 4),
              "\x3E\xBC\x3C"
              "d");
}

}  // namespace
