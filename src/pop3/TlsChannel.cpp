#include "pop3/TlsChannel.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#define SECURITY_WIN32
// SCH_CREDENTIALS and TLS_PARAMETERS, which use UNICODE_STRING from subauth.h.
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>

#include "pop3/CertCheck.h"
#include "pop3/CertQuestion.h"
#include "pop3/FailureText.h"
#include "pop3/SspiCheck.h"
#include "pop3/WideText.h"

namespace {

using TClock = std::chrono::steady_clock;
using TResult = TTlsChannel::TResult;

// Certificates are judged by TCertCheck, never by SChannel's automatic validation.
constexpr DWORD RequestFlags = ISC_REQ_STREAM | ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                               ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                               ISC_REQ_EXTENDED_ERROR | ISC_REQ_MANUAL_CRED_VALIDATION;
constexpr DWORD AcceptedProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;
constexpr DWORD CredentialFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
// A record holds at most 16 KiB of data plus 2 KiB of expansion behind its 5-byte header: more
// bytes that still make no whole record are not TLS.
constexpr size_t MaxRecord = 5 + 16384 + 2048;
// Record content types: change_cipher_spec, alert, handshake, application_data.
constexpr unsigned char FirstContentType = 20;
constexpr unsigned char LastContentType = 23;
constexpr unsigned char RecordMajorVersion = 3;
constexpr size_t ReceiveSize = 64 * 1024;
// Read() without a time-out waits as long as the connection does; Abort still ends it.
constexpr int UnboundedMs = INT_MAX;

TClock::time_point DeadlineAfter(int ms) {
    return TClock::now() + std::chrono::milliseconds(std::max(ms, 0));
}

int MsUntil(TClock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, INT_MAX));
}

std::string WithStatus(const char* text, SECURITY_STATUS status) {
    char number[24];
    std::snprintf(number, sizeof number, " (0x%08lX)", static_cast<unsigned long>(status));
    return text + std::string(number);
}

std::string Name(unsigned value, std::initializer_list<std::pair<unsigned, const char*>> names) {
    for (const auto& n : names)
        if (n.first == value) return n.second;
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

}  // namespace

struct TTlsChannel::TState {
    CredHandle Credentials{};
    bool HasCredentials = false;
    CtxtHandle Context{};
    bool HasContext = false;
    bool Established = false;
    SecPkgContext_StreamSizes Sizes{};
    std::wstring Host;
    std::string HostName;  // as the owner gave it, for the certificate check
    std::string In;        // received bytes not yet decrypted
    std::string Plain;     // decrypted bytes not yet read, from PlainAt on
    size_t PlainAt = 0;
    bool Ended = false;   // the peer ended the session
    bool Broken = false;  // a read failed; Read reports it
    ULONG Granted = 0;    // the attributes the last handshake step granted

    ~TState() {
        if (HasContext) DeleteSecurityContext(&Context);
        if (HasCredentials) FreeCredentialsHandle(&Credentials);
    }
    bool PlainWaiting() const { return PlainAt < Plain.size(); }
};

