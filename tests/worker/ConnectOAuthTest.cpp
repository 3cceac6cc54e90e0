// The worker's OAuth 2.0 login against the XOAUTH2 server of tests/fixtures over TLS, with the
// identity provider's answers scripted: refresh, a refused token renewed once, rotation,
// revocation, and the periodic check that never asks. Windows only.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <map>
#include <thread>

#include "TestEnv.h"
#include "TestRootCa.h"
#include "WorkerHarness.h"
#include "auth/FormText.h"
#include "auth/Xoauth2.h"
#include "pop3/TcpClient.h"

namespace {

using TLines = std::vector<std::string>;

// The identity provider's answers in order; what it was asked.
class TScriptedProvider : public THttpsClient {
public:
    std::deque<THttpsReply> Replies;
    TLines Forms;
    THttpsReply PostForm(const std::string&, const std::string& form) override {
        Forms.push_back(form);
        if (Replies.empty()) return {0, "", "nothing scripted"};
        THttpsReply reply = Replies.front();
        Replies.pop_front();
        return reply;
    }
};

THttpsReply Token(const std::string& access, const std::string& refresh = "") {
    std::string body =
        R"({"token_type":"Bearer","expires_in":3600,"access_token":")" + access + "\"";
    if (!refresh.empty()) body += R"(,"refresh_token":")" + refresh + "\"";
    return {200, body + "}", ""};
}

const THttpsReply Revoked = {400, R"({"error":"invalid_grant","error_description":"revoked"})", ""};

