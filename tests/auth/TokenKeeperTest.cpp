#include <gtest/gtest.h>

#include <deque>

#include "auth/AuthFailure.h"
#include "auth/HttpsClient.h"
#include "auth/TokenKeeper.h"

namespace {

// Answers token requests from a queue and keeps what was asked.
class TFakeHttps : public THttpsClient {
public:
    std::deque<THttpsReply> Replies;
    std::vector<std::string> Forms;
    THttpsReply PostForm(const std::string& url, const std::string& form) override {
        Forms.push_back(url + " " + form);
        if (Replies.empty()) return {0, "", "no answer queued"};
        THttpsReply reply = Replies.front();
        Replies.pop_front();
        return reply;
    }
};

THttpsReply Tokens(const std::string& access, const std::string& refresh = "", int life = 3600) {
    std::string body = R"({"token_type":"Bearer","access_token":")" + access +
                       R"(","expires_in":)" + std::to_string(life);
    if (!refresh.empty()) body += R"(,"refresh_token":")" + refresh + "\"";
    return {200, body + "}", ""};
}

class TokenKeeperTest : public ::testing::Test {
protected:
    void SetUp() override {
        Account.Method = AuthGoogle;
        Account.ClientId = "cid";
        Account.TokenUrl = "https://idp.test/token";
        Keeper.Now = [this] { return Clock; };
        Keeper.Rotated = [this](const std::string& token) { RotatedTo.push_back(token); };
        Keeper.Use(Account, "rt-1");
    }
    // The failure's kind, or -1 when none was thrown.
    int FailureKind(bool renew) {
        try {
            Keeper.AccessToken(Https, renew);
        } catch (const EAuthFailure& failure) {
            return failure.Kind();
        }
        return -1;
    }
    TOAuthAccount Account;
    TTokenKeeper Keeper;
    TFakeHttps Https;
    int64_t Clock = 1000;
    std::vector<std::string> RotatedTo;
};

TEST_F(TokenKeeperTest, RefreshesWhenLessThanFiveMinutesAreLeftOrTheServerRefused) {
    Https.Replies = {Tokens("at-1"), Tokens("at-2"), Tokens("at-3")};
    EXPECT_EQ(Keeper.AccessToken(Https, false), "at-1");
    EXPECT_EQ(Https.Forms.at(0),
              "https://idp.test/token grant_type=refresh_token&refresh_token=rt-1&client_id=cid");
    Clock += 3600 - 300;
    EXPECT_EQ(Keeper.AccessToken(Https, false), "at-1");
    Clock += 1;
    EXPECT_EQ(Keeper.AccessToken(Https, false), "at-2");
    EXPECT_EQ(Keeper.AccessToken(Https, true), "at-3");
    EXPECT_EQ(Https.Forms.size(), 3u);
    EXPECT_TRUE(RotatedTo.empty());
}

TEST_F(TokenKeeperTest, RotatedRefreshTokenReplacesTheOldOneAtOnce) {
    Https.Replies = {Tokens("at-1", "rt-2"), Tokens("at-2")};
    Keeper.AccessToken(Https, false);
    EXPECT_EQ(RotatedTo, std::vector<std::string>{"rt-2"});
    // The next command still starts from the old token: the page has not stored the new yet.
    Keeper.Use(Account, "rt-1");
    Keeper.AccessToken(Https, true);
    EXPECT_NE(Https.Forms.at(1).find("refresh_token=rt-2&"), std::string::npos);
    // A new sign-in's token replaces everything held.
    Https.Replies = {Tokens("at-3")};
    Keeper.Use(Account, "rt-9");
    EXPECT_EQ(Keeper.AccessToken(Https, false), "at-3");
    EXPECT_NE(Https.Forms.at(2).find("refresh_token=rt-9&"), std::string::npos);
}

TEST_F(TokenKeeperTest, SignInTokensServeUntilAnotherIsGiven) {
    Keeper.Use(Account, "");
    Keeper.SignedIn("rt-new", "at-new", 3600);
    Keeper.Use(Account, "");  // the same command's login
    EXPECT_EQ(Keeper.AccessToken(Https, false), "at-new");
    Https.Replies = {Tokens("at-2")};
    EXPECT_EQ(Keeper.AccessToken(Https, true), "at-2");
    EXPECT_NE(Https.Forms.at(0).find("refresh_token=rt-new&"), std::string::npos);
}

TEST_F(TokenKeeperTest, FailuresSayWhoCanMendThem) {
    const struct {
        const char* Name;
        THttpsReply Reply;
        int Kind;
    } cases[] = {
        {"revoked",
         {400, R"({"error":"invalid_grant","error_description":"revoked"})", ""},
         EAuthFailure::SignIn},
        {"client gone", {401, R"({"error":"invalid_client"})", ""}, EAuthFailure::SignIn},
        {"provider trouble",
         {503, R"({"error":"temporarily_unavailable"})", ""},
         EAuthFailure::Network},
        {"no answer", {0, "", "timeout"}, EAuthFailure::Network},
        {"not json", {200, "<html>", ""}, EAuthFailure::Network},
        {"token with an error status", {500, Tokens("at").Body, ""}, EAuthFailure::Network},
    };
    for (const auto& c : cases) {
        Https.Replies = {c.Reply};
        EXPECT_EQ(FailureKind(false), c.Kind) << c.Name;
    }
    Keeper.Use(Account, "");
    EXPECT_EQ(FailureKind(false), EAuthFailure::SignIn);
    Account.TokenUrl = "http://idp.test/token";
    Keeper.Use(Account, "rt-1");
    EXPECT_EQ(FailureKind(false), EAuthFailure::Setup);
    EXPECT_EQ(Https.Forms.size(), 6u);  // neither of the last two asked anything
}

}  // namespace