namespace {

// Receives what the connection has within the deadline onto `in`.
TResult ReceiveMore(TTcpClient& tcp, std::string& in, TClock::time_point deadline) {
    if (tcp.Aborted()) return TResult::Aborted;
    switch (tcp.WaitReadable(MsUntil(deadline))) {
        case TTcpClient::TWait::Aborted:
            return TResult::Aborted;
        case TTcpClient::TWait::TimedOut:
            return TResult::TimedOut;
        case TTcpClient::TWait::Readable:
            break;
    }
    // Straight onto the end of `in`: one receive takes several records.
    const size_t had = in.size();
    in.resize(had + ReceiveSize);
    long n = tcp.Read(&in[had], ReceiveSize);
    in.resize(had + static_cast<size_t>(std::max(n, 0L)));
    if (n > 0) return TResult::Ok;
    if (tcp.Aborted()) return TResult::Aborted;
    return n == 0 ? TResult::Closed : TResult::Failed;
}

// Whether the bytes can begin a TLS record. SChannel asks for more bytes after a plain-text reply
// or garbage until the time-out; this sees at the first bytes that no record comes.
bool CouldBeRecord(const std::string& in) {
    const auto byte = [&in](size_t i) { return static_cast<unsigned char>(in[i]); };
    if (in.size() >= 1 && (byte(0) < FirstContentType || byte(0) > LastContentType)) return false;
    if (in.size() >= 2 && byte(1) != RecordMajorVersion) return false;
    return in.size() < 5 || 5u + (byte(3) << 8 | byte(4)) <= MaxRecord;
}

bool SendAll(TTcpClient& tcp, const void* data, size_t length) {
    return tcp.Write(static_cast<const char*>(data), length) == length;
}

// Runs the handshake from the state's context (none: the first message) until it is complete.
// Also carries on a renegotiation, whose first bytes are in state.In.
TResult Negotiate(TTcpClient& tcp, TTlsChannel::TState& state, TClock::time_point deadline,
                  SECURITY_STATUS& failure) {
    // A renegotiation starts with our answer to the server's request, even with no bytes left.
    bool needInput = false;
    DWORD flags = RequestFlags;
    for (;;) {
        if (needInput) {
            TResult received = ReceiveMore(tcp, state.In, deadline);
            if (received != TResult::Ok) return received;
            if (!CouldBeRecord(state.In)) {
                failure = SEC_E_ILLEGAL_MESSAGE;
                return TResult::Failed;
            }
        } else if (tcp.Aborted()) {
            return TResult::Aborted;
        } else if (TClock::now() > deadline) {
            return TResult::TimedOut;
        }
        // A renegotiation may begin with nothing left over: then there is no input at all. (Wine
        // answers that with SEC_E_INCOMPLETE_MESSAGE, so there the renegotiation ends at the
        // time-out or at the server's next bytes, with a failure.)
        const bool withInput = state.HasContext && !state.In.empty();
        SecBuffer in[2] = {{static_cast<ULONG>(state.In.size()), SECBUFFER_TOKEN, &state.In[0]},
                           {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
        SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, out};
        ULONG attributes = 0;
        SECURITY_STATUS status = InitializeSecurityContextW(
            &state.Credentials, state.HasContext ? &state.Context : nullptr, &state.Host[0], flags,
            0, 0, withInput ? &inDesc : nullptr, 0, &state.Context, &outDesc, &attributes, nullptr);
        if (!state.HasContext && status >= 0) state.HasContext = true;
        // A token goes out also with a failure: it is the alert that tells the server why.
        bool sent = true;
        if (out[0].pvBuffer) {
            if (out[0].cbBuffer > 0) sent = SendAll(tcp, out[0].pvBuffer, out[0].cbBuffer);
            FreeContextBuffer(out[0].pvBuffer);
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needInput = true;
            continue;
        }
        // The server asks for a client certificate: go on without one, with the same input.
        if (status == SEC_I_INCOMPLETE_CREDENTIALS && !(flags & ISC_REQ_USE_SUPPLIED_CREDS)) {
            flags |= ISC_REQ_USE_SUPPLIED_CREDS;
            needInput = false;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
            failure = status;
            return TResult::Failed;
        }
        if (!sent) return tcp.Aborted() ? TResult::Aborted : TResult::Failed;
        // Bytes behind the handshake message belong to the next step, or after the last step to
        // the first encrypted reply.
        if (withInput) {
            if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0)
                state.In.erase(0,
                               state.In.size() - std::min<size_t>(in[1].cbBuffer, state.In.size()));
            else
                state.In.clear();
        }
        if (status == SEC_E_OK) {
            state.Granted = attributes;
            return TResult::Ok;
        }
        needInput = state.In.empty();
    }
}

}  // namespace

TTlsChannel::TTlsChannel(TTcpClient& tcp) : Tcp(tcp), State(std::make_unique<TState>()) {}

TTlsChannel::~TTlsChannel() = default;

bool TTlsChannel::Available() { return true; }

