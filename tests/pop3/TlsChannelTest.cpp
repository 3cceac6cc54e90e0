// TTlsChannel and the certificate check against the private Dovecot and the fault servers of
// tests/fixtures (see its README.md). Windows only: the channel is SChannel's.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "TestEnv.h"
#include "TestRootCa.h"
#include "pop3/CertQuestion.h"
#include "pop3/SspiCheck.h"
#include "pop3/TlsChannel.h"

namespace {

using TResult = TTlsChannel::TResult;
using TClock = std::chrono::steady_clock;

// The session's default: the byte-split relay needs seconds on a busy machine.
constexpr int TimeOutMs = 20000;
// A fault is recognised well before the time-out; only the silent server lasts until it.
constexpr int RecognisedWithinMs = 5000;
constexpr int SilentTimeOutMs = 1500;
const char kEnded[] = "<end>";
const char kBroken[] = "<broken>";
const char kTimedOut[] = "<timed out>";

std::string Env(const char* name) { return TestEnv::Get(name); }
int EnvPort(const char* name) { return std::atoi(Env(name).c_str()); }

// One connection with its channel, as the session will hold them.
struct TConnection {
    TTcpClient Tcp;
    TTlsChannel Tls{Tcp};

    bool Open(const std::string& address, int port) {
        uint32_t ip = 0;
        return Tcp.Resolve(address, ip, TimeOutMs) == TTcpClient::TCheck::Ok &&
               Tcp.Open(ip, static_cast<uint16_t>(port), TimeOutMs);
    }
    // One line through the channel (or the plain connection), without CR LF.
    std::string ReadLine(bool tls = true) {
        std::string line;
        char c = 0;
        for (;;) {
            auto wait = tls ? Tls.WaitReadable(TimeOutMs) : Tcp.WaitReadable(TimeOutMs);
            if (wait != TTcpClient::TWait::Readable) return kTimedOut;
            long n = tls ? Tls.Read(&c, 1) : Tcp.Read(&c, 1);
            if (n == 0) return kEnded;
            if (n < 0) return kBroken;
            if (c == '\n') return line.substr(0, line.size() - (line.back() == '\r'));
            line += c;
        }
    }
    std::string Ask(const std::string& command, bool tls = true) {
        const std::string text = command + "\r\n";
        const size_t sent =
            tls ? Tls.Write(text.data(), text.size()) : Tcp.Write(text.data(), text.size());
        EXPECT_EQ(sent, text.size()) << command;
        return ReadLine(tls);
    }
};

[[maybe_unused]] const bool TrustedCa = (TrustTestCaForTheRun(), true);

class TlsChannelTest : public testing::Test {
protected:
    void SetUp() override {
        if (Env("PB_TLS_PORT").empty()) GTEST_SKIP() << "no TLS fixture";
    }
};

TEST_F(TlsChannelTest, EachCertificateCaseIsJudgedWithItsFingerprint) {
    struct TCase {
        const char* Name;  // the fixture's certificate file, and PB_TLS_CASES' name
        const char* Host;
        TCertProblem Expected;
    };
    const TCase cases[] = {
        {"good", "localhost", TCertProblem::None},
        {"good", "LOCALHOST", TCertProblem::None},
        {"good", "other.invalid", TCertProblem::NameMismatch},
        {"self", "localhost", TCertProblem::SelfSigned},
        {"other", "localhost", TCertProblem::NameMismatch},
        {"expired", "localhost", TCertProblem::Expired},
        {"leaf-only", "localhost", TCertProblem::UnknownIssuer},
        {"stranger", "localhost", TCertProblem::UnknownIssuer},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.Name) + " as " + k.Host);
        TConnection c;
        ASSERT_TRUE(c.Open(TestCertAddress(k.Name), EnvPort("PB_TLS_PORT")));
        ASSERT_EQ(c.Tls.Handshake(k.Host, TimeOutMs), TResult::Ok) << c.Tls.ErrorText();
        const TCertReport report = c.Tls.CheckCertificate(k.Host);
        EXPECT_EQ(report.Problem, k.Expected) << report.Detail;
        EXPECT_EQ(CertHashText(report.Sha256), TestCertHash(k.Name));
        EXPECT_NE(report.Subject.find("CN="), std::string::npos) << report.Subject;
        EXPECT_NE(report.Issuer.find("CN="), std::string::npos) << report.Issuer;
        EXPECT_EQ(report.ValidTo.size(), 16u) << report.ValidTo;
    }
}

