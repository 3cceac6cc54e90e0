#include "pop3/Pop3Connection.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "pop3/CertQuestion.h"
#include "pop3/FailureText.h"
#include "pop3/TcpClient.h"
#include "pop3/TlsChannel.h"

namespace {

const char Crlf[] = "\r\n";

using TStatus = TPop3Reply::TStatus;

}  // namespace

TPop3Connection::TPop3Connection() : Client(std::make_unique<TTcpClient>()), Stream(Client.get()) {
    Log.Stopped = [this](const std::string& reason) {
        LogStopReason = reason;
        LogStopped();
    };
}

TPop3Connection::~TPop3Connection() { Client->Close(); }

bool TPop3Connection::Connected() const { return Client->Connected(); }

bool TPop3Connection::Aborted() const { return Client->Aborted(); }

void TPop3Connection::Abort() { Client->Abort(); }

std::string TPop3Connection::TlsDescription() const {
    return Client->Connected() ? Stream->Description() : std::string();
}

// ---- opening ----------------------------------------------------------------------------------

void TPop3Connection::TakeOwnership() {
    Owner = std::this_thread::get_id();
    if (Client->Aborted()) RaiseFailure(TFailureKind::Disconnected);
    if (LogEnabled) {
        Log.Start(LogFileName);
        LogStopReason.clear();
        Log.Entry(std::string("接続を試みます。") + Crlf);
    }
}

uint32_t TPop3Connection::Resolve() {
    uint32_t address = 0;
    Client->Resolver = Resolver;
    switch (Client->Resolve(Host, address, TimeOut)) {
        case TTcpClient::TCheck::Aborted:
            RaiseFailure(TFailureKind::Disconnected);
        case TTcpClient::TCheck::TimedOut:
            RaiseFailure(TFailureKind::TimeOut);
        case TTcpClient::TCheck::StartupFailed:
            throw EPop3Failure(TFailureText::NoWinsock);
        case TTcpClient::TCheck::SocketFailed:
            throw EPop3Failure(TFailureText::NoSocket);
        case TTcpClient::TCheck::NameNotFound:
            throw EPop3Failure(TFailureText::NoHost, "", TFailureKind::CommError);
        case TTcpClient::TCheck::Ok:
            break;
    }
    return address;
}

void TPop3Connection::Open(uint32_t address) {
    CommandNumber = CommandGreeting;
    Stream = Client.get();
    Tls.reset();
    Framer.Clear();
    bool portValid = Port > 0 && Port <= 65535;
    if (!portValid || !Client->Open(address, static_cast<uint16_t>(Port), TimeOut)) {
        if (Client->Aborted()) RaiseFailure(TFailureKind::Disconnected);
        Close();
        throw EPop3Failure(TFailureText::NoConnection, "", TFailureKind::CommError);
    }
    if (Logging()) Log.Entry(std::string("サーバに接続しました。") + Crlf + Crlf);
}

void TPop3Connection::StartTls() {
    CommandNumber = CommandGreeting;
    Tls = std::make_unique<TTlsChannel>(*Client);
    const TTlsChannel::TResult result = Tls->Handshake(Host, TimeOut);
    if (result == TTlsChannel::TResult::Aborted || Client->Aborted())
        RaiseFailure(TFailureKind::Disconnected);
    if (result == TTlsChannel::TResult::TimedOut) RaiseFailure(TFailureKind::TimeOut);
    if (result != TTlsChannel::TResult::Ok) {
        const std::string reason = Tls->ErrorText();
        const std::string call = Tls->FailedCall();
        Tls.reset();
        if (Logging()) Log.Entry(reason + Crlf + (call.empty() ? "" : call + Crlf) + Crlf);
        Close();
        throw EPop3Failure(reason);
    }
    Stream = Tls.get();
    if (Logging()) Log.Entry("暗号化しました: " + Tls->Description() + Crlf + Crlf);
    // One decision for the handshake and for any renegotiation the server starts later.
    Tls->CertificateDecision = [this](const TCertReport& report) {
        return CertificateAccepted(report);
    };
    // Nothing of the login goes out before the certificate is accepted.
    bool accepted = false;
    TCertReport report;
    try {
        report = Tls->CheckCertificate(Host);
        accepted = Tls->CertificateDecision(report);
    } catch (...) {
        Close();
        throw;
    }
    if (Client->Aborted()) RaiseFailure(TFailureKind::Disconnected);
    if (!accepted) {
        const std::string reason = CertQuestion::RefusalText(report);
        if (Logging()) Log.Entry(reason + Crlf + Crlf);
        Close();
        throw EPop3Failure(reason);
    }
}

