#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "auth/AuthFailure.h"
#include "auth/BrowserSignIn.h"
#include "auth/FormText.h"
#include "auth/HttpsClient.h"
#include "auth/Pkce.h"
#include "pop3/TcpClient.h"

namespace {

class TOneReply : public THttpsClient {
public:
    THttpsReply Reply;
    std::string Form;
    THttpsReply PostForm(const std::string&, const std::string& form) override {
        Form = form;
        return Reply;
    }
};

std::map<std::string, std::string> QueryOf(const std::string& url) {
    std::map<std::string, std::string> fields;
    FormText::Parse(url.substr(url.find('?') + 1), fields);
    return fields;
}

// One request to the listener, as a browser sends it; the status line of the answer.
std::string Request(int port, const std::string& target) {
    TTcpClient client;
    uint32_t address = 0;
    if (client.Resolve("127.0.0.1", address, 2000) != TTcpClient::TCheck::Ok ||
        !client.Open(address, static_cast<uint16_t>(port), 2000))
        return "no connection";
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: localhost\r\n\r\n";
    client.WriteAll(request.data(), request.size());
    char buffer[512];
    size_t n = 0;
    client.ReadSome(buffer, sizeof buffer, 2000, n);
    const std::string answer(buffer, n);
    return answer.substr(0, answer.find("\r\n"));
}

const char Tokens[] =
    R"({"token_type":"Bearer","access_token":"at","refresh_token":"rt","expires_in":60})";

TEST(BrowserSignInTest, TakesTheRedirectThatBelongsToItAndExchangesTheCode) {
    struct TCase {
        const char* Name;
        // What the browser sends after the user signed in, given the state asked for.
        std::vector<std::string> (*Targets)(const std::string& state);
        const char* TokenBody;
        const char* Failure;  // nullptr: tokens come
    };
    const TCase cases[] = {
        {"first sign-in",
         [](const std::string& s) {
             return std::vector<std::string>{"/favicon.ico", "/?code=c%2B1&state=" + s};
         },
         Tokens, nullptr},
        {"wrong state passed over",
         [](const std::string& s) {
             return std::vector<std::string>{"/?code=evil&state=x" + s, "/?code=c%2B1&state=" + s};
         },
         Tokens, nullptr},
        {"declined",
         [](const std::string& s) {
             return std::vector<std::string>{"/?error=access_denied&state=" + s};
         },
         Tokens, "サインインは行われませんでした。"},
        {"browser never returns", [](const std::string&) { return std::vector<std::string>{}; },
         Tokens, "サインインを待つのをやめました。"},
        {"code refused",
         [](const std::string& s) { return std::vector<std::string>{"/?code=c&state=" + s}; },
         R"({"error":"invalid_grant"})", "サインインのサーバがトークンを出しませんでした。"},
        {"no refresh token",
         [](const std::string& s) { return std::vector<std::string>{"/?code=c&state=" + s}; },
         R"({"token_type":"Bearer","access_token":"at"})",
         "サインインのサーバがリフレッシュトークンを出しませんでした。"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TOAuthAccount account;
        account.Method = AuthGoogle;
        account.ClientId = "cid";
        TOneReply https;
        const bool granted = std::string(c.TokenBody).find("access_token") != std::string::npos;
        https.Reply = {granted ? 200 : 400, c.TokenBody, ""};
        TBrowserSignIn signIn;
        signIn.WaitMs = 1500;
        std::map<std::string, std::string> asked;
        std::vector<std::string> answers;
        std::thread browser;
        signIn.OpenBrowser = [&](const std::string& url) {
            asked = QueryOf(url);
            const int port =
                std::stoi(asked["redirect_uri"].substr(asked["redirect_uri"].rfind(':') + 1));
            browser = std::thread([&answers, port, targets = c.Targets(asked["state"])] {
                for (const std::string& target : targets) answers.push_back(Request(port, target));
            });
            return true;
        };
        std::string failure;
        TSignInTokens tokens;
        try {
            tokens = signIn.Run(account, "", https);
        } catch (const EAuthFailure& e) {
            failure = e.what();
        }
        browser.join();
        EXPECT_EQ(failure, c.Failure ? c.Failure : "");
        EXPECT_EQ(asked["redirect_uri"].rfind("http://127.0.0.1:", 0), 0u);
        if (c.Failure) continue;
        EXPECT_EQ(tokens.RefreshToken, "rt");
        EXPECT_EQ(answers.back(), "HTTP/1.1 200 OK");
        // The code goes back with the verifier whose challenge the browser carried.
        std::map<std::string, std::string> form;
        FormText::Parse(https.Form, form);
        EXPECT_EQ(form["code"], "c+1");
        EXPECT_EQ(form["redirect_uri"], asked["redirect_uri"]);
        EXPECT_EQ(TPkce::ChallengeOf(form["code_verifier"]), asked["code_challenge"]);
    }
}

TEST(BrowserSignInTest, CancelEndsTheWaitAndNoBrowserNoSignIn) {
    TOAuthAccount account;
    account.Method = AuthMicrosoft;
    account.ClientId = "cid";
    TOneReply https;
    TBrowserSignIn signIn;
    signIn.OpenBrowser = [](const std::string&) { return false; };
    EXPECT_THROW(signIn.Run(account, "", https), EAuthFailure);
    signIn.OpenBrowser = [](const std::string&) { return true; };
    std::thread canceller([&signIn] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        signIn.Cancel();
    });
    EXPECT_THROW(signIn.Run(account, "", https), EAuthFailure);
    canceller.join();
    EXPECT_TRUE(https.Form.empty());
}

}  // namespace
