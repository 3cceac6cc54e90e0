// The worker over SSL/TLS and STARTTLS against the private Dovecot and the fault servers of
// tests/fixtures: listing, deleting, the certificate question and tear-down. Windows only.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "TestEnv.h"
#include "TestMaildir.h"
#include "TestRootCa.h"
#include "WorkerHarness.h"

namespace {

using TLines = std::vector<std::string>;

const char TextRefused[] = "証明書が信頼されなかったため、接続を中止しました。";
const char TextChanged[] = "このアカウントで信頼した証明書から変わっています。";

std::string Env(const char* name) { return TestEnv::Get(name); }
std::string Port(const char* name) { return Env(name); }

std::string ReadLog() {
    std::ifstream file("DelLog.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool WaitNoThreads() {
    for (int i = 0; i < 2000 && TConnect::LiveThreads() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return TConnect::LiveThreads() == 0;
}

[[maybe_unused]] const bool TrustedCa = (TrustTestCaForTheRun(), true);

class ConnectTls : public testing::Test {
protected:
    void SetUp() override {
        if (Env("PB_TLS_PORT").empty()) GTEST_SKIP() << "no TLS fixture";
    }
};

// The relay reaches Dovecot from another address, so a login it carries in clear is refused.
TEST_F(ConnectTls, ListsAndDeletesOverEachProtection) {
    struct TCase {
        const char* Name;
        int Security;
        const char* PortVariable;
        bool Apop;
        const char* Protection;
    };
    const TCase cases[] = {
        {"SSL/TLS", 1, "PB_TLS_PORT", false, "protection SSL/TLS (TLS 1."},
        {"STARTTLS", 2, "PB_TLS_FAULT_RELAY", false, "protection STARTTLS (TLS 1."},
        {"STARTTLS with APOP", 2, "PB_TLS_FAULT_RELAY", true, "protection STARTTLS (TLS 1."},
        {"records split at every byte", 1, "PB_TLS_FAULT_SPLIT", false,
         "protection SSL/TLS (TLS 1."},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TestMaildir box("wtls",
                        {"Subject: one\n\nx\n", "Subject: two\n\nx\n", "Subject: 3\n\nx\n"});
        TWorkerHarness account("localhost:" + Port(c.PortVariable), box.User(),
                               Env("PB_DOVECOT_PASSWORD"));
        account.Page.SecurityMode = c.Security;
        account.Page.Apop = c.Apop;
        account.Run(TConnect::CmdConnect);
        ASSERT_EQ(account.Column(TMailRow::Title), (TLines{"one", "two", "3"}))
            << account.Page.Status(0);
        EXPECT_TRUE(account.Page.Events({"cert"}).empty());
        const TLines shown = account.Page.Events({"protection"});
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[1].rfind(c.Protection, 0), 0u) << shown[1];
        account.TickNumbers({2});
        account.Run(TConnect::CmdDelete);
        EXPECT_EQ(box.RemainingIds(), (TLines{box.UniqueId(1), box.UniqueId(3)}));
        EXPECT_EQ(account.Page.Events({"protection"}).back(), "protection ");
        account.ExpectIdleDisconnected();
    }
}

// One account meets certificates that fail the check, in turn.
TEST_F(ConnectTls, CertificateQuestionIsAskedAndRemembered) {
    struct TStep {
        const char* Certificate;  // the fixture's name of the certificate served
        bool Answer;
        bool Asked;
        bool Changed;
        const char* TrustedAfter;  // the certificate whose hash the account holds after
    };
    const TStep steps[] = {
        {"self", false, true, false, nullptr},      {"self", true, true, false, "self"},
        {"self", false, false, false, "self"},      {"stranger", false, true, true, "self"},
        {"stranger", true, true, true, "stranger"},
    };
    TWorkerHarness account("", "jpuser", Env("PB_DOVECOT_PASSWORD"));
    account.Page.SecurityMode = 1;
    account.Page.LogFlag = true;
    for (const TStep& s : steps) {
        SCOPED_TRACE(std::string(s.Certificate) + (s.Answer ? " yes" : " no"));
        account.Page.Server = TestCertAddress(s.Certificate) + ":" + Port("PB_TLS_PORT");
        account.Page.TrustAnswer = s.Answer;
        account.Run(TConnect::CmdDisconnect);
        account.Page.ClearEvents();
        account.Page.CertQuestionText.clear();
        account.Run(TConnect::CmdConnect);
        const TLines asked = account.Page.Events({"cert"});
        ASSERT_EQ(asked.size(), s.Asked ? 1u : 0u);
        if (s.Asked) {
            EXPECT_EQ(asked[0], "cert " + TestCertHash(s.Certificate));
            EXPECT_EQ(account.Page.CertQuestionText.find(TextChanged) != std::string::npos,
                      s.Changed);
        }
        EXPECT_EQ(account.Page.TrustedHash, s.TrustedAfter ? TestCertHash(s.TrustedAfter) : "");
        const bool goesOn = !s.Asked || s.Answer;
        EXPECT_EQ(account.Page.CurrentRows().size(), goesOn ? 15u : 0u);
        if (!goesOn) {
            EXPECT_EQ(account.Page.Status(0), TextRefused);
            account.ExpectIdleDisconnected();
            // Not even the greeting was read, and nothing was sent.
            const std::string log = ReadLog();
            EXPECT_NE(log.find("TLS 1."), std::string::npos);
            EXPECT_EQ(log.find("Send:"), std::string::npos);
            EXPECT_EQ(log.find("Receive:"), std::string::npos);
        }
    }
}

// A check never asks about a certificate: it ends with a text, and "接続" asks later.
TEST_F(ConnectTls, CheckNeverAsksAboutACertificate) {
    for (bool trustedBefore : {false, true}) {
        SCOPED_TRACE(trustedBefore ? "trusted before" : "unknown");
        TWorkerHarness account(TestCertAddress("self") + ":" + Port("PB_TLS_PORT"), "jpuser",
                               Env("PB_DOVECOT_PASSWORD"));
        account.Page.SecurityMode = 1;
        account.Page.TrustAnswer = true;  // would trust, were it asked
        if (trustedBefore) account.Page.TrustedHash = TestCertHash("self");
        account.Run(TConnect::CmdCheck);
        EXPECT_TRUE(account.Page.Events({"cert"}).empty());
        EXPECT_EQ(account.Page.LastCheck.Outcome,
                  trustedBefore ? TCheckOutcome::Done : TCheckOutcome::Refused);
        EXPECT_EQ(account.Page.CurrentRows().size(), trustedBefore ? 15u : 0u);
        if (!trustedBefore) {
            EXPECT_EQ(
                account.Page.Status(0),
                "サーバの証明書を信頼するか問い合わせる必要があるため、新着確認をしませんでした。"
                "「接続」を押して答えてください。");
        }
        account.ExpectIdleDisconnected();
    }
}

TEST_F(ConnectTls, FaultServersEndWithAClearText) {
    struct TCase {
        const char* PortVariable;
        int Security;
        const char* Text;  // the start of panel 0
    };
    const TCase cases[] = {
        {"PB_TLS_FAULT_PLAIN", 1, "暗号化された接続を確立できませんでした。"},
        {"PB_TLS_FAULT_GARBAGE", 1, "暗号化された接続を確立できませんでした。"},
        {"PB_TLS_FAULT_CUT", 1, "暗号化の手順の途中でサーバが接続を切りました。"},
        {"PB_TLS_FAULT_CLOSE", 1, "タイムアウトしました。"},
        {"PB_TLS_FAULT_SILENT", 1, "タイムアウトしました。"},
        {"PB_TLS_PORT", 0, "タイムアウトしました。"},
        {"PB_TLS_FAULT_RELAY", 0, "ユーザ名、パスワードが違います。"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.PortVariable);
        TWorkerHarness account("localhost:" + Port(c.PortVariable), "jpuser",
                               Env("PB_DOVECOT_PASSWORD"));
        account.Worker->TimeOut = 1500;
        account.Page.SecurityMode = c.Security;
        account.Run(TConnect::CmdConnect);
        EXPECT_EQ(account.Page.Status(0).rfind(c.Text, 0), 0u) << account.Page.Status(0);
        EXPECT_TRUE(account.Page.CurrentRows().empty());
        account.ExpectIdleDisconnected();
    }
}

TEST_F(ConnectTls, TearDownDuringHandshakeOrQuestionReturnsPromptly) {
    struct TCase {
        const char* Name;
        std::string Server;
        const char* WaitEvent;
    };
    const TCase cases[] = {
        {"handshake", "localhost:" + Port("PB_TLS_FAULT_SILENT"), "lamp 2"},
        {"question", TestCertAddress("self") + ":" + Port("PB_TLS_PORT"), "cert"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRecordingPage page;
        page.Server = c.Server;
        page.User = "jpuser";
        page.Password = Env("PB_DOVECOT_PASSWORD");
        page.SecurityMode = 1;
        page.HoldQuestions = true;
        TConnectPtr worker = TConnect::Create(1, page);
        worker->TimeOut = 600000;  // only the tear-down can end these waits
        ASSERT_TRUE(worker->Resume(TConnect::CmdConnect, page.Inputs()));
        ASSERT_TRUE(page.WaitFor(c.WaitEvent));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const auto start = std::chrono::steady_clock::now();
        worker.reset();
        page.MarkGone();
        ASSERT_TRUE(WaitNoThreads());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(page.CallsAfterGone(), 0);
        EXPECT_EQ(page.TrustedHash, "");
    }
}

}  // namespace
