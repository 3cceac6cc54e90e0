#include <gtest/gtest.h>

#include <deque>

#include "auth/AuthFailure.h"
#include "auth/DeviceSignIn.h"
#include "auth/HttpsClient.h"

namespace {

class TQueuedReplies : public THttpsClient {
public:
    std::deque<THttpsReply> Replies;
    std::vector<std::string> Asked;
    THttpsReply PostForm(const std::string& url, const std::string& form) override {
        Asked.push_back(url + " " + form);
        if (Replies.empty()) return {0, "", "none"};
        THttpsReply reply = Replies.front();
        Replies.pop_front();
        return reply;
    }
};

const THttpsReply Code = {
    200,
    R"({"device_code":"dc","user_code":"ABCD-EFGH","verification_uri":"https://microsoft.com/devicelogin","expires_in":900,"interval":5})",
    ""};
THttpsReply Error(const char* code) {
    return {400, std::string(R"({"error":")") + code + "\"}", ""};
}
const THttpsReply Tokens = {
    200, R"({"token_type":"Bearer","access_token":"at","refresh_token":"rt","expires_in":3600})",
    ""};

TEST(DeviceSignInTest, PollsAtTheIntervalSlowerAtSlowDownUntilAnAnswer) {
    const struct {
        const char* Name;
        std::deque<THttpsReply> Replies;
        std::vector<int64_t> Waits;
        const char* Failure;  // nullptr: tokens came
    } cases[] = {
        {"signed in",
         {Code, Error("authorization_pending"), Error("slow_down"), Error("authorization_pending"),
          Tokens},
         {5, 5, 10, 10},
         nullptr},
        {"declined", {Code, Error("access_denied")}, {5}, "サインインは行われませんでした。"},
        {"code expired",
         {Code, Error("authorization_pending")},
         {5, 5},
         "コードの期限が切れました。もう一度サインインしてください。"},
        {"no code",
         {Error("invalid_client")},
         {},
         "サインインのサーバがコードを出しませんでした。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TQueuedReplies https;
        https.Replies = c.Replies;
        TDeviceSignIn signIn;
        int64_t clock = 0;
        std::vector<int64_t> waits;
        std::string shown;
        signIn.Now = [&clock] { return clock; };
        // The expiring case: the second wait runs past the code's 900 seconds.
        const bool expiring = std::string(c.Name) == "code expired";
        signIn.Wait = [&](int64_t seconds) {
            waits.push_back(seconds);
            clock += expiring && waits.size() == 2 ? 900 : seconds;
            return true;
        };
        signIn.ShowCode = [&shown](const TDeviceCode& code) {
            shown = code.UserCode + " " + code.VerificationUri;
        };
        TOAuthAccount account;
        account.Method = AuthMicrosoft;
        account.ClientId = "cid";
        std::string failure;
        try {
            EXPECT_EQ(signIn.Run(account, https).RefreshToken, "rt");
        } catch (const EAuthFailure& e) {
            failure = e.what();
        }
        EXPECT_EQ(failure, c.Failure ? c.Failure : "");
        EXPECT_EQ(waits, c.Waits);
        EXPECT_TRUE(https.Replies.empty());
        if (!c.Waits.empty()) {
            EXPECT_EQ(shown, "ABCD-EFGH https://microsoft.com/devicelogin");
        }
    }
}

TEST(DeviceSignInTest, CancelledWaitAndProviderWithoutDeviceCodes) {
    TQueuedReplies https;
    https.Replies = {Code};
    TDeviceSignIn signIn;
    signIn.Wait = [&signIn](int64_t) {
        signIn.Cancel();
        return false;
    };
    TOAuthAccount account;
    account.Method = AuthMicrosoft;
    account.ClientId = "cid";
    EXPECT_THROW(signIn.Run(account, https), EAuthFailure);
    EXPECT_EQ(https.Asked.size(), 1u);  // the code only, no poll
    account.Method = AuthGoogle;
    EXPECT_THROW(TDeviceSignIn().Run(account, https), EAuthFailure);
    EXPECT_EQ(https.Asked.size(), 1u);
}

}  // namespace
