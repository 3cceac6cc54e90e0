#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "headers/MainDM.h"

namespace {

struct SplitCase {
    const char* Rule;
    const char* Header;
    const char* Text;
};

TEST(MainDMTest, SplitRuleCutsAtFirstComma) {
    const SplitCase cases[] = {
        {"Subject:,a,b", "Subject:", "a,b"},
        {",x", "", "x"},
        {"From:,", "From:", ""},
        {"no comma", "", "no comma"},
        {"", "", ""},
        {" Subject: , 件名 ", " Subject: ", " 件名 "},  // never trimmed
    };
    for (const auto& c : cases) {
        const TRuleParts parts = TMainDM::SplitRule(c.Rule);
        EXPECT_EQ(parts.Header, c.Header) << c.Rule;
        EXPECT_EQ(parts.Text, c.Text) << c.Rule;
    }
}

struct PackCase {
    const char* Server;
    const char* Packed;
};

TEST(MainDMTest, PackServerAddressGivesPortDigitsThenHost) {
    const PackCase cases[] = {
        {"mailhost", "006Emailhost"},
        {" mailhost : 995 ", "03E3mailhost"},
        {"\tmail.example.jp\r\n", "006Email.example.jp"},
        {"host:0", "0000host"},
        {"host:65535", "FFFFhost"},
        {"host:70000", "1170host"},  // low 16 bits
        {"host:-1", "FFFFhost"},
        {"host:+110", "006Ehost"},
        {"192.168.0.1:1100", "044C192.168.0.1"},
        {":110", "006E"},
        {"", "006E"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TMainDM::PackServerAddress(c.Server), c.Packed) << c.Server;
}

struct BadPortCase {
    const char* Server;
    const char* Message;
};

TEST(MainDMTest, PackServerAddressRejectsPortThatIsNoWholeNumber) {
    const BadPortCase cases[] = {
        {"host:abc", "'abc' は整数ではありません"},
        {"host:", "'' は整数ではありません"},
        {"host: 1 2 ", "'1 2' は整数ではありません"},
        {"host:110:x", "'110:x' は整数ではありません"},
        {"host:0x6E", "'0x6E' は整数ではありません"},
        {"host:-", "'-' は整数ではありません"},
        {"host:99999999999", "'99999999999' は整数ではありません"},
        {"host:2147483648", "'2147483648' は整数ではありません"},
    };
    for (const auto& c : cases) {
        try {
            TMainDM::PackServerAddress(c.Server);
            ADD_FAILURE() << c.Server << " was accepted";
        } catch (const std::runtime_error& e) {  // callers catch the general failure
            EXPECT_STREQ(e.what(), c.Message) << c.Server;
        }
    }
    EXPECT_EQ(TMainDM::PackServerAddress("host:-2147483648"), "0000host");
    EXPECT_EQ(TMainDM::PackServerAddress("host:2147483647"), "FFFFhost");
}

TEST(MainDMTest, PackedPortReadsBackThroughHexToPort) {
    for (int port = 0; port <= 65535; port += 97) {
        const std::string packed = TMainDM::PackServerAddress("h:" + std::to_string(port));
        const uint16_t network = TMainDM::HexToPort(packed.substr(0, 4));
        EXPECT_EQ((network >> 8 | network << 8) & 0xFFFF, port);
        EXPECT_EQ(packed.substr(4), "h");
    }
}

struct HexCase {
    const char* Text;
    unsigned Value;
};

TEST(MainDMTest, HexToPortPutsFirstPairInLowByte) {
    const HexCase cases[] = {
        {"03E3", 0xE303}, {"006E", 0x6E00}, {"ffff", 0xFFFF}, {"0100", 0x0001},
        {"6E", 0},        {"006E1", 0},     {"", 0},          {"0G6E", 0x6E00},
    };
    for (const auto& c : cases) EXPECT_EQ(TMainDM::HexToPort(c.Text), c.Value) << c.Text;
}

TEST(MainDMTest, HexPairToByteReadsTwoDigitsAtMost) {
    const HexCase cases[] = {
        {"1f", 31}, {"1F", 31},  {"7", 7},   {"G1", 0},      {"1G", 0}, {"1234", 0x12},
        {"", 0},    {"FF", 255}, {"00x", 0}, {"0A名前", 10}, {" 1", 0}, {"-1", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TMainDM::HexPairToByte(c.Text), c.Value) << c.Text;
}

// Workers and the user interface call the module at once; every call must stand alone.
TEST(MainDMTest, OperationsRunConcurrently) {
    const std::string values[] = {
        "Re: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= (2)", "\x1B$B%F%9%H\x1B(B", "plain",
        "=?iso-2022-jp?B?GyRCJUYlORsoQg==?= =?ISO-2022-JP?B?GyRCJUYbKEI=?=",
        "=?UTF-8?B?44OG44K544OI?= =?GB2312?B?1tDOxA==?="};
    const char* const dates[] = {"Thu, 15 Mar 2001 14:05:09 -0500", "bad +A0", "1 Jan 2001"};
    auto run = [&] {
        std::string all;
        for (const auto& v : values) all += TMainDM::DecodeHeaderText(v) + "|";
        for (const char* d : dates) {
            const double t = TMainDM::ParseMailDate(d);
            all += TMainDM::FormatListDate(t) + TMainDM::DateSortKey(t) + "|";
        }
        all += TMainDM::ExtractSenderName("\"Sales Desk\" <s@example.com>");
        all += TMainDM::PackServerAddress("host:995");
        return all;
    };
    const std::string expected = run();
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) result = run();
        });
    for (auto& t : threads) t.join();
    for (const auto& result : results) EXPECT_EQ(result, expected);
}

}  // namespace
