#include <gtest/gtest.h>

#include "auth/OAuthProvider.h"

namespace {

TOAuthAccount Account(int method, const char* clientId, const char* tenant = "",
                      const char* secret = "", const char* authorize = "", const char* token = "",
                      const char* device = "", const char* scope = "") {
    return {method, clientId, tenant, secret, authorize, token, device, scope};
}

TEST(OAuthProviderTest, ResolvesEndpointsFromTableAndOverrides) {
    const struct {
        TOAuthAccount Account;
        const char* TokenUrl;  // nullptr: refused
        const char* Scope;
    } cases[] = {
        {Account(AuthMicrosoft, "id"),
         "https://login.microsoftonline.com/consumers/oauth2/v2.0/token",
         "https://outlook.office.com/POP.AccessAsUser.All offline_access"},
        {Account(AuthMicrosoft, "id", "organizations"),
         "https://login.microsoftonline.com/organizations/oauth2/v2.0/token", nullptr},
        {Account(AuthMicrosoft, "id", "../x"), nullptr, nullptr},
        {Account(AuthMicrosoft, "id", "a/b"), nullptr, nullptr},
        {Account(AuthGoogle, "id", "", "secret"), "https://oauth2.googleapis.com/token",
         "https://mail.google.com/"},
        {Account(AuthGoogle, "id", "", "", "", "https://localhost:8443/token", "", "s"),
         "https://localhost:8443/token", "s"},
        {Account(AuthGoogle, "id", "", "", "", "http://localhost:8443/token"), nullptr, nullptr},
        {Account(AuthMicrosoft, "id", "", "", "", "", "http://localhost/device"), nullptr, nullptr},
        {Account(AuthMicrosoft, "id", "", "", "HTTPS://idp/auth"),
         "https://login.microsoftonline.com/consumers/oauth2/v2.0/token", nullptr},
        {Account(AuthMicrosoft, ""), nullptr, nullptr},
        {Account(AuthApop, "id"), nullptr, nullptr},
    };
    for (const auto& c : cases) {
        TOAuthEndpoints endpoints;
        std::string error;
        const bool resolved = OAuthProvider::Resolve(c.Account, endpoints, error);
        EXPECT_EQ(resolved, c.TokenUrl != nullptr) << c.Account.Tenant << c.Account.TokenUrl;
        if (!resolved) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(endpoints.TokenUrl, c.TokenUrl);
        if (c.Scope) {
            EXPECT_EQ(endpoints.Scope, c.Scope);
        }
    }
}

TEST(OAuthProviderTest, HttpsUrlsOnly) {
    for (const char* url : {"https://a", "HTTPS://a/b?c"})
        EXPECT_TRUE(OAuthProvider::IsHttpsUrl(url));
    for (const char* url : {"http://a", "https://", "https:///a", "https://a b", "https://a\r\n",
                            "ftp://a", "https:a"})
        EXPECT_FALSE(OAuthProvider::IsHttpsUrl(url)) << url;
}

}  // namespace
