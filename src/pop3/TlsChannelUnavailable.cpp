#include "pop3/TlsChannel.h"

#include "pop3/FailureText.h"

// Builds without SChannel: every handshake fails, nothing is ever sent in plain text instead.

struct TTlsChannel::TState {};

TTlsChannel::TTlsChannel(TTcpClient& tcp) : Tcp(tcp), State(std::make_unique<TState>()) {}
TTlsChannel::~TTlsChannel() = default;
bool TTlsChannel::Available() { return false; }
long TTlsChannel::SystemAcquire(TCredentials, void*) { return -1; }

TTlsChannel::TResult TTlsChannel::Handshake(const std::string&, int) {
    Error = TFailureText::TlsUnavailable;
    return TResult::Failed;
}
size_t TTlsChannel::Write(const char*, size_t) { return 0; }
TTcpClient::TWait TTlsChannel::WaitReadable(int) { return TTcpClient::TWait::Readable; }
long TTlsChannel::Read(char*, size_t) { return -1; }
void TTlsChannel::Shutdown() {}
TTlsChannel::TResult TTlsChannel::Fill(std::chrono::steady_clock::time_point) {
    return TResult::Failed;
}
TTlsChannel::TResult TTlsChannel::Renegotiate(std::chrono::steady_clock::time_point) {
    return TResult::Failed;
}

TCertReport TTlsChannel::CheckCertificate(const std::string&) const {
    TCertReport report;
    report.Detail = TFailureText::TlsUnavailable;
    return report;
}
std::string TTlsChannel::Description() const { return ""; }
