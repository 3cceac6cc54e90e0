#include <gtest/gtest.h>

#include "rules/AuthResults.h"

namespace {

struct TCase {
    const char* Value;
    const char* AuthServId;  // as parsed; empty: malformed
    bool DmarcFail;          // reported by "mx.example.jp" (asked as "MX.Example.JP")
};

// RFC 8601's examples, then the grammar's corners and malformed values.
const TCase Cases[] = {
    {"example.org 1; none", "example.org", false},
    {"example.com; spf=pass smtp.mailfrom=example.net", "example.com", false},
    {"example.com; auth=pass (cram-md5) smtp.auth=sender@example.net; spf=pass "
     "smtp.mailfrom=example.net",
     "example.com", false},
    {"example.com; sender-id=fail header.from=example.com; dkim=pass (good signature) "
     "header.d=example.com",
     "example.com", false},
    {"example.com; dkim=pass reason=\"good signature\" header.i=@mail-router.example.net; "
     "dkim=fail reason=\"bad signature\" header.i=@newyork.example.com",
     "example.com", false},
    {"mail-router.example.net; dkim=pass (good signature) header.d=newyork.example.com "
     "header.b=oINEO8hg; dkim=fail (bad signature) header.d=mail-router.example.net "
     "header.b=EToRSuvU",
     "mail-router.example.net", false},
    {"mx.example.jp; spf=pass smtp.mailfrom=a.example; dmarc=fail (p=reject dis=none) "
     "header.from=amazon.co.jp",
     "mx.example.jp", true},
    {"mx.example.jp 1; dmarc=fail header.from=a.example", "mx.example.jp", true},
    {"(front) mx.example.jp (x;y) ; (z (nested)) DMARC (a) = (b) Fail", "mx.example.jp", true},
    {"\"mx.example.jp\"; dmarc/1=fail", "mx.example.jp", true},
    {"mx.example.jp; dmarc=pass", "mx.example.jp", false},
    {"evil.example; dmarc=fail", "evil.example", false},
    {"mx.example.jp; dmarc=pass reason=\"x; dmarc=fail\"", "mx.example.jp", false},
    {"mx.example.jp; spf=pass (dmarc=fail)", "mx.example.jp", false},
    {"mx.example.jp", "mx.example.jp", false},
    {"mx.example.jp dmarc=fail", "mx.example.jp", false},
    {"mx.example.jp; =fail", "mx.example.jp", false},
    {"mx.example.jp; dmarc=", "mx.example.jp", false},
    {"mx.example.jp; dmarc", "mx.example.jp", false},
    // A malformed result costs itself only: reading goes on at the next ";".
    {"mx.example.jp; dmarc=fail (open", "mx.example.jp", true},
    {"mx.example.jp; dmarc=fail reason=\"open", "mx.example.jp", true},
    {"mx.example.jp; dmarc=fail )", "mx.example.jp", true},
    {"mx.example.jp; spf=pass; ; dmarc=fail", "mx.example.jp", true},
    {"mx.example.jp; spf=pass smtp.mailfrom=\"x@a.example; dmarc=fail header.from=example.jp",
     "mx.example.jp", true},
    {"mx.example.jp; spf=pass smtp.mailfrom=(x@a.example; dmarc=fail header.from=example.jp",
     "mx.example.jp", true},
    {"mx.example.jp; spf=pass smtp.mailfrom=x@a.example); dmarc=fail", "mx.example.jp", true},
    {"mx.example.jp; spf=\"pass; dkim=(x; dmarc=fail", "mx.example.jp", true},
    {"mx.example.jp; dmarc=\"fail\"", "mx.example.jp", false},
    {"(open mx.example.jp; dmarc=fail", "", false},
    {"\"mx.example.jp; dmarc=fail", "", false},
    {"; dmarc=fail", "", false},
    {"", "", false},
};

TEST(AuthResults, TableOfValues) {
    for (const TCase& c : Cases) {
        TAuthResults parsed;
        const bool ok = TAuthResults::Parse(c.Value, parsed);
        EXPECT_EQ(ok ? parsed.AuthServId : "", c.AuthServId) << c.Value;
        EXPECT_EQ(TAuthResults::ReportsDmarcFail(c.Value, "MX.Example.JP"), c.DmarcFail) << c.Value;
    }
    EXPECT_FALSE(TAuthResults::ReportsDmarcFail("mx.example.jp; dmarc=fail", ""));
}

TEST(AuthResults, TopmostHeaderNamesTheProvider) {
    EXPECT_EQ(TAuthResults::TopmostAuthServId({"Received: x",
                                               "authentication-results: mx.a.jp; "
                                               "dmarc=pass",
                                               "Authentication-Results: forged.example; none"}),
              "mx.a.jp");
    EXPECT_EQ(TAuthResults::TopmostAuthServId(
                  {"Authentication-Results: (broken", "Authentication-Results: b.jp; none"}),
              "");
    EXPECT_EQ(TAuthResults::TopmostAuthServId({"Subject: x"}), "");
}

TEST(AuthResults, MostCommonIdAmongTheListedMail) {
    const struct {
        std::vector<std::string> Ids;
        const char* Expected;
    } cases[] = {
        {{}, ""},
        {{"", ""}, ""},
        {{"", "mx.a.jp", "b.jp", "B.JP"}, "b.jp"},   // case folded, first spelling kept
        {{"a.jp", "b.jp", "b.jp", "a.jp"}, "a.jp"},  // a tie: the first seen
        {{"a.jp", "b.jp", "c.jp", "c.jp"}, "c.jp"},
    };
    for (const auto& c : cases) EXPECT_EQ(TAuthResults::MostCommon(c.Ids), c.Expected);
}

}  // namespace