// ---- lines out, replies in --------------------------------------------------------------------

void TPop3Connection::WriteAll(const std::string& bytes) {
    CheckStreamEnd(Stream->WriteAll(bytes.data(), bytes.size()));
    IoLength = static_cast<int32_t>(bytes.size());
}

void TPop3Connection::LogSent(const char* line, size_t length) {
    if (!Logging()) return;
    // Of an AUTH exchange only the command itself shows: the lines after it carry the token.
    const bool credential = CommandNumber == CommandAuth && std::string(line, length) != "\r\n" &&
                            std::string(line, length).compare(0, 5, "AUTH ") != 0;
    const char* masked = CommandNumber == CommandPass   ? "PASS パスワード\r\n"
                         : CommandNumber == CommandApop ? "APOP ユーザ名 MD5Digest"
                         : credential                   ? "AUTH XOAUTH2 ..."
                                                        : nullptr;
    Log.Sent(CommandNumber, line, length, masked);
}

TStatus TPop3Connection::ReceiveReply(bool multiLine) {
    if (multiLine) {
        ReceiveMultiLine(CommandNumber == CommandTop ? MaxHeaderLength : MaxListingLength);
        LastReply = MultiLineText;  // when not positive, the status line alone
    } else {
        ReceiveLine();
    }
    const TStatus status = TPop3Reply::Status(LastReply);
    // A SASL server's "+" asks for the next line: no refusal.
    const bool challenge = CommandNumber == CommandAuth && LastReply.compare(0, 1, "+") == 0;
    const bool refused = status != TStatus::Positive && !challenge;
    // TOP's header is logged as it arrives.
    if (Logging() && (CommandNumber != CommandTop || !multiLine))
        Log.Received(CommandNumber, LastReply, refused);
    if (refused || !multiLine) LastReply = TPop3Reply::Trimmed(LastReply);
    return status;
}

TStatus TPop3Connection::ReceiveStreamed(const std::function<void(const char*, size_t)>& piece,
                                         size_t maxLength) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeOut) * ReplyTimeOuts;
    ReceiveLine(deadline);
    MultiLineText = LastReply;
    const TStatus status = TPop3Reply::Status(LastReply);
    const bool refused = status != TStatus::Positive;
    // A message's text stays out of the log.
    if (Logging())
        Log.Received(CommandNumber, refused ? LastReply : TReplyFramer::StatusLine(LastReply),
                     refused);
    if (refused) {
        LastReply = TPop3Reply::Trimmed(LastReply);
        return status;
    }
    // Each read is handed on at once: only a read's worth is ever held, whatever the size.
    Framer.StartBody();
    size_t taken = 0;
    for (;;) {
        const char* bytes = nullptr;
        size_t length = 0;
        const TReplyFramer::TFrame frame = Framer.TakeBody(bytes, length);
        taken += length;
        if (taken > maxLength) RaiseFailure(TFailureKind::CommError);
        if (length > 0) piece(bytes, length);
        if (frame == TReplyFramer::TFrame::Complete) return status;
        ReadAvailable(deadline);
    }
}

// A single-line reply: up to its line end, however many reads it takes.
void TPop3Connection::ReceiveLine() {
    ReceiveLine(TClock::now() + std::chrono::milliseconds(TimeOut) * ReplyTimeOuts);
}

void TPop3Connection::ReceiveLine(TClock::time_point deadline) {
    for (;;) {
        switch (Framer.TakeLine(LastReply, MaxLineLength)) {
            case TReplyFramer::TFrame::Complete:
                return;
            case TReplyFramer::TFrame::TooLong:
                RaiseFailure(TFailureKind::CommError);
            case TReplyFramer::TFrame::Incomplete:
                break;
        }
        ReadAvailable(deadline);
    }
}