TEST_F(TlsChannelTest, SessionOverTlsLogsInListsAndEnds) {
    TConnection c;
    ASSERT_TRUE(c.Open("127.0.0.1", EnvPort("PB_TLS_PORT")));
    ASSERT_EQ(c.Tls.Handshake("localhost", TimeOutMs), TResult::Ok) << c.Tls.ErrorText();
    EXPECT_EQ(c.Tls.Description().rfind("TLS 1.2 ", 0), 0u) << c.Tls.Description();
    EXPECT_EQ(c.ReadLine().rfind("+OK Dovecot", 0), 0u);
    EXPECT_EQ(c.Ask("USER jpuser"), "+OK");
    EXPECT_EQ(c.Ask("PASS " + TestEnv::DovecotPassword()), "+OK Logged in.");
    EXPECT_EQ(c.Ask("STAT"), "+OK 15 8964");
    // One write larger than a record goes out as several.
    constexpr int Noops = 3000;
    std::string many;
    for (int i = 0; i < Noops; ++i) many += "NOOP\r\n";
    ASSERT_EQ(c.Tls.Write(many.data(), many.size()), many.size());
    int answered = 0;
    while (answered < Noops && c.ReadLine() == "+OK") ++answered;
    EXPECT_EQ(answered, Noops);
    EXPECT_EQ(c.Ask("QUIT").rfind("+OK", 0), 0u);
    EXPECT_EQ(c.ReadLine(), kEnded);
}

// A handshake that SChannel completes without each protection asked for ends the connection.
TEST_F(TlsChannelTest, EveryProtectionAskedForMustBeGranted) {
    const uint32_t required[] = {0, TSspiCheck::Confidentiality, TSspiCheck::Stream,
                                 TSspiCheck::SequenceDetect, TSspiCheck::ReplayDetect};
    for (uint32_t withheld : required) {
        TConnection c;
        ASSERT_TRUE(c.Open("127.0.0.1", EnvPort("PB_TLS_PORT")));
        c.Tls.GrantFilter = [withheld](uint32_t granted) { return granted & ~withheld; };
        const TResult expected = withheld ? TResult::Failed : TResult::Ok;
        EXPECT_EQ(c.Tls.Handshake("localhost", TimeOutMs), expected) << withheld;
        if (withheld) {
            EXPECT_EQ(c.Tls.ErrorText(),
                      "サーバとの暗号化に必要な保護が得られなかったため、接続を中止しました。");
            EXPECT_EQ(c.Tls.FailedCall().rfind("InitializeSecurityContextW: not granted ", 0), 0u)
                << c.Tls.FailedCall();
        }
    }
}

TEST_F(TlsChannelTest, StlsOnThePlainPortCarriesTheLoginTheRelayRefusesInClear) {
    const int relay = EnvPort("PB_TLS_FAULT_RELAY");
    {
        // Without this refusal the test would not show that the login below went encrypted.
        TConnection plain;
        ASSERT_TRUE(plain.Open("127.0.0.1", relay));
        plain.ReadLine(false);
        EXPECT_EQ(plain.Ask("USER jpuser", false).rfind("-ERR", 0), 0u);
    }
    TConnection c;
    ASSERT_TRUE(c.Open("127.0.0.1", relay));
    EXPECT_EQ(c.ReadLine(false).rfind("+OK Dovecot", 0), 0u);
    EXPECT_EQ(c.Ask("STLS", false).rfind("+OK", 0), 0u);
    ASSERT_EQ(c.Tls.Handshake("localhost", TimeOutMs), TResult::Ok) << c.Tls.ErrorText();
    EXPECT_TRUE(c.Tls.CheckCertificate("localhost").Trusted());
    EXPECT_EQ(c.Ask("USER jpuser"), "+OK");
    EXPECT_EQ(c.Ask("PASS " + TestEnv::DovecotPassword()), "+OK Logged in.");
}

