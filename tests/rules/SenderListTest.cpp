#include <gtest/gtest.h>

#include "rules/SenderList.h"

namespace {

TEST(SenderList, EntriesAreFoldedOrRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {" Taro@Example.JP ", "taro@example.jp"},
        {"Example.JP.", "example.jp"},
        {"@example.jp", "example.jp"},
        {".example.jp", "example.jp"},
        {"cn", "cn"},
        {"xn--eckwd4c7c.xn--zckzah", "xn--eckwd4c7c.xn--zckzah"},
        {"taro..x.@docomo.ne.jp", "taro..x.@docomo.ne.jp"},
        {"*.example.jp", nullptr},
        {"taro@*.jp", nullptr},
        {"*", nullptr},
        {"taro @example.jp", nullptr},
        {"例え.jp", nullptr},
        {"ｔａｒｏ@example.jp", nullptr},
        {"taro@@example.jp", nullptr},
        {"taro@", nullptr},
        {"@", nullptr},
        {".", nullptr},
        {"  ", nullptr},
        {"-bad.jp", nullptr},
        {"a..b.jp", nullptr},
        {"exa_mple.jp", nullptr},
        {"\"taro\"@example.jp", nullptr},
    };
    for (const auto& [text, expected] : cases) {
        std::string entry, error;
        EXPECT_EQ(TSenderList::ParseEntry(text, entry, error), expected != nullptr) << text;
        EXPECT_EQ(entry, expected ? expected : "") << text;
        EXPECT_EQ(error.empty(), expected != nullptr) << text;
    }
    std::string entry, error;
    TSenderList::ParseEntry("*.example.jp", entry, error);
    EXPECT_EQ(error.rfind("「*.example.jp」は登録できません。ワイルドカード", 0), 0u) << error;
}

TEST(SenderList, MatchesAddressesWholeAndDomainsWithTheirSubdomains) {
    std::vector<std::string> refused;
    const TSenderList list({"example.jp", "Taro@Example.co.jp", "ru", "*", "*.evil.jp", "例.jp"},
                           &refused);
    EXPECT_EQ(refused.size(), 3u);
    const std::pair<const char*, const char*> cases[] = {
        {"a@example.jp", "example.jp"},
        {"a@mail.example.jp", "example.jp"},
        {"A@MAIL.EXAMPLE.JP", "example.jp"},
        {"a@example.jp.", "example.jp"},
        {"a@badexample.jp", ""},
        {"a@example.jp.evil.example", ""},
        {"taro@example.co.jp", "taro@example.co.jp"},
        {"TARO@Example.Co.Jp", "taro@example.co.jp"},
        {"hanako@example.co.jp", ""},
        {"taro@sub.example.co.jp", ""},
        {"x@mail.ru", "ru"},
        {"x@evil.jp", ""},
        {"x@b.c", ""},
        {"", ""},
    };
    for (const auto& [address, expected] : cases)
        EXPECT_EQ(list.Match(address), expected) << address;
}

}  // namespace