// A multi-line reply, however the reads split it. For TOP each read that leaves the reply
// unfinished is logged as "in the middle", and its end once.
void TPop3Connection::ReceiveMultiLine(size_t maxLength) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeOut) * ReplyTimeOuts;
    const bool top = CommandNumber == CommandTop;
    for (int reads = 0;; ++reads) {
        switch (Framer.TakeMultiLine(MultiLineText, maxLength)) {
            case TReplyFramer::TFrame::Complete:
                if (top && Logging() && TPop3Reply::Status(MultiLineText) == TStatus::Positive)
                    Log.Entry(std::string("Receive:8 ヘッダ終了") + Crlf + Crlf);
                return;
            case TReplyFramer::TFrame::TooLong:
                RaiseFailure(TFailureKind::CommError);
            case TReplyFramer::TFrame::Incomplete:
                break;
        }
        if (top && reads > 0 && Logging()) Log.Entry(std::string("Receive:8 ヘッダ途中") + Crlf);
        ReadAvailable(deadline);
    }
}

// Waits for data at most TimeOut, and never past the reply's deadline, then takes what is there.
size_t TPop3Connection::ReadAvailable(TClock::time_point deadline) {
    if (Client->Aborted()) RaiseFailure(TFailureKind::Disconnected);
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    if (left <= 0) RaiseFailure(TFailureKind::TimeOut);
    const int waitMs = static_cast<int>(std::min<long long>(TimeOut, left));
    size_t n = 0;
    CheckStreamEnd(Stream->ReadSome(Framer.ReadSpace(ReadSize), ReadSize, waitMs, n));
    Framer.Received(n);
    IoLength = static_cast<int32_t>(n);
    return n;
}

void TPop3Connection::CheckStreamEnd(TByteStream::TEnd end) {
    switch (end) {
        case TByteStream::TEnd::Done:
            return;
        case TByteStream::TEnd::Aborted:
            RaiseFailure(TFailureKind::Disconnected);
        case TByteStream::TEnd::TimedOut:
        case TByteStream::TEnd::Ended:
            RaiseFailure(TFailureKind::TimeOut);
        case TByteStream::TEnd::Failed:
            break;
    }
    std::string reason = Stream->FailureText();
    if (reason.empty()) reason = TFailureText::CommError;
    Close();
    throw EPop3Failure(reason, "", TFailureKind::CommError);
}

// ---- ending -----------------------------------------------------------------------------------

void TPop3Connection::Close() {
    Client->Close();
    CommandNumber = CommandIdle;
}

void TPop3Connection::CloseInOrder() { Stream->Close(); }

[[noreturn]] void TPop3Connection::RaiseFailure(TFailureKind kind, const std::string& serverText) {
    const std::string command = CommandName(CommandNumber);
    Close();
    // A refusal that carries a response code says more than "通信エラー".
    if (kind == TFailureKind::CommError) kind = EPop3Failure::KindOfReply(serverText, kind);
    throw EPop3Failure(EPop3Failure::TextOf(kind), serverText, kind, command);
}

[[noreturn]] void TPop3Connection::RaiseDesync(const std::string& serverText) {
    if (Logging()) Log.Entry(std::string(TFailureText::Desync) + Crlf + Crlf);
    Close();
    throw EPop3Desync(TFailureText::Desync, serverText);
}

const char* TPop3Connection::CommandName(TCommand command) {
    static const char* const names[] = {"",     "USER", "PASS", "APOP", "STAT",
                                        "DELE", "NOOP", "LIST", "TOP",  "UIDL",
                                        "QUIT", "CAPA", "STLS", "RETR", "AUTH"};
    return command >= CommandGreeting && command <= CommandAuth ? names[command] : "";
}

void TPop3Connection::CheckOwner() const {
#ifndef NDEBUG
    // Only Abort may come from another thread; anything else would race the owner's I/O.
    if (Client->Connected() && Owner != std::this_thread::get_id()) {
        std::fputs("TKvSocket used from a thread that does not own it\n", stderr);
        std::abort();
    }
#endif
}

bool TPop3Connection::Logging() const { return LogEnabled && Log.On(); }

void TPop3Connection::WriteLog(const char* bytes, size_t count) {
    if (LogEnabled) Log.Write(bytes, count);
}
