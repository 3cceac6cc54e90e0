#include <gtest/gtest.h>

#include "auth/Xoauth2.h"

namespace {

TEST(Xoauth2Test, InitialResponse) {
    // The example of Google's XOAUTH2 description.
    EXPECT_EQ(Xoauth2::InitialResponse("someuser@example.com",
                                       "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg")
                  .value_or(""),
              "dXNlcj1zb21ldXNlckBleGFtcGxlLmNvbQFhdXRoPUJlYXJlciB5YTI5LnZGOWRmdDRxbVRjMk52YjNS"
              "bGNrQmhkSFJoZG1semRHRXVZMjl0Q2cBAQ==");
    const struct {
        const char* User;
        const char* Token;
    } refused[] = {{"", "t"},      {"u", ""},    {"u\x01x", "t"},
                   {"u", "t\x01"}, {"u", "a b"}, {"u\r\n", "t"}};
    for (const auto& c : refused) EXPECT_FALSE(Xoauth2::InitialResponse(c.User, c.Token));
}

TEST(Xoauth2Test, ChallengeText) {
    EXPECT_EQ(Xoauth2::ChallengeText("+ eyJzdGF0dXMiOiI0MDEifQ==\r\n"), "{\"status\":\"401\"}");
    EXPECT_EQ(Xoauth2::ChallengeText("+ not base64"), "not base64");
    EXPECT_EQ(Xoauth2::ChallengeText("+ AQID"), "AQID");
}

}  // namespace
