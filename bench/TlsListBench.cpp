// Listing a mailbox over SSL/TLS versus over plain POP3, the same worker against the same private
// Dovecot account "bulk<N>" (PB_BENCH_MESSAGES) in the same run. Runs under Wine (SChannel);
// scripts/bench starts Dovecot. The figure that matters is the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "RecordingPage.h"
#include "worker/Connect.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

// Seconds from the connect command to the last row; rows is what was listed.
double List(const std::string& server, int security, const std::string& user,
            const std::string& password, size_t& rows) {
    TRecordingPage page;
    page.Server = server;
    page.User = user;
    page.Password = password;
    page.SecurityMode = security;
    page.TrustAnswer = true;  // the bench does not judge the test certificate
    TConnectPtr worker = TConnect::Create(1, page);
    const auto start = Clock::now();
    worker->Resume(TConnect::CmdConnect, page.Inputs());
    worker->WaitIdle(3600 * 1000);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    rows = page.CurrentRows().size();
    worker->Resume(TConnect::CmdDisconnect, page.Inputs());
    worker->WaitIdle(60000);
    return elapsed;
}

}  // namespace

int main() {
    const std::string port = Env("PB_DOVECOT_PORT"), tlsPort = Env("PB_TLS_PORT");
    if (port.empty() || tlsPort.empty()) {
        std::printf(
            "TlsListBench: no Dovecot with TLS (PB_DOVECOT_PORT, PB_TLS_PORT); run it "
            "through scripts/bench\n");
        return 1;
    }
    const std::string user = "bulk" + Env("PB_BENCH_MESSAGES", "1000");
    const std::string password = Env("PB_DOVECOT_PASSWORD");
    const int rounds = std::atoi(Env("PB_BENCH_ROUNDS", "9").c_str());
    double bestPlain = 1e9, bestTls = 1e9, emptyPlain = 1e9, emptyTls = 1e9;
    size_t plainRows = 0, tlsRows = 0, none = 0;
    for (int round = 0; round < rounds; ++round) {
        bestPlain = std::min(bestPlain, List("127.0.0.1:" + port, 0, user, password, plainRows));
        bestTls = std::min(bestTls, List("localhost:" + tlsPort, 1, user, password, tlsRows));
        // A user without mail: connect, handshake and login alone.
        emptyPlain =
            std::min(emptyPlain, List("127.0.0.1:" + port, 0, "benchempty", password, none));
        emptyTls =
            std::min(emptyTls, List("localhost:" + tlsPort, 1, "benchempty", password, none));
    }
    if (plainRows != tlsRows || plainRows == 0) {
        std::printf("row counts differ or are zero: %zu plain, %zu TLS\n", plainRows, tlsRows);
        return 1;
    }
    std::printf("%zu messages, best of %d rounds:\n", plainRows, rounds);
    std::printf("  plain POP3 : %8.3f s  %8.0f messages/s\n", bestPlain, plainRows / bestPlain);
    std::printf("  SSL/TLS    : %8.3f s  %8.0f messages/s\n", bestTls, tlsRows / bestTls);
    std::printf("  TLS / plain: %8.2f (target 1.3 or better)\n", bestTls / bestPlain);
    std::printf("connect and login alone (empty mailbox): plain %.3f s, SSL/TLS %.3f s\n",
                emptyPlain, emptyTls);
    std::printf("listing without them: TLS / plain %.2f\n",
                (bestTls - emptyTls) / (bestPlain - emptyPlain));
    return 0;
}
