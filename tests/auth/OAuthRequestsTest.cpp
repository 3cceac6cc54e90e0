#include <gtest/gtest.h>

#include "auth/OAuthRequests.h"

namespace {

TOAuthEndpoints Resolved(const TOAuthAccount& account) {
    TOAuthEndpoints endpoints;
    std::string error;
    EXPECT_TRUE(OAuthProvider::Resolve(account, endpoints, error)) << error;
    return endpoints;
}

TEST(OAuthRequestsTest, AuthorizeUrlCarriesPkceStateAndProviderExtras) {
    TOAuthAccount microsoft;
    microsoft.Method = AuthMicrosoft;
    microsoft.ClientId = "cid";
    const TOAuthEndpoints ms = Resolved(microsoft);
    const std::string redirect = OAuthRequests::RedirectUri(ms, 50123);
    EXPECT_EQ(redirect, "http://localhost:50123/");
    EXPECT_EQ(OAuthRequests::AuthorizeUrl(ms, microsoft, redirect, "st", "ch", "a@b.jp"),
              "https://login.microsoftonline.com/consumers/oauth2/v2.0/authorize?client_id=cid"
              "&response_type=code&redirect_uri=http%3A%2F%2Flocalhost%3A50123%2F"
              "&scope=https%3A%2F%2Foutlook.office.com%2FPOP.AccessAsUser.All%20offline_access"
              "&state=st&code_challenge=ch&code_challenge_method=S256&login_hint=a%40b.jp");
    TOAuthAccount google = microsoft;
    google.Method = AuthGoogle;
    google.AuthorizeUrl = "https://idp/auth?x=1";
    const std::string url = OAuthRequests::AuthorizeUrl(Resolved(google), google,
                                                        "http://127.0.0.1:1/", "st", "ch", "");
    EXPECT_EQ(url.find("https://idp/auth?x=1&client_id=cid&"), 0u) << url;
    EXPECT_NE(url.find("&access_type=offline&prompt=consent"), std::string::npos) << url;
    EXPECT_EQ(url.find("login_hint"), std::string::npos) << url;
}

TEST(OAuthRequestsTest, TokenBodies) {
    TOAuthAccount microsoft;
    microsoft.Method = AuthMicrosoft;
    microsoft.ClientId = "cid";
    TOAuthAccount google = microsoft;
    google.Method = AuthGoogle;
    google.ClientSecret = "sec";
    EXPECT_EQ(OAuthRequests::RefreshGrant(Resolved(microsoft), microsoft, "r/t"),
              "grant_type=refresh_token&refresh_token=r%2Ft&client_id=cid&scope=https%3A%2F%2F"
              "outlook.office.com%2FPOP.AccessAsUser.All%20offline_access");
    EXPECT_EQ(OAuthRequests::RefreshGrant(Resolved(google), google, "rt"),
              "grant_type=refresh_token&refresh_token=rt&client_id=cid&client_secret=sec");
    EXPECT_EQ(OAuthRequests::CodeGrant(Resolved(google), google, "c", "http://127.0.0.1:9/", "v"),
              "grant_type=authorization_code&code=c&redirect_uri=http%3A%2F%2F127.0.0.1%3A9%2F"
              "&code_verifier=v&client_id=cid&client_secret=sec");
    EXPECT_EQ(OAuthRequests::DevicePoll(microsoft, "dc"),
              "grant_type=urn%3Aietf%3Aparams%3Aoauth%3Agrant-type%3Adevice_code&device_code=dc"
              "&client_id=cid");
}

}  // namespace
