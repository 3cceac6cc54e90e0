#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pop3/CertReport.h"
#include "pop3/TcpClient.h"

// TLS 1.2 or newer over an open TTcpClient, through the system's SChannel. The channel does not own
// the connection: closing it is the owner's business, and the connection's Abort (any thread)
// ends every wait of the channel, the handshake included. Used by one thread, like the connection.
// Where SChannel does not exist the channel reports that TLS is not available; it never falls back
// to plain text.
class TTlsChannel final : public TByteStream {
public:
    enum class TResult { Ok, TimedOut, Aborted, Closed, Failed };
    struct TState;  // the session's handles and buffers, known to the implementation only
    // How the client credentials ask for the protocol: TLS 1.2 and 1.3 (SCH_CREDENTIALS), or
    // TLS 1.2 alone (SCHANNEL_CRED) where the system refuses the first (older Windows 10).
    enum class TCredentials { Tls12And13, Tls12 };
    // Acquires client credentials of a kind into `handle` (a CredHandle); SChannel's status.
    using TAcquire = std::function<long(TCredentials kind, void* handle)>;
    // The system's acquire, the default of Acquire.
    static long SystemAcquire(TCredentials kind, void* handle);

    explicit TTlsChannel(TTcpClient& tcp);
    ~TTlsChannel() override;
    TTlsChannel(const TTlsChannel&) = delete;
    TTlsChannel& operator=(const TTlsChannel&) = delete;

    // Whether this build can speak TLS at all.
    static bool Available();

    // Negotiates the session for `host` (also the name sent to the server) within timeoutMs.
    // The certificate is not judged here: call CheckCertificate before sending anything secret.
    TResult Handshake(const std::string& host, int timeoutMs);
    // Encrypts and sends all of data; returns the plain bytes sent (less than length on failure).
    size_t Write(const char* data, size_t length);
    // Readable at once when decrypted bytes are waiting or the stream has ended; otherwise reads
    // and decrypts until a whole record gives data, the stream ends, or timeoutMs passes.
    TTcpClient::TWait WaitReadable(int timeoutMs);
    // Decrypted bytes, at most length: > 0 read, 0 the peer ended the session, < 0 error.
    // Blocks for the next record when nothing is waiting.
    long Read(char* buffer, size_t length);
    // Sends close_notify; the connection stays open for its owner to close.
    void Shutdown();
    void Abort() override { Tcp.Abort(); }

    // The stream: Close sends close_notify while the connection stands, then closes it.
    TEnd ReadSome(char* buffer, size_t length, int timeoutMs, size_t& count) override;
    TEnd WriteAll(const char* data, size_t length) override;
    void Close() override;
    std::string FailureText() const override { return Error; }

    // The server certificate judged for `host` (after a successful handshake).
    TCertReport CheckCertificate(const std::string& host) const;
    // The kind of credentials the last handshake was made with.
    TCredentials CredentialsUsed() const { return Used; }
    // Protocol and cipher of the session, for the communication log.
    std::string Description() const override;
    // The last failure in the user's words, with SChannel's status number where there is one.
    const std::string& ErrorText() const { return Error; }
    // For the communication log: the SSPI call that failed and its status by name and number
    // ("DecryptMessage: SEC_E_DECRYPT_FAILURE (0x80090330)"); empty when no call failed.
    const std::string& FailedCall() const { return Detail; }

    // Decides on the certificate, judged for the handshake's host. The owner asks it after the
    // handshake; the channel asks it again after a renegotiation the server starts, as the
    // server may show another certificate then, and ends the session when it says no.
    std::function<bool(const TCertReport&)> CertificateDecision;
    // Seams for tests: the credentials, and the handshake a renegotiation runs (empty:
    // SChannel's), which Wine cannot carry through.
    TAcquire Acquire = SystemAcquire;
    std::function<TResult()> RenegotiationStep;
    // Seam for tests: what the handshake sees of the attributes SChannel granted (empty: as
    // granted), so that a grant SChannel never withholds under Wine can be taken away.
    std::function<uint32_t(uint32_t)> GrantFilter;

private:
    // Decrypts until plain bytes wait, the stream ends or breaks, or the deadline passes.
    TResult Fill(std::chrono::steady_clock::time_point deadline);
    // After a renegotiation the server asked for: its handshake, then the certificate decision.
    TResult Renegotiate(std::chrono::steady_clock::time_point deadline);

    TTcpClient& Tcp;
    std::unique_ptr<TState> State;
    std::string Error;
    std::string Detail;
    TCredentials Used = TCredentials::Tls12And13;
};
