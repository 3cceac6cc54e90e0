#include <gtest/gtest.h>

#include "headers/MainDM.h"
#include "rules/FromField.h"

namespace {

struct TCase {
    const char* Value;
    const char* Address;
    const char* Foreign;  // the display name's address domain that is not the sender's
};

const TCase Cases[] = {
    {"\"support@amazon.co.jp\" <x@evil.example>", "x@evil.example", "amazon.co.jp"},
    {"support@amazon.co.jp <x@evil.example>", "x@evil.example", "amazon.co.jp"},
    {"\"Support <support@amazon.co.jp>\" <x@evil.example>", "x@evil.example", "amazon.co.jp"},
    {"x@evil.example (support@amazon.co.jp)", "x@evil.example", "amazon.co.jp"},
    {"=?UTF-8?B?c3VwcG9ydEBhbWF6b24uY28uanA=?= <x@evil.example>", "x@evil.example", "amazon.co.jp"},
    {"\"アマゾン support@amazon.co.jp\" <x@evil.example>", "x@evil.example", "amazon.co.jp"},
    {"\"support@amazon.co.jp\" <Support@Amazon.CO.JP>", "support@amazon.co.jp", ""},
    {"\"news@mail.shop.example\" <x@shop.example>", "x@shop.example", ""},
    {"\"news@shop.example\" <x@mail.shop.example>", "x@mail.shop.example", "shop.example"},
    {"\"news@badshop.example\" <x@shop.example>", "x@shop.example", "badshop.example"},
    {"\"Taro\" <Taro@Example.JP>", "taro@example.jp", ""},
    {"taro@example.jp (Taro Yamada)", "taro@example.jp", ""},
    {"\"@@@@@@\" <a@b.jp>", "a@b.jp", ""},
    {"\"a @ b.example\" <a@c.jp>", "a@c.jp", ""},
    {"\"ア@b.example\" <a@c.jp>", "a@c.jp", ""},  // "@" after a two-byte character
    {"\"x@localhost\" <a@c.jp>", "a@c.jp", ""},
    {"\"a,b@c.example\" <x@y.jp>, other@z.jp", "x@y.jp", "c.example"},
    {"undisclosed-recipients:;", "", ""},
    {"\"Taro\" <>", "", ""},
};

TEST(FromField, AddressAndForeignAddressInTheName) {
    for (const TCase& c : Cases) {
        const TFromField from = TFromField::Parse(c.Value);
        EXPECT_EQ(from.Address, c.Address) << c.Value;
        EXPECT_EQ(TFromField::ForeignAddressDomain(TMainDM::DecodeHeaderText(from.DisplayName),
                                                   from.Domain),
                  c.Foreign)
            << c.Value;
    }
}

TEST(FromField, EveryAddressOfTheList) {
    using TList = std::vector<std::string>;
    const struct {
        const char* Value;
        TList Addresses;
    } cases[] = {
        {"\"Spam\"@Blocked.Example", {"spam@blocked.example"}},
        {"Spam <spam@ blocked.example>", {"spam@blocked.example"}},
        {"spam@[blocked.example]", {"spam@blocked.example"}},
        {"spam(c)@(c)blocked.example.", {"spam@blocked.example"}},
        {"a@x.example, \"B, C\" <b@y.example>, (z@z.example) c@w.example",
         {"a@x.example", "b@y.example", "c@w.example"}},
        {"Friends: a@x.example, b@y.example;, c@z.example",
         {"a@x.example", "b@y.example", "c@z.example"}},
        {"<@hop.example,@hop2.example:a@x.example>", {"a@x.example"}},
        {"\"アマゾン@\" <a@x.example>", {"a@x.example"}},
        {"undisclosed-recipients:;", {}},
        {"\"Taro\" <>", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(TFromField::Addresses(c.Value), c.Addresses) << c.Value;
}

}  // namespace
