#include <gtest/gtest.h>

#include "auth/AccessToken.h"
#include "auth/TokenResponse.h"

namespace {

TEST(TokenResponseTest, ReadsTokensAndErrors) {
    const struct {
        const char* Body;
        bool Valid;
        const char* Access;
        const char* Refresh;
        int64_t ExpiresIn;
        const char* Error;
    } cases[] = {
        {R"({"token_type":"Bearer","access_token":"at1","expires_in":3599,"refresh_token":"rt2"})",
         true, "at1", "rt2", 3599, ""},
        {R"({"token_type":"bearer","access_token":"at1"})", true, "at1", "", 3600, ""},
        {R"({"token_type":"Bearer","access_token":"at1","expires_in":"-5"})", true, "at1", "", 3600,
         ""},
        {R"({"error":"invalid_grant","error_description":"revoked"})", true, "", "", 0,
         "invalid_grant"},
        {R"({"token_type":"mac","access_token":"at1"})", false, "", "", 0, ""},
        {R"({"token_type":"Bearer","access_token":"a t"})", false, "", "", 0, ""},
        {R"({"token_type":"Bearer","access_token":"at","refresh_token":"r\u0001"})", false, "", "",
         0, ""},
        {R"({"token_type":"Bearer"})", false, "", "", 0, ""},
        {"<html>", false, "", "", 0, ""},
    };
    for (const auto& c : cases) {
        TTokenResponse response;
        ASSERT_EQ(TTokenResponse::Read(c.Body, response), c.Valid) << c.Body;
        if (!c.Valid) continue;
        EXPECT_EQ(response.AccessToken, c.Access) << c.Body;
        EXPECT_EQ(response.RefreshToken, c.Refresh) << c.Body;
        EXPECT_EQ(response.ExpiresIn, c.ExpiresIn) << c.Body;
        EXPECT_EQ(response.Error, c.Error) << c.Body;
    }
}

TEST(TokenResponseTest, ReadsDeviceCodes) {
    TDeviceCode code;
    ASSERT_TRUE(TDeviceCode::Read(
        R"({"device_code":"dc","user_code":"ABCD-EFGH","verification_uri":"https://x/devicelogin","expires_in":900,"interval":7})",
        code));
    EXPECT_EQ(code.UserCode, "ABCD-EFGH");
    EXPECT_EQ(code.Interval, 7);
    ASSERT_TRUE(TDeviceCode::Read(
        R"({"device_code":"dc","user_code":"U","verification_url":"https://g/device"})", code));
    EXPECT_EQ(code.VerificationUri, "https://g/device");
    EXPECT_EQ(code.Interval, TDeviceCode::DefaultInterval);
    EXPECT_FALSE(TDeviceCode::Read(R"({"device_code":"dc","user_code":"U"})", code));
}

TEST(TokenResponseTest, AccessTokenIsFreshUntilFiveMinutesAreLeft) {
    TAccessToken token{"at", 1000};
    const struct {
        int64_t Now;
        bool Fresh;
    } cases[] = {{0, true}, {700, true}, {701, false}, {1000, false}, {2000, false}};
    for (const auto& c : cases) EXPECT_EQ(token.Fresh(c.Now), c.Fresh) << c.Now;
    token.Forget();
    EXPECT_FALSE(token.Fresh(0));
}

}  // namespace
