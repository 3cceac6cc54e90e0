#include <gtest/gtest.h>

#include <algorithm>

#include "learn/LearnTokens.h"

namespace {

bool Has(const std::vector<std::string>& tokens, const std::string& token) {
    return std::binary_search(tokens.begin(), tokens.end(), token);
}

struct TCase {
    std::vector<std::string> Lines;
    std::vector<std::string> Present;
    std::vector<std::string> Absent = {};
};

TEST(LearnTokensTest, TokensOfEachKindOfField) {
    const TCase cases[] = {
        // Japanese in every charset the decoders read: the same character pairs.
        {{"Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?="},
         {"subject:テス", "subject:スト", "enc:iso-2022-jp/b"},
         {"subject:テスト", "subject:テ"}},
        {{"Subject: =?UTF-8?B?44OG44K544OI?="}, {"subject:テス", "subject:スト", "enc:utf-8/b"}},
        {{"Subject: =?Shift_JIS?B?g2WDWINn?="}, {"subject:テス", "subject:スト"}},
        {{"Subject: =?EUC-JP?B?pcaluaXI?="}, {"subject:テス", "subject:スト"}},
        {{"Subject: \x1B$B%F%9%H\x1B(B"}, {"subject:テス", "subject:スト"}},
        {{"Subject: \xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"}, {"subject:テス", "subject:スト"}},
        {{"Subject: =?GB2312?B?1tDOxA==?="}, {"subject:中文"}},
        // A lone character stands alone; the full-width blank parts words.
        {{"Subject: 株\x81\x40テスト"}, {"subject:株", "subject:テス"}, {"subject:株テ"}},
        // ASCII words, neighbouring pairs, a quiet form; numbers by their shape.
        {{"Subject: FREE Offer 12345 x"},
         {"subject:FREE", "subject:Offer", "subject:99999", "subject2:FREE Offer", "subj:free"},
         {"subject:12345", "subject:x"}},
        // An address: local part, shape, the domain and each parent, the display name.
        {{"From: \"Taro\" <Taro.Yamada@Mail.Example.co.jp>"},
         {"from.local:taro.yamada", "from.lshape:a.a", "from.dom:mail.example.co.jp",
          "from.dom:example.co.jp", "from.dom:co.jp", "from.dom:jp", "from.name:Taro",
          "from.count:1", "field:from"},
         {"from.name:Yamada"}},
        {{"From: =?UTF-8?B?44OG44K544OI?= <a@b.example>"},
         {"from.name:テス", "from.dom:b.example"}},
        {{"To: a@x.example, b@y.example"}, {"to.count:2", "to.dom:x.example", "to.dom:y.example"}},
        // Relays counted from the top, their networks.
        {{"Received: from mx.example.net (mx [192.0.2.7]) by in.example.jp",
          "Received: from relay.example.org by mx.example.net"},
         {"r1:mx.example.net", "r1.net:192.0.2", "r.net:192.0", "r2:relay.example.org", "relays:2"},
         {"r2:in.example.jp"}},
        {{"Message-ID: <20020822.AB12@host.example.com>"},
         {"mid.shape:<9.A9@a.a.a>", "mid.dom:host.example.com", "mid.dom:example.com"}},
        {{"Date: Thu, 22 Aug 2002 07:36:16 -0400 (EDT)"},
         {"date.zone:EDT", "date.shape:Aa, 9 Aa 9 9:9:9 -9 (A)"}},
        {{"Date: Thu, 22 Aug 2002 07:36:16 +0900"}, {"date.zone:+0900"}},
        {{"Content-Type: text/plain; charset=\"ISO-2022-JP\""},
         {"ct:text/plain", "ct.charset:iso-2022-jp"}},
        {{"X-Mailer: Microsoft Outlook Express 6.00.2800"},
         {"mailer:microsoft outlook express 9.99.9999", "mailer:Outlook"}},
        // Which field follows which.
        {{"From: a@b.example", "Subject: x"}, {"order:^>from", "order:from>subject"}},
        // A line without a field name.
        {{"no colon here"}, {"field:unnamed", "?:colon"}},
    };
    for (const TCase& c : cases) {
        const std::vector<std::string> tokens = TLearnTokens::Of(c.Lines);
        for (const std::string& token : c.Present)
            EXPECT_TRUE(Has(tokens, token)) << c.Lines[0] << " | " << token;
        for (const std::string& token : c.Absent)
            EXPECT_FALSE(Has(tokens, token)) << c.Lines[0] << " | " << token;
    }
}

TEST(LearnTokensTest, HostileHeadersStayBounded) {
    std::string noise;
    for (int i = 0; i < 200000; ++i) noise += static_cast<char>((i * 7919) % 256);
    const std::vector<std::vector<std::string>> headers = {
        {"Subject: " + std::string(100000, 'a')},
        {"Subject: " + noise},
        {"Received: " + std::string(50000, '1') + "." + std::string(50000, '.')},
        {"To: " + std::string(100000, '@')},
        {"Subject: =?" + std::string(100000, '?')},
        std::vector<std::string>(5000, "X-Many: w1 w2 w3 w4 w5 w6 w7 w8 w9 w10 w11"),
        {std::string("\x82", 1), std::string(1, '\0'), ":", ": x"},
    };
    for (const auto& lines : headers) {
        const std::vector<std::string> tokens = TLearnTokens::Of(lines);
        EXPECT_LE(tokens.size(), TLearnTokens::MaxTokens);
        EXPECT_TRUE(std::is_sorted(tokens.begin(), tokens.end()));
        EXPECT_EQ(std::adjacent_find(tokens.begin(), tokens.end()), tokens.end());
    }
}

}  // namespace
