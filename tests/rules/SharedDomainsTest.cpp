#include <gtest/gtest.h>

#include "rules/SharedDomains.h"

namespace {

TEST(SharedDomains, ProvidersAndTheirSubdomainsAreSharedOthersAreNot) {
    const struct {
        const char* Domain;
        bool Shared;
    } cases[] = {
        {"docomo.ne.jp", true},      {"ezweb.ne.jp", true},     {"i.softbank.jp", true},
        {"gmail.com", true},         {"d.vodafone.ne.jp", true}, {"example.ne.jp", false},
        {"softbank.jp", false},      {"mygmail.com", false},    {"ne.jp", false},
        {"prunebox.example", false},
    };
    for (const auto& c : cases) EXPECT_EQ(SharedDomains::Shared(c.Domain), c.Shared) << c.Domain;
}

}  // namespace
