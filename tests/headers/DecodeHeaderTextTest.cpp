// Header values in every charset to Shift_JIS. Expected bytes: Python's codecs (decode the
// charset, encode cp932 with "?" for what it lacks) and iconv EUC-JP-MS for NEC row 13; the same
// table runs natively and under Wine.
#include <gtest/gtest.h>

#include "headers/MainDM.h"

namespace {

struct TDecodeCase {
    std::string Value;
    std::string Text;
};

TEST(DecodeHeaderTextTest, EncodedWordsInEveryCharset) {
    const TDecodeCase cases[] = {
        {"=?UTF-8?B?44OG44K544OI?=", "テスト"},
        {"=?utf-8?b?44OG44K544OI?=", "テスト"},
        {"=?UTF-8*ja?B?44OG44K544OI?=", "テスト"},  // RFC 2231 language
        {"=?Shift_JIS?B?g2WDWINn?=", "テスト"},
        {"=?windows-31j?B?g2WDWINn?=", "テスト"},
        {"=?EUC-JP?B?pcaluaXI?=", "テスト"},
        {"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", "テスト"},
        {"=?Iso-2022-Jp?B?GyRCJUYlOSVIGyhC?=", "テスト"},
        {"=?US-ASCII?Q?plain_text?=", "plain text"},
        {"=?UTF-8?Q?=E6=9C=AA=e6=89=bf=E8=AB=BE=E5=BA=83=E5=91=8A?=", "未承諾広告"},
        {"=?ISO-8859-1?Q?30=B0C_caf=E9_=A5?=", "30°C caf? ?"},  // no best fit: é, ¥ are "?"
        {"=?ISO-8859-7?B?2ew=?=", "Ωμ"},
        {"=?windows-1252?B?k3F1b3RlZJQggA==?=", "“quoted” ?"},
        {"=?KOI8-R?B?8NLJ18XU?=", "Привет"},
        {"=?GB2312?B?1tDOxA==?=", "中文"},
        {"=?Big5?B?pKSk5Q==?=", "中文"},
        {"=?ks_c_5601-1987?B?7O3c4g==?=", "日本"},
        // Adjacent words: blanks between them dropped, a character split over two joined.
        {"=?UTF-8?B?44OG4w==?= =?UTF-8?B?grnjg4g=?=", "テスト"},
        {"=?UTF-8?B?44OG?=\t=?Shift_JIS?B?g1g=?==?EUC-JP?B?pcg=?=", "テスト"},
        {"Re: =?UTF-8?B?44OG44K544OI?= (2)", "Re: テスト (2)"},
        {"=?UTF-8?B?44OG?= x =?UTF-8?B?44OG?=", "テ x テ"},
        // A B text split in the middle of a group of four goes on in the next word.
        {"=?UTF-8?B?44OG44K?= =?UTF-8?B?544OI?=", "テスト"},
        {"=?ISO-2022-JP?B?GyRCJUYlO?=\r\n =?ISO-2022-JP?B?SVIGyhC?=", "テスト"},
        // Unknown charsets and malformed words stay as they are.
        {"=?x-unknown?B?44OG?= =?UTF-8?B?44OG?=", "=?x-unknown?B?44OG?= テ"},
        {"=?UTF-8?B?44OG44K544OI", "=?UTF-8?B?44OG44K544OI"},
        {"=?UTF-8?X?abc?=", "=?UTF-8?X?abc?="},
        {"=?UTF-8?B?44 OG?=", "=?UTF-8?B?44 OG?="},
        // Hostile words give "?" for what is broken, never raw bytes.
        {"=?UTF-8?Q?=?=", "="},
        {"=?UTF-8?B?4@4O!G?=", "テ"},              // non-alphabet characters skipped
        {"=?UTF-8?B?wK9B7aCAQuOB?=", "??A???B?"},  // overlong, surrogate, cut off
        {"=?UTF-8?B?w6nwn5iA?=", "??"},            // é and an emoji: not in code page 932
        {"=?EUC-JP?B?jrGtoY+woQ==?=", "ｱ①?"},      // kana, NEC row 13, JIS X 0212
        {"=?ISO-2022-JP?B?GyhJMRsoQhskQiVGGyQ=?=", "ｱテ??"},  // ESC ( I kana, a cut escape
        {"=?Shift_JIS?B?gyBh/w==?=", "? a?"},                 // lead byte without trail, 0xFF
        // Raw text: UTF-8 converted, anything else taken as Shift_JIS, raw JIS as before.
        {"\xE3\x81\x8A\xE7\x9F\xA5\xE3\x82\x89\xE3\x81\x9B", "お知らせ"},
        {"件名 テスト", "件名 テスト"},
        {"abc\x81", "abc?"},
        {" \x1B$B%F%9%H\x1B(B ", " テスト "},
        {"\x1B$B%F\x1B(B =?UTF-8?B?44OG?=", "テ =?UTF-8?B?44OG?="},
        {"", "なし"},
        {"  Hello  ", "Hello"},
    };
    for (const auto& c : cases) EXPECT_EQ(TMainDM::DecodeHeaderText(c.Value), c.Text) << c.Value;
}

TEST(DecodeHeaderTextTest, WaveDashAndFriendsGetTheCodesJapaneseMailersUse) {
    // The JIS mapping's character and the one Windows gives the same code both arrive there.
    const struct {
        const char* Utf8;
        uint16_t Sjis;
    } cases[] = {
        {"\xE3\x80\x9C", 0x8160}, {"\xEF\xBD\x9E", 0x8160},  // U+301C, U+FF5E
        {"\xE2\x80\x96", 0x8161}, {"\xE2\x88\xA5", 0x8161},  // U+2016, U+2225
        {"\xE2\x88\x92", 0x817C}, {"\xEF\xBC\x8D", 0x817C},  // U+2212, U+FF0D
        {"\xC2\xA2", 0x8191},     {"\xEF\xBF\xA0", 0x8191},  // U+00A2, U+FFE0
        {"\xC2\xA3", 0x8192},     {"\xEF\xBF\xA1", 0x8192},  // U+00A3, U+FFE1
        {"\xC2\xAC", 0x81CA},     {"\xEF\xBF\xA2", 0x81CA},  // U+00AC, U+FFE2
    };
    for (const auto& c : cases) {
        const std::string expected = {static_cast<char>(c.Sjis >> 8),
                                      static_cast<char>(c.Sjis & 0xFF)};
        EXPECT_EQ(TMainDM::DecodeHeaderText(c.Utf8), expected) << std::hex << c.Sjis;
    }
}

TEST(DecodeHeaderTextTest, WordsEndAtEveryOffsetOfTheirText) {
    // Encoded text is searched for its end eight bytes at a time: the end at every offset, a
    // blank just before it, and 8-bit bytes (which end nothing) all the way to it.
    for (size_t n = 0; n < 20; ++n) {
        const std::string text(n, 'a');
        std::string utf8, sjis;
        for (size_t i = 0; i < n; ++i) utf8 += "\xE3\x83\x86", sjis += "テ";
        EXPECT_EQ(TMainDM::DecodeHeaderText("=?US-ASCII?Q?" + text + "?="), text) << n;
        const std::string blank = "=?US-ASCII?Q?" + text + " ?= x";
        EXPECT_EQ(TMainDM::DecodeHeaderText(blank), blank) << n;
        EXPECT_EQ(TMainDM::DecodeHeaderText("=?UTF-8?Q?" + utf8 + "?="), sjis) << n;
    }
}

}  // namespace
