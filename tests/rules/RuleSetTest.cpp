#include <gtest/gtest.h>

#include "rules/RuleSet.h"

namespace {

using TLines = std::vector<std::string>;

TRuleInputs EveryCheck(int mode = TRuleSet::HeaderSearch) {
    TRuleInputs inputs;
    inputs.AutoDelMode = mode;
    inputs.Rules = {"Subject:,未承諾広告", "X-Spam:,yes"};
    inputs.Allow = {"friend.example", "boss@work.example"};
    inputs.Block = {"spam.example", "bad@ok.example"};
    inputs.AuthFail = true;
    inputs.AuthServId = "mx.example.jp";
    inputs.Charsets = "GB2312,GBK,GB18030,Big5,KOI8-R,EUC-KR";
    inputs.Spoof = true;
    inputs.MaxSize = 100;
    return inputs;
}

struct TCase {
    const char* What;
    TLines Lines;
    int64_t Size;
    TDecision Expected;
};

const char* const Fail = "Authentication-Results: mx.example.jp; dmarc=fail";
const char* const Gb = "Subject: =?GB2312?B?1tDOxA==?=";
const char* const Spoofed = "From: \"support@amazon.co.jp\" <x@evil.example>";

TEST(RuleSet, FirstThatMatchesDecidesInOrder) {
    const TCase cases[] = {
        {"nothing", {"From: a@ok.example", "Subject: hello"}, 5000, {}},
        {"blocked domain",
         {"From: X <x@mail.spam.example>"},
         10,
         {true, "拒否リスト: spam.example"}},
        {"encoded address",
         {"From: =?UTF-8?B?eEBzcGFtLmV4YW1wbGU=?="},
         10,
         {true, "拒否リスト: spam.example"}},
        {"blocked address", {"From: Bad@OK.example"}, 10, {true, "拒否リスト: bad@ok.example"}},
        {"block before rules",
         {"From: x@spam.example", "Subject: 未承諾広告"},
         10,
         {true, "拒否リスト: spam.example"}},
        {"first rule",
         {"From: a@ok.example", "Subject: 未承諾広告", "X-Spam: yes"},
         10,
         {true, "Subject:,未承諾広告"}},
        {"second rule", {"From: a@ok.example", "X-Spam: yes", Fail}, 10, {true, "X-Spam:,yes"}},
        {"checks in order", {Spoofed, Gb, Fail}, 200000, {true, "認証失敗: dmarc=fail"}},
        {"forged verdict",
         {"From: a@ok.example", "Authentication-Results: evil; dmarc=fail"},
         10,
         {}},
        {"charset", {Spoofed, Gb}, 200000, {true, "文字コード: GB2312"}},
        {"charset of the name",
         {"From: =?big5?B?pKSk5Q==?= <a@ok.example>"},
         10,
         {true, "文字コード: Big5"}},
        {"spoof", {Spoofed}, 200000, {true, "なりすまし表示名"}},
        {"size", {"From: a@ok.example"}, 102401, {true, "サイズ: 101KB"}},
        {"size at the limit", {"From: a@ok.example"}, 102400, {}},
        {"allowed domain kept",
         {"From: x@mail.friend.example", "Subject: 未承諾広告"},
         10,
         {false, "許可リスト"}},
        {"allowed address kept", {"From: Boss <boss@work.example>"}, 900000, {false, "許可リスト"}},
        {"allowed and harmless", {"From: x@friend.example"}, 10, {}},
        {"allow list beats block list",
         {"From: x@friend.example", "Subject: 未承諾広告"},
         10,
         {false, "許可リスト"}},
        {"dmarc=fail beats the allow list",
         {"From: x@friend.example",
          "Authentication-Results: mx.example.jp; spf=pass; dmarc=fail header.from=friend.example"},
         10,
         {true, "認証失敗: dmarc=fail"}},
        {"another server's dmarc=fail does not",
         {"From: x@friend.example", "Subject: 未承諾広告",
          "Authentication-Results: evil; dmarc=fail"},
         10,
         {false, "許可リスト"}},
    };
    const TRuleSet rules(EveryCheck());
    for (const TCase& c : cases) {
        const TDecision d = rules.Decide(c.Lines, c.Size);
        EXPECT_EQ(d.Ticked, c.Expected.Ticked) << c.What;
        EXPECT_EQ(d.Reason, c.Expected.Reason) << c.What;
    }
    EXPECT_TRUE(rules.Refused().empty());
}

TEST(RuleSet, EveryAddressOfEveryFromFieldCounts) {
    const struct {
        TLines Lines;
        TDecision Expected;
    } cases[] = {
        {{"From: \"spam\"@spam.example"}, {true, "拒否リスト: spam.example"}},
        {{"From: Spam <spam@ spam.example>"}, {true, "拒否リスト: spam.example"}},
        {{"From : spam@spam.example"}, {true, "拒否リスト: spam.example"}},
        {{"From: spam@[spam.example]"}, {true, "拒否リスト: spam.example"}},
        {{"From: spam (x) @ spam . example"}, {true, "拒否リスト: spam.example"}},
        {{"From: a@ok.example, b@spam.example"}, {true, "拒否リスト: spam.example"}},
        {{"From: a@ok.example", "From: b@spam.example"}, {true, "拒否リスト: spam.example"}},
        {{"From: a@friend.example", "From: b@spam.example"}, {true, "拒否リスト: spam.example"}},
        {{"From: a@friend.example, b@spam.example"}, {true, "拒否リスト: spam.example"}},
        {{"From: \"x\"@friend.example", "From: y@friend.example", "Subject: 未承諾広告"},
         {false, "許可リスト"}},
    };
    const TRuleSet rules(EveryCheck());
    for (const auto& c : cases) EXPECT_EQ(rules.Decide(c.Lines, 10), c.Expected) << c.Lines[0];
}

TEST(RuleSet, OtherModesIgnoreListsAndChecks) {
    const TLines pet = {"From: x@spam.example", "Content-Type: Multipart/Mixed; b=1",
                        "X-Mailer: PostPet 2"};
    EXPECT_EQ(TRuleSet(EveryCheck(TRuleSet::PostPet)).Decide(pet, 900000),
              (TDecision{true, "PostPet"}));
    EXPECT_EQ(TRuleSet(EveryCheck(TRuleSet::PostPet)).Decide({Spoofed, "Subject: 未承諾広告"}, 10),
              TDecision{});
    EXPECT_EQ(TRuleSet(EveryCheck(0)).Decide(pet, 900000), TDecision{});
}

}  // namespace