long TTlsChannel::SystemAcquire(TCredentials kind, void* handle) {
    auto* credentials = static_cast<CredHandle*>(handle);
    const auto acquire = [credentials](void* authData) {
        return AcquireCredentialsHandleW(nullptr, const_cast<SEC_WCHAR*>(UNISP_NAME_W),
                                         SECPKG_CRED_OUTBOUND, nullptr, authData, nullptr, nullptr,
                                         credentials, nullptr);
    };
    if (kind == TCredentials::Tls12And13) {
        TLS_PARAMETERS parameters{};
        parameters.grbitDisabledProtocols = ~static_cast<DWORD>(AcceptedProtocols);
        SCH_CREDENTIALS modern{};
        modern.dwVersion = SCH_CREDENTIALS_VERSION;
        modern.dwFlags = CredentialFlags;
        modern.cTlsParameters = 1;
        modern.pTlsParameters = &parameters;
        return acquire(&modern);
    }
    SCHANNEL_CRED legacy{};
    legacy.dwVersion = SCHANNEL_CRED_VERSION;
    legacy.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    legacy.dwFlags = CredentialFlags;
    return acquire(&legacy);
}

TTlsChannel::TResult TTlsChannel::Handshake(const std::string& host, int timeoutMs) {
    State = std::make_unique<TState>();
    Error.clear();
    Detail.clear();
    const auto deadline = DeadlineAfter(timeoutMs);
    if (!Tcp.Connected() || Tcp.Aborted()) {
        Error = TFailureText::Disconnected;
        return TResult::Aborted;
    }
    // TLS 1.3 where the system has it; a system that does not know SCH_CREDENTIALS refuses them,
    // and then TLS 1.2 is asked for the old way.
    Used = TCredentials::Tls12And13;
    SECURITY_STATUS status = Acquire ? Acquire(Used, &State->Credentials) : SEC_E_INTERNAL_ERROR;
    if (status != SEC_E_OK && Acquire) {
        Used = TCredentials::Tls12;
        status = Acquire(Used, &State->Credentials);
    }
    if (status != SEC_E_OK) {
        Error = WithStatus(TFailureText::TlsHandshake, status);
        Detail = TSspiCheck::Call("AcquireCredentialsHandleW", status);
        return TResult::Failed;
    }
    State->HasCredentials = true;
    State->Host = WideText(host);
    State->HostName = host;

    SECURITY_STATUS failure = SEC_E_OK;
    TResult result = Negotiate(Tcp, *State, deadline, failure);
    if (result == TResult::Ok) {
        SecPkgContext_ConnectionInfo info{};
        status = QueryContextAttributesW(&State->Context, SECPKG_ATTR_STREAM_SIZES, &State->Sizes);
        const uint32_t granted = GrantFilter ? GrantFilter(State->Granted) : State->Granted;
        const std::string missing = TSspiCheck::MissingGrants(granted);
        if (status != SEC_E_OK) {
            Error = WithStatus(TFailureText::TlsHandshake, status);
            Detail = TSspiCheck::Call("QueryContextAttributesW", status);
            return TResult::Failed;
        } else if (!missing.empty()) {
            // Without these the records could be read, reordered or replayed unnoticed.
            Error = TFailureText::TlsWeak;
            Detail = "InitializeSecurityContextW: not granted " + missing;
            return TResult::Failed;
        } else if (QueryContextAttributesW(&State->Context, SECPKG_ATTR_CONNECTION_INFO, &info) ==
                       SEC_E_OK &&
                   !(info.dwProtocol & AcceptedProtocols)) {
            Error = TFailureText::TlsOldProtocol;
            return TResult::Failed;
        }
    }
    switch (result) {
        case TResult::Ok:
            State->Established = true;
            break;
        case TResult::TimedOut:
            Error = TFailureText::TimeOut;
            break;
        case TResult::Aborted:
            Error = TFailureText::Disconnected;
            break;
        case TResult::Closed:
            Error = TFailureText::TlsClosed;
            break;
        case TResult::Failed:
            Error = failure != SEC_E_OK ? WithStatus(TFailureText::TlsHandshake, failure) : TFailureText::TlsHandshake;
            if (failure != SEC_E_OK)
                Detail = TSspiCheck::Call("InitializeSecurityContextW", failure);
            break;
    }
    return result;
}

