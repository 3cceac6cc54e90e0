#include <gtest/gtest.h>

#include "settings/AccountFields.h"
#include "settings/AccountStore.h"

namespace {

using namespace AccountFields;

TEST(AccountFieldsTest, ServerTextSplitsIntoHostAndPort) {
    const struct {
        const char* Serv;
        const char* Host;
        int Port;
    } cases[] = {
        {"mail.example.jp", "mail.example.jp", 110},
        {"mail.example.jp:995", "mail.example.jp", 995},
        {" mail.example.jp : 995 ", "mail.example.jp", 995},
        {"pop:40000", "pop", 40000},  // above the old field's 32767
        {"pop:65535", "pop", 65535},
        {"pop:0", "pop", 0},
        {"pop:abc", "pop", 110},  // not a number: the dialog still opens
        {"pop :", "pop", 110},
        {"pop:65536", "pop", 110},  // would wrap to port 0 when packed
        {"pop:-1", "pop", 110},
        {"", "", 110},
    };
    for (const auto& c : cases) {
        const TServerParts parts = SplitServer(c.Serv);
        EXPECT_EQ(parts.Host, c.Host) << c.Serv;
        EXPECT_EQ(parts.Port, c.Port) << c.Serv;
    }
}

TEST(AccountFieldsTest, PortSuffixIsEmptyForTheDefaultPortAndForNonsenseAndBeyondRangeRefused) {
    const struct {
        const char* Text;
        const char* Suffix;
        bool Refused;
    } cases[] = {
        {"110", "", false},      {"995", ":995", false}, {"65535", ":65535", false},
        {"40000", ":40000", false}, {"0", ":0", false},  {"abc", "", false},
        {"", "", false},         {"65536", "", true},    {"70000", "", true},
        {" 99999999999 ", "", true}, {"-1", "", true},   {"12a", "", false},
        {"0110", ":0110", false},  // the text as typed; only "110" itself drops the suffix
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortSuffix(c.Text), c.Suffix) << c.Text;
        EXPECT_EQ(PortBeyondRange(c.Text), c.Refused) << c.Text;
    }
}