TEST_F(TlsChannelTest, FaultServersEndInAClearFailureNeverAHang) {
    struct TCase {
        const char* Fault;  // PB_TLS_FAULT_<name>
        int AbortAfterMs;   // another thread aborts the connection; 0 never
        TResult Handshake;
        const char* FirstLine;  // what is read after a handshake that succeeded
    };
    const TCase cases[] = {
        {"PLAIN", 0, TResult::Failed, nullptr},
        {"GARBAGE", 0, TResult::Failed, nullptr},
        {"CUT", 0, TResult::Closed, nullptr},
        {"SILENT", 0, TResult::TimedOut, nullptr},
        {"SILENT", 300, TResult::Aborted, nullptr},
        {"CLOSE", 0, TResult::Ok, kEnded},
        {"CLIENTCERT", 0, TResult::Ok, "+OK no certificate needed"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.Fault);
        TConnection c;
        ASSERT_TRUE(c.Open("127.0.0.1", EnvPort((std::string("PB_TLS_FAULT_") + k.Fault).c_str())));
        std::thread aborter;
        if (k.AbortAfterMs > 0)
            aborter = std::thread([&c, &k] {
                std::this_thread::sleep_for(std::chrono::milliseconds(k.AbortAfterMs));
                c.Tls.Abort();
            });
        const auto start = TClock::now();
        const bool timesOut = k.Handshake == TResult::TimedOut;
        const int limitMs = timesOut ? SilentTimeOutMs : TimeOutMs;
        EXPECT_EQ(c.Tls.Handshake("localhost", limitMs), k.Handshake) << c.Tls.ErrorText();
        const auto tookMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start);
        if (aborter.joinable()) aborter.join();
        EXPECT_LT(tookMs.count(),
                  timesOut ? SilentTimeOutMs + RecognisedWithinMs : RecognisedWithinMs);
        if (k.FirstLine) {
            EXPECT_EQ(c.ReadLine().rfind(k.FirstLine, 0), 0u);
        } else {
            EXPECT_FALSE(c.Tls.ErrorText().empty());
            EXPECT_EQ(c.Tls.Write("USER x\r\n", 8), 0u);  // nothing goes out after a failure
        }
    }
    // A record split at every byte also carries a login.
    TConnection c;
    ASSERT_TRUE(c.Open("127.0.0.1", EnvPort("PB_TLS_FAULT_SPLIT")));
    ASSERT_EQ(c.Tls.Handshake("localhost", TimeOutMs), TResult::Ok);
    c.ReadLine();
    EXPECT_EQ(c.Ask("USER jpuser"), "+OK");
    EXPECT_EQ(c.Ask("PASS " + TestEnv::DovecotPassword()), "+OK Logged in.");
}