std::string ReadLog() {
    std::ifstream file("DelLog.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The browser after the user signed in: the redirect to the listener the URL names.
void Redirect(const std::string& url) {
    std::map<std::string, std::string> query;
    FormText::Parse(url.substr(url.find('?') + 1), query);
    const std::string& uri = query["redirect_uri"];
    const uint16_t port = static_cast<uint16_t>(std::stoi(uri.substr(uri.rfind(':') + 1)));
    TTcpClient client;
    uint32_t address = 0;
    client.Resolve("127.0.0.1", address, 2000);
    if (!client.Open(address, port, 2000)) return;
    const std::string request =
        "GET /?code=the-code&state=" + FormText::Escape(query["state"]) + " HTTP/1.1\r\n\r\n";
    client.WriteAll(request.data(), request.size());
    char answer[256];
    size_t n = 0;
    client.ReadSome(answer, sizeof answer, 2000, n);
}

[[maybe_unused]] const bool TrustedCa = (TrustTestCaForTheRun(), true);

struct TOAuthAccountHarness : TWorkerHarness {
    TScriptedProvider* Provider;
    TOAuthAccountHarness() : TWorkerHarness("", "user", "") {
        Page.Server = "localhost:" + TestEnv::Get("PB_TLS_FAULT_XOAUTH2");
        Page.SecurityMode = 1;
        Page.OAuth.Method = AuthGoogle;
        Page.OAuth.ClientId = "cid";
        Page.OAuth.TokenUrl = "https://localhost/token";
        Page.RefreshToken = "rt-1";
        Page.LogFlag = true;
        auto provider = std::make_unique<TScriptedProvider>();
        Provider = provider.get();
        Worker->Https = std::move(provider);
        // Never the machine's own browser.
        Worker->OpenBrowser = [](const std::string&) { return false; };
    }
};

class ConnectOAuth : public testing::Test {
protected:
    void SetUp() override {
        if (TestEnv::Get("PB_TLS_FAULT_XOAUTH2").empty()) GTEST_SKIP() << "no TLS fixture";
    }
};

TEST_F(ConnectOAuth, LogsInWithTheTokenAndSaysWhyWhenItCannot) {
    const std::string refused =
        "サーバがサインインを受け付けませんでした。サインインしたアカウントがユーザ名と同じか、"
        "アカウントで POP が有効かを確かめてください。";
    struct TCase {
        const char* Name;
        std::deque<THttpsReply> Replies;
        TConnect::TCommand Command;
        size_t Rows;
        const char* Status;  // panel 0 afterwards; nullptr: not checked
        TLines Events;       // of the token and question kinds
    };
    const TCase cases[] = {
        {"refreshed, then listed", {Token("good-1")}, TConnect::CmdConnect, 1, nullptr, {}},
        {"refused token renewed once",
         {Token("bad-1"), Token("good-2")},
         TConnect::CmdConnect,
         1,
         nullptr,
         {}},
        {"refused twice",
         {Token("bad-1"), Token("bad-2")},
         TConnect::CmdConnect,
         0,
         refused.c_str(),
         {}},
        {"rotated refresh token",
         {Token("good-1", "rt-2")},
         TConnect::CmdConnect,
         1,
         nullptr,
         {"token rt-2"}},
        {"check refreshes unasked", {Token("good-1")}, TConnect::CmdCheck, 1, nullptr, {}},
        {"check needing a sign-in", {Revoked}, TConnect::CmdCheck, 0, "サインインが必要です", {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TOAuthAccountHarness account;
        account.Provider->Replies = c.Replies;
        account.Run(c.Command);
        EXPECT_EQ(account.Page.CurrentRows().size(), c.Rows);
        if (c.Status) {
            EXPECT_EQ(account.Page.Status(0), c.Status);
        }
        EXPECT_EQ(account.Page.Events({"token", "password", "cert"}), c.Events);
        EXPECT_TRUE(account.Provider->Replies.empty());
        if (c.Command == TConnect::CmdCheck) {
            EXPECT_EQ(account.Page.LastCheck.SignInNeeded, c.Rows == 0);
        }
        // The token never reaches the log, neither plain nor as the mechanism's base64.
        const std::string log = ReadLog();
        // A token that could not be had is never asked for by the server.
        const bool tokenHad = !c.Status || std::string(c.Status) != "サインインが必要です";
        EXPECT_EQ(log.find("AUTH XOAUTH2\r\n") != std::string::npos, tokenHad);
        EXPECT_EQ(log.find("ERROR\r\n+ "), std::string::npos);  // a challenge is no refusal
        for (const char* token : {"good-1", "good-2", "bad-1"}) {
            EXPECT_EQ(log.find(token), std::string::npos);
            EXPECT_EQ(log.find(*Xoauth2::InitialResponse("user", token)), std::string::npos);
        }
        account.Run(TConnect::CmdDisconnect);
    }
}

TEST_F(ConnectOAuth, ConnectWithoutAValidTokenSignsInInTheBrowser) {
    struct TCase {
        const char* Name;
        const char* RefreshToken;
        std::deque<THttpsReply> Replies;
        bool BrowserReturns;
        const char* Status;  // nullptr: listed
        TLines Events;
    };
    const TCase cases[] = {
        {"first sign-in", "", {Token("good-1", "rt-new")}, true, nullptr, {"token rt-new"}},
        {"revoked, signed in again",
         "rt-old",
         {Revoked, Token("good-1", "rt-new")},
         true,
         nullptr,
         {"token rt-new"}},
        {"browser never returns", "", {}, false, "サインインを待つのをやめました。", {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TOAuthAccountHarness account;
        account.Page.RefreshToken = c.RefreshToken;
        account.Provider->Replies = c.Replies;
        account.Worker->SignInWaitMs = 1000;
        std::thread browser;
        account.Worker->OpenBrowser = [&browser, &c](const std::string& url) {
            if (c.BrowserReturns) browser = std::thread([url] { Redirect(url); });
            return true;
        };
        account.Run(TConnect::CmdConnect);
        if (browser.joinable()) browser.join();
        EXPECT_EQ(account.Page.CurrentRows().size(), c.Status ? 0u : 1u);
        if (c.Status) {
            EXPECT_EQ(account.Page.Status(0), c.Status);
        }
        EXPECT_EQ(account.Page.Events({"token", "password"}), c.Events);
        EXPECT_TRUE(account.Provider->Replies.empty());
        if (!c.Status) {
            EXPECT_NE(account.Provider->Forms.back().find("code=the-code"), std::string::npos);
        }
        account.Run(TConnect::CmdDisconnect);
    }
}

// Dovecot asks the identity provider about the token (passdb oauth2, introspection).
TEST_F(ConnectOAuth, DovecotTakesATokenItsProviderVouchesFor) {
    if (TestEnv::Get("PB_TLS_PORT").empty()) GTEST_SKIP() << "no Dovecot fixture";
    const struct {
        const char* Name;
        std::deque<THttpsReply> Replies;
        TCheckOutcome Outcome;
    } cases[] = {
        {"token refused, then refreshed",
         {Token("bad-1"), Token("good-oauthuser")},
         TCheckOutcome::Done},
        {"token for another user",
         {Token("good-other"), Token("good-other")},
         TCheckOutcome::Refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TOAuthAccountHarness account;
        account.Page.Server = "localhost:" + TestEnv::Get("PB_TLS_PORT");
        account.Page.User = "oauthuser";
        account.Provider->Replies = c.Replies;
        account.Run(TConnect::CmdCheck);
        EXPECT_EQ(account.Page.LastCheck.Outcome, c.Outcome);
        EXPECT_EQ(account.Page.LastCheck.Failure.empty(), c.Outcome == TCheckOutcome::Done);
        EXPECT_TRUE(account.Provider->Replies.empty());
        EXPECT_FALSE(account.Page.LastCheck.SignInNeeded);
    }
}

}  // namespace
