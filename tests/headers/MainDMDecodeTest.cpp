#include <gtest/gtest.h>

#include "headers/MainDM.h"

namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// "テスト" in an encoded word, in ISO-2022-JP with the switch back to ASCII.
const std::string Tesuto = "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=";

struct DecodeCase {
    std::string Value;
    std::string Text;
};

TEST(MainDMDecodeTest, DecodeJisWordsEncodedWords) {
    const DecodeCase cases[] = {
        {"", "なし"},
        {"  Hello  ", "Hello"},
        {"\t Hello\r\n", "Hello"},
        {"   ", ""},
        {Tesuto, "テスト"},
        {"=?ISO-2022-JP?B?GyRCJUYlORsoQg==?=", "テス"},
        {"=?ISO-2022-JP?B?GyRCJUYlORsoQg?=", "テス"},  // padding may be missing
        {"=?ISO-2022-JP?B?GyRCJUYbKEI=?=", "テ"},
        {"=?iso-2022-jp?B?GyRCJUYlOSVIGyhC?=", "テスト"},
        {"Re: " + Tesuto + " (2)", "Re: テスト (2)"},
        {Tesuto + " " + Tesuto, "テスト テスト"},
        {Tesuto + "\t" + Tesuto, "テスト\tテスト"},
        {Tesuto + Tesuto, "テストテスト"},
        {"  " + Tesuto + "  ", "テスト"},
        {"=?ISO-2022-JP?B?GyRCJUYbKEphYmM=?=", "テabc"},  // ESC ( J back to single bytes
        {"=?ISO-2022-JP?B?GyhCYWIAY2Q=?=", "ab"},         // a word's text ends at a zero byte
        {"=?ISO-2022-JP?B?"
         "?=x",
         "x"},
        // An unterminated word loses its first encoded character; the rest stays.
        {"=?ISO-2022-JP?B?GyRCJUYlOSVI", "yRCJUYlOSVI"},
        // Other charsets, other spellings and text without words pass unchanged.
        {"=?UTF-8?B?44OG44K544OI?=", "=?UTF-8?B?44OG44K544OI?="},
        {"=?Shift_JIS?B?g2WDWINn?=", "=?Shift_JIS?B?g2WDWINn?="},
        {"=?UTF-8?Q?caf=C3=A9?=", "=?UTF-8?Q?caf=C3=A9?="},
        {"=?Iso-2022-Jp?B?GyRCJUYlOSVIGyhC?=", "=?Iso-2022-Jp?B?GyRCJUYlOSVIGyhC?="},
        {"件名 テスト", "件名 テスト"},
        // Each word is found where it stands, whichever spelling comes first.
        {"=?ISO-2022-JP?B?GyRCJUYbKEI=?= =?iso-2022-jp?B?GyRCJTkbKEI=?=", "テ ス"},
        {"=?iso-8859-1?Q?caf=E9?= " + Tesuto, "=?iso-8859-1?Q?caf=E9?= テスト"},
        {"=?ISO-8859-1?Q?caf=E9?= " + Tesuto, "=?ISO-8859-1?Q?caf=E9?= テスト"},
    };
    for (const auto& c : cases) EXPECT_EQ(TMainDM::DecodeJisWords(c.Value), c.Text) << c.Value;
}

TEST(MainDMDecodeTest, DecodeJisWordsLongEncodedWordIsDecodedWhole) {
    // From 100 repetitions on, over 600 bytes once decoded: far beyond RFC 2047's 75 characters.
    for (int times : {1, 42, 43, 100, 1000}) {
        const std::string word = "=?ISO-2022-JP?B?GyRC" + Repeat("JUYlOSVI", times) + "GyhC?=";
        EXPECT_EQ(TMainDM::DecodeJisWords("[" + word + "]"), "[" + Repeat("テスト", times) + "]")
            << times;
    }
}