TEST(AccountFieldsTest, SslTlsSwapsTheDefaultPortsOnlyAndLeavesATypedPort) {
    const struct {
        const char* Text;
        int Security;
        const char* Expected;
    } cases[] = {
        {"110", kSecuritySslTls, "995"},   {"995", kSecurityNone, "110"},
        {"995", kSecurityStartTls, "110"}, {"110", kSecurityStartTls, "110"},
        {"995", kSecuritySslTls, "995"},   {"1110", kSecuritySslTls, "1110"},
        {"", kSecuritySslTls, ""},         {"abc", kSecurityNone, "abc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PortForSecurity(c.Text, c.Security), c.Expected) << c.Text << " " << c.Security;
}

TEST(AccountFieldsTest, HeaderNamesAreTrimmedAndEndWithAColon) {
    const struct {
        const char* Text;
        const char* Name;
    } cases[] = {
        {"Subject", "Subject:"},
        {" Subject ", "Subject:"},
        {"\tX-Mailer:\r\n", "X-Mailer:"},
        {"To:", "To:"},
        {"   ", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(HeaderName(c.Text), c.Name) << c.Text;
}

TEST(AccountFieldsTest, DesignatedHeaderNoneIsEmpty) {
    const std::string none = "表示なし";
    EXPECT_EQ(DesignHeader(" Subject ", none), "Subject:");
    EXPECT_EQ(DesignHeader("表示なし", none), "");
    EXPECT_EQ(DesignHeader(" 表示なし ", none), "");
    EXPECT_EQ(DesignHeader("", none), "");
    EXPECT_EQ(DesignHeader("From:", none), "From:");
}

TEST(AccountFieldsTest, NamesCompareIgnoringAsciiCaseOnly) {
    EXPECT_TRUE(SameName("Home", "HOME"));
    EXPECT_TRUE(SameName("会社mail", "会社MAIL"));
    EXPECT_FALSE(SameName("Home", "Home "));
    // "ヂ" is 83 61 and "ア" 83 41: their trail bytes are "a" and "A", which must not be folded.
    EXPECT_FALSE(SameName("\x83\x61", "\x83\x41"));
    EXPECT_TRUE(SameName("\x83\x61x", "\x83\x61X"));
}

TEST(AccountFieldsTest, TabNamesLoseTheLampRoomOnlyWithLamps) {
    EXPECT_EQ(TabName("  Home", true), "Home");
    EXPECT_EQ(TabName("  Home", false), "  Home");
    EXPECT_EQ(TabName("Home", true), "Home");
}

TEST(AccountFieldsTest, HeaderSearchWithoutRulesIsNoMode) {
    EXPECT_EQ(AutoDelModeFor(TModeChoice::None, 3), kAutoDelNone);
    EXPECT_EQ(AutoDelModeFor(TModeChoice::HeaderSearch, 0), kAutoDelNone);
    EXPECT_EQ(AutoDelModeFor(TModeChoice::HeaderSearch, 1), kAutoDelHeaderSearch);
    EXPECT_EQ(AutoDelModeFor(TModeChoice::HeaderSearch, 0, true), kAutoDelHeaderSearch);
    EXPECT_EQ(AutoDelModeFor(TModeChoice::None, 0, true), kAutoDelNone);
    EXPECT_EQ(AutoDelModeFor(TModeChoice::PostPet, 0), kAutoDelPostPet);
}

TEST(AccountFieldsTest, CheckIntervalIsAWholeNumberOfMinutesWithinADay) {
    const struct {
        const char* Text;
        int Minutes;  // 0: refused
    } cases[] = {{" 1 ", 1}, {"1440", 1440}, {"0", 0}, {"1441", 0}, {"", 0}, {"-5", 0}, {"9x", 0},
                 {"99999999999", 0}};
    for (const auto& c : cases) {
        int minutes = -1;
        std::string error;
        EXPECT_EQ(CheckEveryFromText(c.Text, minutes, error), c.Minutes > 0) << c.Text;
        if (c.Minutes > 0) {
            EXPECT_EQ(minutes, c.Minutes);
            continue;
        }
        EXPECT_EQ(minutes, -1);
        EXPECT_NE(error.find("1 から 1440 まで"), std::string::npos) << error;
    }
}

TEST(AccountFieldsTest, SpamCheckFieldsAreTrimmedOrRefused) {
    const struct {
        TFilterFields Fields;
        bool Ok;
        TAccountFilter Stored;  // when Ok
        const char* InError;    // when not
        TFilterField Faulty;
    } cases[] = {
        {{}, true, {}, nullptr, {}},
        {{true, " mx.example.jp ", false, "", true, " 512 "},
         true,
         {true, "mx.example.jp", "", true, 512, false, ""},
         nullptr,
         {}},
        {{false, " kept.jp ", false, " GB2312,Big5 ", false, "0"},
         true,
         {false, "kept.jp", "", false, 0, false, "GB2312,Big5"},
         nullptr,
         {}},
        {{false, "", true, " GB2312 ,, Big5 ,", false, ""},
         true,
         {false, "", "GB2312,Big5", false, 0, false, ""},
         nullptr,
         {}},
        {{true, "  ", false, "", false, ""}, false, {}, "authserv-id", TFilterField::AuthServId},
        {{true, "mx example.jp", false, "", false, ""},
         false,
         {},
         "mx example.jp",
         TFilterField::AuthServId},
        {{true, "ｍｘ.jp", false, "", false, ""}, false, {}, "ｍｘ.jp", TFilterField::AuthServId},
        {{false, "", true, " , ", false, ""}, false, {}, "文字コード", TFilterField::Charsets},
        {{false, "", true, "GB2312,EUC KR", false, ""},
         false,
         {},
         "EUC KR",
         TFilterField::Charsets},
        {{false, "", true, "*", false, ""}, false, {}, "「*」", TFilterField::Charsets},
        {{false, "", false, "", false, "-1"}, false, {}, "「-1」", TFilterField::MaxSize},
        {{false, "", false, "", false, "12x"}, false, {}, "「12x」", TFilterField::MaxSize},
        {{false, "", false, "", false, "2097152"},
         false,
         {},
         "KB の数を 0 から 2097151 (約 2 GB)",
         TFilterField::MaxSize},
        {{false, "", false, "", false, "99999999999"},
         false,
         {},
         "「99999999999」",
         TFilterField::MaxSize},
    };
    for (const auto& c : cases) {
        TAccountFilter filter;
        filter.MaxSize = 7;  // a refusal leaves it
        filter.LearnedDelete = true;  // not among the fields: always kept
        std::string error;
        TFilterField faulty{};
        ASSERT_EQ(FilterFromFields(c.Fields, filter, error, faulty), c.Ok) << error;
        if (!c.Ok) {
            EXPECT_NE(error.find(c.InError), std::string::npos) << error;
            EXPECT_EQ(faulty, c.Faulty) << error;
            EXPECT_EQ(filter.MaxSize, 7);
            continue;
        }
        EXPECT_EQ(filter.AuthFail, c.Stored.AuthFail);
        EXPECT_EQ(filter.AuthServId, c.Stored.AuthServId);
        EXPECT_EQ(filter.Charsets, c.Stored.Charsets);
        EXPECT_EQ(filter.Spoof, c.Stored.Spoof);
        EXPECT_EQ(filter.MaxSize, c.Stored.MaxSize);
        EXPECT_EQ(filter.KeptCharsets, c.Stored.KeptCharsets);
        EXPECT_TRUE(filter.LearnedDelete);
    }
}

}  // namespace