// TLS 1.2 and 1.3 are asked for with SCH_CREDENTIALS; a system that refuses those (older
// Windows 10) is asked for TLS 1.2 with SCHANNEL_CRED. Wine takes both forms and agrees on 1.2.
TEST_F(TlsChannelTest, AsksForTls12And13AndFallsBackToTls12WhereTheSystemRefuses) {
    using TKind = TTlsChannel::TCredentials;
    constexpr long Refused = static_cast<long>(0x8009030DL);  // SEC_E_UNKNOWN_CREDENTIALS
    const struct {
        const char* What;
        std::vector<TKind> Refuses;
        TResult Expected;
        std::vector<TKind> Asked;
    } cases[] = {
        {"the system takes both", {}, TResult::Ok, {TKind::Tls12And13}},
        {"refuses the new form",
         {TKind::Tls12And13},
         TResult::Ok,
         {TKind::Tls12And13, TKind::Tls12}},
        {"refuses both",
         {TKind::Tls12And13, TKind::Tls12},
         TResult::Failed,
         {TKind::Tls12And13, TKind::Tls12}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.What);
        TConnection c;
        ASSERT_TRUE(c.Open("127.0.0.1", EnvPort("PB_TLS_PORT")));
        std::vector<TKind> asked;
        c.Tls.Acquire = [&](TKind kind, void* handle) {
            asked.push_back(kind);
            for (TKind refused : k.Refuses)
                if (refused == kind) return Refused;
            return TTlsChannel::SystemAcquire(kind, handle);
        };
        EXPECT_EQ(c.Tls.Handshake("localhost", TimeOutMs), k.Expected) << c.Tls.ErrorText();
        EXPECT_EQ(asked, k.Asked);
        if (k.Expected == TResult::Ok) {
            EXPECT_EQ(c.Tls.CredentialsUsed(), k.Asked.back());
            EXPECT_EQ(c.Tls.Description().rfind("TLS 1.2 ", 0), 0u) << c.Tls.Description();
            EXPECT_EQ(c.ReadLine().rfind("+OK Dovecot", 0), 0u);
        } else {
            EXPECT_NE(c.Tls.ErrorText().find("0x8009030D"), std::string::npos) << c.Tls.ErrorText();
        }
    }
}

// After a renegotiation the server started, the certificate goes through the same decision
// again. Wine cannot carry such a handshake through, so the test stands in for that step; the
// request, the certificate and the records around them are the real server's.
TEST_F(TlsChannelTest, RenegotiationPutsTheCertificateToTheDecisionAgain) {
    for (bool accepts : {true, false}) {
        SCOPED_TRACE(accepts ? "accepted" : "refused");
        TConnection c;
        ASSERT_TRUE(c.Open("127.0.0.1", EnvPort("PB_TLS_FAULT_RENEGOTIATE")));
        std::vector<TCertReport> decided;
        c.Tls.RenegotiationStep = [] { return TResult::Ok; };
        c.Tls.CertificateDecision = [&](const TCertReport& report) {
            decided.push_back(report);
            return accepts;
        };
        ASSERT_EQ(c.Tls.Handshake("localhost", TimeOutMs), TResult::Ok) << c.Tls.ErrorText();
        EXPECT_EQ(c.ReadLine(), "+OK before");
        EXPECT_TRUE(decided.empty());  // the owner asks after the handshake, not the channel
        EXPECT_EQ(c.ReadLine(), accepts ? "+OK after" : kBroken);
        ASSERT_EQ(decided.size(), 1u);
        EXPECT_EQ(CertHashText(decided[0].Sha256), TestCertHash("good"));
        if (!accepts) {
            EXPECT_EQ(c.Tls.ErrorText(), CertQuestion::RefusalText(decided[0]));
            EXPECT_EQ(c.Tls.Write("QUIT\r\n", 6), 0u);
        }
    }
}

// Windows carries the session on; Wine's TLS cannot resume a handshake the server asked for and
// fails it. Either way the read ends with the next line or a failure, never a hang.
TEST_F(TlsChannelTest, RenegotiationTheServerAsksForGoesOnOrFailsClearly) {
    TConnection c;
    ASSERT_TRUE(c.Open("127.0.0.1", EnvPort("PB_TLS_FAULT_RENEGOTIATE")));
    ASSERT_EQ(c.Tls.Handshake("localhost", TimeOutMs), TResult::Ok) << c.Tls.ErrorText();
    EXPECT_EQ(c.ReadLine(), "+OK before");
    const std::string line = c.ReadLine();
    if (line != "+OK after") {
        EXPECT_EQ(line, kBroken);
        EXPECT_NE(c.Tls.ErrorText(), "");
        EXPECT_EQ(c.Tls.Write("QUIT\r\n", 6), 0u);
    }
}

}  // namespace
