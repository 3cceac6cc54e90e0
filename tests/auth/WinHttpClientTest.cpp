// Token refresh through WinHTTP against the fixture's identity provider over HTTPS, its
// certificate trusted through the test CA. Windows only.
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TestRootCa.h"
#include "auth/AuthFailure.h"
#include "auth/HttpsClient.h"
#include "auth/TokenKeeper.h"

namespace {

[[maybe_unused]] const bool TrustedCa = (TrustTestCaForTheRun(), true);

TEST(WinHttpClientTest, RefreshesAtTheProviderOverHttps) {
    const std::string port = TestEnv::Get("PB_TLS_FAULT_IDP");
    if (port.empty()) GTEST_SKIP() << "no identity provider fixture";
    const auto https = THttpsClient::System();
    TOAuthAccount account;
    account.Method = AuthGoogle;
    account.ClientId = "cid";
    account.TokenUrl = "https://localhost:" + port + "/token";
    TTokenKeeper keeper;
    std::string rotated;
    keeper.Rotated = [&rotated](const std::string& token) { rotated = token; };
    keeper.Use(account, "rt-good");
    EXPECT_EQ(keeper.AccessToken(*https, false), "good-from-idp");
    EXPECT_EQ(rotated, "rt-next");

    keeper.Use(account, "rt-revoked");
    try {
        keeper.AccessToken(*https, false);
        ADD_FAILURE() << "a revoked token gave an access token";
    } catch (const EAuthFailure& failure) {
        EXPECT_EQ(failure.Kind(), EAuthFailure::SignIn);
        EXPECT_EQ(failure.Detail(), "invalid_grant: revoked");
    }
    // Nothing but HTTPS is ever asked.
    const THttpsReply plain = https->PostForm("http://localhost:" + port + "/token", "a=b");
    EXPECT_EQ(plain.Status, 0);
    EXPECT_FALSE(plain.Failure.empty());
}

}  // namespace