TEST(MainDMDecodeTest, DecodeJisWordsRawJisIsConvertedUntrimmedUpToLimit) {
    const DecodeCase cases[] = {
        {"\x1B$B%F%9%H\x1B(B", "テスト"},
        {" \x1B$B%F\x1B(B ", " テ "},
        {"\x1B$B%F\x1B(@x", "テx"},  // ESC ( @ returns to single bytes
        {"\x1B$@%F\x1B(Bx", "テx"},  // ESC $ @ starts two-byte text
        {"a\x1B$Zb", "a\x1B$Zb"},    // an unknown escape is an ordinary byte
        {"\x1B$B%F%", "テ"},         // a lone first byte at the end is dropped
        // Encoded words in a raw value stay as they are.
        {"\x1B$B%F\x1B(B " + Tesuto, "テ " + Tesuto},
        // 255 bytes: the escape and 126 characters; the rest is dropped.
        {"\x1B$B" + Repeat("%F", 150) + "\x1B(B", Repeat("テ", 126)},
        {"a\x1B$B" + Repeat("%F", 150), "a" + Repeat("テ", 125)},
    };
    for (const auto& c : cases) EXPECT_EQ(TMainDM::DecodeJisWords(c.Value), c.Text) << c.Value;
}

TEST(MainDMDecodeTest, JisToSjisOutputNeverLongerThanInput) {
    const DecodeCase cases[] = {
        {"", ""},
        {"abc", "abc"},
        {"\x1B$B", ""},
        {"\x1B$B%", ""},
        {"\x1B$B%F\x1B(Bz\x1B$B%9", "テzス"},
        {"\x1B(", "\x1B("},  // too short for an escape sequence
    };
    for (const auto& c : cases) {
        const std::string out = TMainDM::JisToSjis(c.Value);
        EXPECT_EQ(out, c.Text) << c.Value;
        EXPECT_LE(out.size(), c.Value.size());
    }
}

TEST(MainDMDecodeTest, DecodeBase64CountsPaddingAndShortGroups) {
    const DecodeCase cases[] = {
        {"", ""},
        {"QQ==", "A"},
        {"QUI=", "AB"},
        {"QUJD", "ABC"},
        {"QUJDRA", "ABCD"},
        {"QUJDREU", "ABCDE"},
        {"QUJDR", "ABC"},
        {"Zm9vYmFy", "foobar"},
        // "!" is no base64 digit: it counts with its own code 33.
        {"QU!D", "AHC"},
    };
    for (const auto& c : cases) EXPECT_EQ(TMainDM::DecodeBase64(c.Value), c.Text) << c.Value;
}

TEST(MainDMDecodeTest, Base64DigitValues) {
    const struct {
        char C;
        unsigned Value;
    } cases[] = {{'A', 0},  {'Z', 25}, {'a', 26}, {'z', 51}, {'0', 52},     {'9', 61},
                 {'+', 62}, {'/', 63}, {'=', 61}, {'!', 33}, {'\xE0', 0xE0}};
    for (const auto& c : cases) EXPECT_EQ(TMainDM::Base64Digit(c.C), c.Value) << c.C;
    const auto bytes = TMainDM::DecodeBase64Group('/', '/', '/', '/');
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(bytes[2], 0xFF);
}

TEST(MainDMDecodeTest, JisCharToSjisKnownCodes) {
    const struct {
        uint16_t Jis, Sjis;
    } cases[] = {
        {0x2121, 0x8140},  // ideographic space
        {0x2546, 0x8365},  // テ: odd row, second byte below 0x60
        {0x2160, 0x8180},  // odd row, second byte from 0x60 on
        {0x2521, 0x8340},  // ァ: second byte 0x40
        {0x3021, 0x889F},  // 亜: even row
        {0x5E7E, 0x9FFC},  // last row below the gap
        {0x5F21, 0xE040},  // first row above it
        {0x7E7E, 0xEFFC},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TMainDM::JisCharToSjis(c.Jis), c.Sjis) << std::hex << c.Jis;
}

}  // namespace