size_t TTlsChannel::Write(const char* data, size_t length) {
    if (!State->Established || State->Ended || State->Broken) return 0;
    const SecPkgContext_StreamSizes& sizes = State->Sizes;
    std::string record;
    size_t done = 0;
    while (done < length && !Tcp.Aborted()) {
        const size_t part = std::min<size_t>(length - done, sizes.cbMaximumMessage);
        record.assign(sizes.cbHeader + part + sizes.cbTrailer, '\0');
        std::copy(data + done, data + done + part, &record[sizes.cbHeader]);
        SecBuffer buffers[4] = {
            {sizes.cbHeader, SECBUFFER_STREAM_HEADER, &record[0]},
            {static_cast<ULONG>(part), SECBUFFER_DATA, &record[sizes.cbHeader]},
            {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, &record[sizes.cbHeader + part]},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        if (EncryptMessage(&State->Context, 0, &desc, 0) != SEC_E_OK) break;
        const size_t total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
        if (!SendAll(Tcp, record.data(), total)) break;
        done += part;
    }
    return done;
}

TTcpClient::TWait TTlsChannel::WaitReadable(int timeoutMs) {
    switch (Fill(DeadlineAfter(timeoutMs))) {
        case TResult::TimedOut:
            return TTcpClient::TWait::TimedOut;
        case TResult::Aborted:
            return TTcpClient::TWait::Aborted;
        default:
            return TTcpClient::TWait::Readable;  // data, the end, or a failure Read reports
    }
}

long TTlsChannel::Read(char* buffer, size_t length) {
    if (!State->PlainWaiting()) Fill(DeadlineAfter(UnboundedMs));
    TState& s = *State;
    if (s.PlainWaiting()) {
        const size_t n = std::min(length, s.Plain.size() - s.PlainAt);
        std::copy(s.Plain.data() + s.PlainAt, s.Plain.data() + s.PlainAt + n, buffer);
        s.PlainAt += n;
        if (!s.PlainWaiting()) {
            s.Plain.clear();
            s.PlainAt = 0;
        }
        return static_cast<long>(n);
    }
    return s.Ended && !s.Broken ? 0 : -1;
}

TTlsChannel::TResult TTlsChannel::Fill(std::chrono::steady_clock::time_point deadline) {
    TState& s = *State;
    if (!s.Established) s.Broken = true;
    while (!s.PlainWaiting() && !s.Ended && !s.Broken) {
        if (!s.In.empty()) {
            SecBuffer buffers[4] = {{static_cast<ULONG>(s.In.size()), SECBUFFER_DATA, &s.In[0]},
                                    {0, SECBUFFER_EMPTY, nullptr},
                                    {0, SECBUFFER_EMPTY, nullptr},
                                    {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
            SECURITY_STATUS status = DecryptMessage(&s.Context, &desc, 0, nullptr);
            if (status == SEC_E_OK || status == SEC_I_RENEGOTIATE ||
                status == SEC_I_CONTEXT_EXPIRED) {
                // The buffers point into In, decrypted in place; the extra bytes are its tail.
                size_t extra = 0;
                for (const SecBuffer& b : buffers) {
                    if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0)
                        s.Plain.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
                    if (b.BufferType == SECBUFFER_EXTRA)
                        extra = std::min<size_t>(b.cbBuffer, s.In.size());
                }
                s.In.erase(0, s.In.size() - extra);
                // close_notify: SEC_I_CONTEXT_EXPIRED on Windows; under Wine an empty SEC_E_OK
                // followed by the end of the connection.
                if (status == SEC_I_CONTEXT_EXPIRED) s.Ended = true;
                if (status == SEC_I_RENEGOTIATE) {
                    TResult again = Renegotiate(deadline);
                    if (again == TResult::TimedOut || again == TResult::Aborted) return again;
                }
                continue;
            }
            if (status != SEC_E_INCOMPLETE_MESSAGE || !CouldBeRecord(s.In)) {
                Error = WithStatus(TFailureText::TlsDecrypt, status);
                Detail = TSspiCheck::Call("DecryptMessage", status);
                s.Broken = true;
                break;
            }
        }
        TResult received = ReceiveMore(Tcp, s.In, deadline);
        if (received == TResult::TimedOut || received == TResult::Aborted) return received;
        if (received == TResult::Closed) {
            // A connection that ends inside a record was cut, not closed.
            if (s.In.empty())
                s.Ended = true;
            else
                s.Broken = true;
        } else if (received == TResult::Failed) {
            s.Broken = true;
        }
    }
    return s.Broken ? TResult::Failed : TResult::Ok;
}

TTlsChannel::TResult TTlsChannel::Renegotiate(std::chrono::steady_clock::time_point deadline) {
    TState& s = *State;
    SECURITY_STATUS failure = SEC_E_OK;
    const TResult result =
        RenegotiationStep ? RenegotiationStep() : Negotiate(Tcp, s, deadline, failure);
    if (result == TResult::TimedOut || result == TResult::Aborted) return result;
    if (result != TResult::Ok) {
        Error = WithStatus(TFailureText::TlsHandshake, failure);
        Detail = TSspiCheck::Call("InitializeSecurityContextW", failure);
        s.Broken = true;
        return TResult::Failed;
    }
    // The same decision as after the handshake: a certificate swapped in now is no more trusted.
    const TCertReport report = CheckCertificate(s.HostName);
    bool accepted = false;
    try {
        accepted = CertificateDecision
                       ? CertificateDecision(report)
                       : CertQuestion::Decide(report, "") == CertQuestion::TDecision::Accept;
    } catch (...) {
        s.Broken = true;
        throw;
    }
    if (Tcp.Aborted()) return TResult::Aborted;
    if (!accepted) {
        Error = CertQuestion::RefusalText(report);
        s.Broken = true;
        return TResult::Failed;
    }
    return TResult::Ok;
}

void TTlsChannel::Shutdown() {
    TState& s = *State;
    if (!s.Established || s.Ended) return;
    s.Ended = true;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
    if (ApplyControlToken(&s.Context, &controlDesc) != SEC_E_OK) return;
    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    SECURITY_STATUS status =
        InitializeSecurityContextW(&s.Credentials, &s.Context, &s.Host[0], RequestFlags, 0, 0,
                                   nullptr, 0, &s.Context, &outDesc, &attributes, nullptr);
    if (out.pvBuffer) {
        if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && out.cbBuffer > 0)
            SendAll(Tcp, out.pvBuffer, out.cbBuffer);
        FreeContextBuffer(out.pvBuffer);
    }
}

TCertReport TTlsChannel::CheckCertificate(const std::string& host) const {
    PCCERT_CONTEXT certificate = nullptr;
    if (!State->Established ||
        QueryContextAttributesW(&State->Context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
            SEC_E_OK)
        certificate = nullptr;
    TCertReport report = TCertCheck::Inspect(certificate, WideText(host));
    if (certificate) CertFreeCertificateContext(certificate);
    return report;
}

std::string TTlsChannel::Description() const {
    SecPkgContext_ConnectionInfo info{};
    if (!State->Established ||
        QueryContextAttributesW(&State->Context, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK)
        return "";
    const std::string protocol = Name(
        info.dwProtocol, {{SP_PROT_TLS1_2_CLIENT, "TLS 1.2"}, {SP_PROT_TLS1_3_CLIENT, "TLS 1.3"}});
    const std::string cipher = Name(info.aiCipher, {{CALG_AES_128, "AES"},
                                                    {CALG_AES_256, "AES"},
                                                    {CALG_AES, "AES"},
                                                    {CALG_3DES, "3DES"},
                                                    {CALG_RC4, "RC4"}});
    const std::string hash = Name(info.aiHash, {{0, "AEAD"},
                                                {CALG_SHA1, "SHA-1"},
                                                {CALG_SHA_256, "SHA-256"},
                                                {CALG_SHA_384, "SHA-384"},
                                                {CALG_SHA_512, "SHA-512"}});
    const std::string exchange = Name(info.aiExch, {{CALG_ECDH_EPHEM, "ECDHE"},
                                                    {CALG_ECDH, "ECDH"},
                                                    {CALG_DH_EPHEM, "DHE"},
                                                    {CALG_RSA_KEYX, "RSA"}});
    return protocol + " " + exchange + " " + cipher + "-" + std::to_string(info.dwCipherStrength) +
           " " + hash;
}
