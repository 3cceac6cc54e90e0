#include "pop3/KvSocket.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "pop3/CertQuestion.h"
#include "pop3/LogWriter.h"
#include "pop3/Md5.h"
#include "pop3/ScanListing.h"
#include "pop3/TcpClient.h"
#include "pop3/TlsChannel.h"

namespace {

const char TextNoWinsock[] = "WinSockの初期化失敗";
const char TextNoSocket[] = "ソケット作成失敗";
const char TextNoHost[] = "通信出来ません。";
const char TextNoConnection[] = "接続できません。";
const char TextLoginRefused[] = "ユーザ名、パスワードが違います。";
const char TextCommError[] = "通信エラー";
const char TextTimeOut[] = "タイムアウトしました。";
const char TextDisconnected[] = "切断されています。";
const char TextNoStartTls[] = "このサーバは STARTTLS に対応していません。";
const char TextDesync[] =
    "サーバの応答が送ったコマンドと食い違ったため、接続を切りました。サーバ上のメールは変わっていま"
    "せん。";

const char Crlf[] = "\r\n";

using TClock = std::chrono::steady_clock;

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// word equals upper, an upper-case ASCII word, whatever the case of word.
bool EqualsNoCase(const std::string& word, const char* upper) {
    std::string folded = word;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return folded == upper;
}

// What a single UIDL n reply carries after its number.
std::string UidOf(const std::string& reply) {
    size_t blank = reply.find(' ');
    return blank == std::string::npos ? reply : reply.substr(blank + 1);
}

}  // namespace

TKvSocket::TKvSocket() : Client(std::make_unique<TTcpClient>()), Stream(Client.get()) {}

TKvSocket::~TKvSocket() { Client->Close(); }

bool TKvSocket::Connected() const { return Client->Connected(); }

void TKvSocket::Abort() { Client->Abort(); }

std::string TKvSocket::TlsDescription() const {
    return Client->Connected() ? Stream->Description() : std::string();
}

// ---- connection and framing -------------------------------------------------------------------

void TKvSocket::Connect() {
    CheckOwner();
    if (Client->Connected()) return;
    // The connection belongs to the thread that opens it.
    Owner = std::this_thread::get_id();
    if (Client->Aborted()) RaiseFailure(TFailureKind::Disconnected);
    if (LogEnabled) {
        Log = TLogWriter::Recreate(LogFileName);
        LogStopReason.clear();
        LogEntry(std::string("接続を試みます。") + Crlf);
    }
    OpenConnection();
    if (LogEnabled) LogEntry(std::string("サーバに接続しました。") + Crlf + Crlf);
    if (Security == SecurityTls) StartTls();
    // APOP takes the time stamp of this first greeting, also after STLS.
    const std::string greeting = ReadGreeting();
    if (Security == SecurityStartTls) RequestStartTls();
    if (UseApop)
        LoginApop(greeting);
    else
        LoginUser();
    Capa();
    Stat();
}

std::string TKvSocket::ReadGreeting() {
    CommandNumber = CommandGreeting;
    ReceiveReply(false, false);
    CommandNumber = CommandIdle;
    return LastReply;
}

void TKvSocket::OpenConnection() {
    uint32_t address = 0;
    Client->Resolver = Resolver;
    switch (Client->Resolve(Host, address, TimeOut)) {
        case TTcpClient::TCheck::Aborted:
            RaiseFailure(TFailureKind::Disconnected);
        case TTcpClient::TCheck::TimedOut:
            RaiseFailure(TFailureKind::TimeOut);
        case TTcpClient::TCheck::StartupFailed:
            throw EPop3Failure(TextNoWinsock);
        case TTcpClient::TCheck::SocketFailed:
            throw EPop3Failure(TextNoSocket);
        case TTcpClient::TCheck::NameNotFound:
            throw EPop3Failure(TextNoHost, "", TFailureKind::CommError);
        case TTcpClient::TCheck::Ok:
            break;
    }
    MessageCount = -1;
    CommandNumber = CommandGreeting;
    Stream = Client.get();
    Tls.reset();
    ErrorText.clear();
    Capabilities.clear();
    Framer.Clear();
    bool portValid = Port > 0 && Port <= 65535;
    if (!portValid || !Client->Open(address, static_cast<uint16_t>(Port), TimeOut)) {
        if (Client->Aborted()) RaiseFailure(TFailureKind::Disconnected);
        Client->Close();
        CommandNumber = CommandIdle;
        throw EPop3Failure(TextNoConnection, "", TFailureKind::CommError);
    }
}

void TKvSocket::StartTls() {
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
        if (Logging()) LogEntry(reason + Crlf + (call.empty() ? "" : call + Crlf) + Crlf);
        Client->Close();
        CommandNumber = CommandIdle;
        throw EPop3Failure(reason);
    }
    Stream = Tls.get();
    if (Logging()) LogEntry("暗号化しました: " + Tls->Description() + Crlf + Crlf);
    // One decision for the handshake and for any renegotiation the server starts later.
    Tls->CertificateDecision = [this](const TCertReport& report) {
        return OnCertificate ? OnCertificate(*this, report)
                             : CertQuestion::Decide(report, "") == CertQuestion::TDecision::Accept;
    };
    // Nothing of the login goes out before the certificate is accepted.
    bool accepted = false;
    TCertReport report;
    try {
        report = Tls->CheckCertificate(Host);
        accepted = Tls->CertificateDecision(report);
    } catch (...) {
        Client->Close();
        CommandNumber = CommandIdle;
        throw;
    }
    if (Client->Aborted()) RaiseFailure(TFailureKind::Disconnected);
    if (!accepted) {
        const std::string reason = CertQuestion::RefusalText(report);
        if (Logging()) LogEntry(reason + Crlf + Crlf);
        Client->Close();
        CommandNumber = CommandIdle;
        throw EPop3Failure(reason);
    }
}

void TKvSocket::RequestStartTls() {
    bool refused = false;
    try {
        CommandNumber = CommandStls;
        refused = !Exchange(std::string("STLS") + Crlf, true);
    } catch (const EPop3Failure& failure) {
        // No answer, or none that makes sense: the same as a refusal, unless the user stopped.
        if (Client->Aborted()) throw;
        if (Client->Connected()) Client->Close();
        CommandNumber = CommandIdle;
        throw EPop3Failure(TextNoStartTls, failure.ServerText());
    }
    if (refused) {
        Client->Close();
        CommandNumber = CommandIdle;
        throw EPop3Failure(TextNoStartTls, LastReply);
    }
    // Bytes sent in clear after the "+OK" must not pass for the encrypted server's.
    Framer.Clear();
    StartTls();
}

void TKvSocket::CheckCommandLine(const std::string& text) {
    // A CR, LF or NUL inside the line (say in a user name) would smuggle in a second command.
    size_t body = text.size() >= 2 ? text.size() - 2 : 0;
    if (text.compare(body, 2, Crlf) != 0 || text.find_first_of(std::string("\r\n\0", 3)) < body)
        RaiseFailure(TFailureKind::CommError);
}

// A read or write that did not end in Done ends the session with the matching failure.
void TKvSocket::CheckStreamEnd(TByteStream::TEnd end) {
    switch (end) {
        case TByteStream::TEnd::Done:
            break;
        case TByteStream::TEnd::Aborted:
            RaiseFailure(TFailureKind::Disconnected);
        case TByteStream::TEnd::TimedOut:
        case TByteStream::TEnd::Ended:
            RaiseFailure(TFailureKind::TimeOut);
        case TByteStream::TEnd::Failed:
            RaiseStreamFailure();
    }
}

void TKvSocket::WriteAll(const std::string& bytes) {
    CheckStreamEnd(Stream->WriteAll(bytes.data(), bytes.size()));
    IoLength = static_cast<int32_t>(bytes.size());
}

// Waits for data at most TimeOut, and never past the reply's deadline, then takes what is there.
size_t TKvSocket::ReadAvailable(TClock::time_point deadline) {
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

[[noreturn]] void TKvSocket::RaiseStreamFailure() {
    std::string reason = Stream->FailureText();
    if (reason.empty()) reason = TextCommError;
    Client->Close();
    CommandNumber = CommandIdle;
    throw EPop3Failure(reason, "", TFailureKind::CommError);
}

// A single-line reply: up to its line end, however many reads it takes.
void TKvSocket::ReceiveLine() {
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeOut) * ReplyTimeOuts;
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
void TKvSocket::ReceiveMultiLine(size_t maxLength) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(TimeOut) * ReplyTimeOuts;
    const bool top = CommandNumber == CommandTop;
    for (int reads = 0;; ++reads) {
        switch (Framer.TakeMultiLine(MultiLineText, maxLength)) {
            case TReplyFramer::TFrame::Complete:
                if (top && Logging() && StatusOf(MultiLineText) == TStatus::Positive)
                    LogEntry(std::string("Receive:8 ヘッダ終了") + Crlf + Crlf);
                return;
            case TReplyFramer::TFrame::TooLong:
                RaiseFailure(TFailureKind::CommError);
            case TReplyFramer::TFrame::Incomplete:
                break;
        }
        if (top && reads > 0 && Logging()) LogEntry(std::string("Receive:8 ヘッダ途中") + Crlf);
        ReadAvailable(deadline);
    }
}

TKvSocket::TStatus TKvSocket::StatusOf(const std::string& reply) {
    const size_t lf = reply.find('\n');
    if (TReplyFramer::PositiveLine(reply.data(), lf == std::string::npos ? reply.size() : lf + 1))
        return TStatus::Positive;
    if (StartsWith(reply, "-ERR")) return TStatus::Negative;
    return TStatus::Malformed;
}

std::string TKvSocket::Trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

// The reply trimmed, without its "+OK" and the blanks after it.
std::string TKvSocket::WithoutStatus(const std::string& reply) {
    std::string text = Trimmed(reply);
    if (StartsWith(text, "+OK")) {
        size_t start = 3;
        while (start < text.size() && static_cast<unsigned char>(text[start]) <= ' ') ++start;
        text.erase(0, start);
    }
    return text;
}

// ---- command layer ----------------------------------------------------------------------------

void TKvSocket::LogCommand(const std::string& text) {
    if (!Logging()) return;
    std::string logged = text;
    if (CommandNumber == CommandPass) logged = std::string("PASS パスワード") + Crlf;
    if (CommandNumber == CommandApop) logged = "APOP ユーザ名 MD5Digest";
    LogEntry("Send:" + std::to_string(CommandNumber) + Crlf + logged + Crlf);
}

std::string TKvSocket::SendCommand(const std::string& text) {
    Exchange(text, false);
    return LastReply;
}

bool TKvSocket::Exchange(const std::string& text, bool mayRefuse) {
    CheckOwner();
    LastReply.clear();
    if (!Client->Connected() || Client->Aborted()) RaiseFailure(TFailureKind::Disconnected);
    CheckCommandLine(text);
    // Anything the server sent beyond the last reply was unasked for; it must not pass for the
    // reply to this command.
    Framer.Clear();
    WriteAll(text);
    LogCommand(text);
    const bool refused = ReceiveReply(CommandNumber == CommandTop, mayRefuse);
    CommandNumber = CommandIdle;
    if (refused) return false;
    LastReply = WithoutStatus(LastReply);
    return true;
}

bool TKvSocket::Pipeline(TCommand command, size_t count, bool multiLine,
                         const std::function<std::string(size_t)>& line,
                         const std::function<void(size_t)>& before,
                         const std::function<void(size_t)>& replied, bool closeWithStat,
                         bool mayRefuse) {
    CheckOwner();
    if (!Client->Connected() || Client->Aborted()) RaiseFailure(TFailureKind::Disconnected);
    const bool ahead = Pipelining();
    const size_t window = ahead ? MaxPipelinedCommands : 1;
    // A reply cut short by a "." line the server forgot to stuff leaves every later reply one
    // behind, and the status line of a TOP reply looks like any other. A closing STAT, whose
    // reply must repeat the message count, shows such a shift however the bytes arrive.
    const bool closingStat =
        ahead && closeWithStat && count > 0 && MessageCount >= 0 && MessageCount != NoCountInStat;
    const size_t total = count + (closingStat ? 1 : 0);
    auto commandOf = [command, count](size_t i) { return i < count ? command : CommandStat; };
    std::vector<size_t> lengths(window);
    size_t sent = 0, done = 0, bytes = 0;
    bool answered = true;
    AheadOfReplies = ahead;
    try {
        while (done < total) {
            // Topped up when half empty, so that one write carries many commands.
            if (sent < total && sent - done <= window / 2) {
                if (sent == done) TakeUnasked();
                Outgoing.clear();
                const size_t first = sent;
                while (sent < total && sent - done < window) {
                    const std::string text = sent < count ? line(sent) : "STAT" + std::string(Crlf);
                    CommandNumber = commandOf(sent);
                    CheckCommandLine(text);
                    if (sent > done && bytes + text.size() > MaxPipelinedBytes) break;
                    Outgoing += text;
                    bytes += text.size();
                    lengths[sent % window] = text.size();
                    ++sent;
                }
                CommandNumber = command;
                WriteAll(Outgoing);
                for (size_t at = 0, i = first; i < sent && Logging();
                     at += lengths[i % window], ++i) {
                    CommandNumber = commandOf(i);
                    LogCommand(Outgoing.substr(at, lengths[i % window]));
                }
            }
            if (done < count && before) before(done);
            CommandNumber = commandOf(done);
            bool refused = false;
            if (done < count) {
                refused = ReceiveReply(multiLine, mayRefuse);
                answered = answered && !refused;
            } else {
                refused = ReceiveReply(false, true);
                if (refused || ParseNumber(CommandStat, WithoutStatus(LastReply)) != MessageCount)
                    RaiseDesync(LastReply);
            }
            bytes -= lengths[done % window];
            ++done;
            // Every reply asked for is in: anything more belongs to no command.
            if (ahead && done == sent && Framer.Buffered() > 0)
                RaiseDesync(TReplyFramer::StatusLine(LastReply));
            if (done <= count && !refused && replied) replied(done - 1);
        }
    } catch (...) {
        // Replies still on their way would be taken for the answers to later commands.
        if (sent > done && Client->Connected()) Client->Close();
        CommandNumber = CommandIdle;
        AheadOfReplies = false;
        throw;
    }
    CommandNumber = CommandIdle;
    AheadOfReplies = false;
    return answered;
}

// Bytes received beyond the last reply, before new commands go out. A server that takes
// commands ahead of their replies has lost count of them; from any other they are dropped, so that
// they do not pass for the reply to the next command.
void TKvSocket::TakeUnasked() {
    if (AheadOfReplies && Framer.Buffered() > 0) RaiseDesync(std::string());
    Framer.Clear();
}

[[noreturn]] void TKvSocket::RaiseDesync(const std::string& serverText) {
    if (Logging()) LogEntry(std::string(TextDesync) + Crlf + Crlf);
    if (Client->Connected()) Client->Close();
    CommandNumber = CommandIdle;
    throw EPop3Desync(TextDesync, serverText);
}

void TKvSocket::ReadReply() {
    CheckOwner();
    ReceiveReply(CommandNumber == CommandTop, false);
}

void TKvSocket::CheckOwner() const {
#ifndef NDEBUG
    // Only Abort may come from another thread; anything else would race the owner's I/O.
    if (Client->Connected() && Owner != std::this_thread::get_id()) {
        std::fputs("TKvSocket used from a thread that does not own it\n", stderr);
        std::abort();
    }
#endif
}

bool TKvSocket::ReceiveReply(bool multiLine, bool mayRefuse) {
    if (!multiLine) {
        ReceiveLine();
        return HandleReply(StatusOf(LastReply), false, mayRefuse);
    }
    ReceiveMultiLine(CommandNumber == CommandTop ? MaxHeaderLength : MaxListingLength);
    const TStatus status = StatusOf(MultiLineText);
    if (status != TStatus::Positive) LastReply = MultiLineText;  // the status line alone
    return HandleReply(status, true, mayRefuse);
}

// LastReply holds the reply as received (for a multi-line one, its status line when negative).
bool TKvSocket::HandleReply(TStatus status, bool multiLine, bool mayRefuse) {
    if (status != TStatus::Positive) {
        if (CommandNumber != CommandTop && Logging())
            LogEntry("Receive:" + std::to_string(CommandNumber) + " ERROR" + Crlf + LastReply +
                     Crlf);
        LastReply = Trimmed(LastReply);
        if (status == TStatus::Malformed) {
            // Where a reply is due, a line that cannot start one is the rest of an earlier reply.
            if (AheadOfReplies) RaiseDesync(LastReply);
            RaiseFailure(TFailureKind::CommError, LastReply);
        }
        if (mayRefuse) return true;
        if (CommandNumber == CommandNoop) {
            CommandNumber = CommandIdle;
            throw EPop3Failure("", LastReply);
        }
        RaiseFailure(TFailureKind::CommError, LastReply);
    }
    if (multiLine) {
        // A message's text stays out of the log; its status line is enough.
        if (CommandNumber == CommandRetr && Logging())
            LogEntry(std::string("Receive:13") + Crlf + TReplyFramer::StatusLine(MultiLineText) +
                     Crlf);
        else if (CommandNumber != CommandTop && Logging())
            LogEntry("Receive:" + std::to_string(CommandNumber) + Crlf + MultiLineText + Crlf);
        LastReply = MultiLineText;
        return false;
    }
    if (Logging()) LogEntry("Receive:" + std::to_string(CommandNumber) + Crlf + LastReply + Crlf);
    LastReply = Trimmed(LastReply);
    return false;
}

[[noreturn]] void TKvSocket::RaiseFailure(TFailureKind kind, const std::string& serverText) {
    if (Client->Connected()) Client->Close();
    const std::string command = CommandName(CommandNumber);
    CommandNumber = CommandIdle;
    // A refusal that carries a response code says more than "通信エラー".
    if (kind == TFailureKind::CommError) kind = EPop3Failure::KindOfReply(serverText, kind);
    const char* coded = EPop3Failure::TextOfCode(kind);
    const char* text = coded                                ? coded
                       : kind == TFailureKind::TimeOut      ? TextTimeOut
                       : kind == TFailureKind::Disconnected ? TextDisconnected
                                                            : TextCommError;
    throw EPop3Failure(text, serverText, kind, command);
}

const char* TKvSocket::CommandName(TCommand command) {
    static const char* const names[] = {"",     "USER", "PASS", "APOP", "STAT", "DELE", "NOOP",
                                        "LIST", "TOP",  "UIDL", "QUIT", "CAPA", "STLS", "RETR"};
    return command >= CommandGreeting && command <= CommandRetr ? names[command] : "";
}

void TKvSocket::WriteLog(const char* bytes, size_t count) {
    if (!LogEnabled || !Log) return;
    try {
        Log->Write(bytes, count);
    } catch (const EPop3Failure& failure) {
        // The exchange must stay in step: the log stops, the mail work goes on.
        Log.reset();
        LogStopReason = failure.what();
        if (OnLogStopped) OnLogStopped(*this);
    }
}

void TKvSocket::LogEntry(const std::string& entry) { WriteLog(entry.data(), entry.size()); }

bool TKvSocket::Logging() const { return LogEnabled && Log; }

void TKvSocket::LoginUser() {
    LoginStep(CommandUser, "USER " + UserName + Crlf);
    LoginPass();
}

void TKvSocket::LoginPass() { LoginStep(CommandPass, "PASS " + Password + Crlf); }

void TKvSocket::LoginApop(const std::string& greeting) {
    // The time stamp runs from the first "<" to the next ">", brackets included.
    size_t open = greeting.find('<');
    size_t close = open == std::string::npos ? open : greeting.find('>', open);
    if (close == std::string::npos) {
        // Without a time stamp the digest would be an unsalted hash of the password alone; a
        // server that sends none cannot take APOP, so nothing is sent.
        ErrorText = TextLoginRefused;
        throw EPop3Failure(ErrorText, LastReply, TFailureKind::LoginRefused);
    }
    std::string digest = TMd5::Hex(greeting.substr(open, close - open + 1) + Password);
    LoginStep(CommandApop, "APOP " + UserName + " " + digest + Crlf);
}

void TKvSocket::LoginStep(TCommand command, const std::string& text) {
    CommandNumber = command;
    if (Exchange(text, true)) return;
    // The connection stays for a QUIT. A response code tells a locked mailbox, a login too soon
    // and a passing trouble of the server from a wrong password.
    const TFailureKind kind = EPop3Failure::KindOfReply(LastReply, TFailureKind::LoginRefused);
    const char* coded = EPop3Failure::TextOfCode(kind);
    ErrorText = coded ? coded : kind == TFailureKind::Temporary ? TextCommError : TextLoginRefused;
    throw EPop3Failure(ErrorText, LastReply, kind, CommandName(command));
}

void TKvSocket::Capa() {
    Capabilities.clear();
    // A refusal means no capabilities.
    Pipeline(
        CommandCapa, 1, true, [](size_t) { return std::string("CAPA") + Crlf; }, nullptr,
        [this](size_t) {
            std::vector<std::string> lines;
            SplitHeader(MultiLineText, lines);
            lines.pop_back();  // the "." line
            for (std::string& line : lines) Capabilities.push_back(Trimmed(line));
            for (const std::string& line : Capabilities) {
                int32_t seconds = 0;
                const size_t blank = line.find(' ');
                // "LOGIN-DELAY 900" or "LOGIN-DELAY 900 USER"
                if (blank == 11 && EqualsNoCase(line.substr(0, blank), "LOGIN-DELAY") &&
                    TScanListing::Number(line.substr(12, line.find(' ', 12) - 12), seconds))
                    LoginDelay = seconds;
            }
        },
        false, true);
}

bool TKvSocket::Pipelining() const {
    for (const std::string& line : Capabilities)
        if (EqualsNoCase(line.substr(0, line.find(' ')), "PIPELINING")) return true;
    return false;
}

void TKvSocket::Stat() {
    CommandNumber = CommandStat;
    MessageCount = ParseNumber(CommandStat, SendCommand(std::string("STAT") + Crlf));
    if (OnStat) OnStat(*this);
}

int32_t TKvSocket::ParseNumber(TCommand kind, const std::string& text) {
    int32_t value = 0;
    size_t blank = text.find(' ');
    if (kind == CommandStat) {
        return TScanListing::Number(text.substr(0, blank), value) ? value : NoCountInStat;
    }
    if (kind == CommandList) {
        std::string rest = blank == std::string::npos ? text : text.substr(blank + 1);
        return TScanListing::Number(rest, value) ? value : 0;
    }
    return 0;
}

void TKvSocket::Dele(int32_t n) {
    CommandNumber = CommandDele;
    SendCommand("DELE " + std::to_string(n) + Crlf);
}

void TKvSocket::DeleAll(const std::vector<int32_t>& numbers) {
    Pipeline(
        CommandDele, numbers.size(), false,
        [&numbers](size_t i) { return "DELE " + std::to_string(numbers[i]) + Crlf; }, nullptr,
        nullptr);
}

bool TKvSocket::Retr(int32_t n, const std::function<void(const char*, size_t)>& message) {
    return Pipeline(
        CommandRetr, 1, true, [n](size_t) { return "RETR " + std::to_string(n) + Crlf; }, nullptr,
        [this, &message](size_t) {
            const size_t body = MultiLineText.find('\n') + 1;
            message(MultiLineText.data() + body, MultiLineText.size() - body);
        },
        false, true);
}

void TKvSocket::TopEach(const std::vector<int32_t>& numbers,
                        const std::function<void(size_t, const std::vector<std::string>&)>& header,
                        bool closeWithStat) {
    Pipeline(
        CommandTop, numbers.size(), true,
        [&numbers](size_t i) { return "TOP " + std::to_string(numbers[i]) + " 0" + Crlf; }, nullptr,
        [this, &header](size_t i) {
            SplitHeader(MultiLineText, HeaderLines);
            if (header) header(i, HeaderLines);
        },
        closeWithStat);
}

bool TKvSocket::Noop() {
    try {
        CommandNumber = CommandNoop;
        SendCommand(std::string("NOOP") + Crlf);
        return true;
    } catch (const std::exception&) {
        CommandNumber = CommandIdle;
        return false;
    }
}

int32_t TKvSocket::List(int32_t n) {
    CommandNumber = CommandList;
    return ParseNumber(CommandList, SendCommand("LIST " + std::to_string(n) + Crlf));
}

std::vector<int32_t> TKvSocket::ListAll() {
    std::vector<int32_t> sizes;
    Pipeline(
        CommandList, 1, true, [](size_t) { return std::string("LIST") + Crlf; }, nullptr,
        [this, &sizes](size_t) {
            std::string offending;
            if (!TScanListing::Sizes(MultiLineText, MessageCount, sizes, &offending))
                RaiseFailure(TFailureKind::CommError, offending);
        });
    return sizes;
}

std::string TKvSocket::Uidl(int32_t n) {
    CommandNumber = CommandUidl;
    return UidOf(SendCommand("UIDL " + std::to_string(n) + Crlf));
}

std::vector<std::string> TKvSocket::UidlAll() {
    std::vector<std::string> uids;
    const bool listed = Pipeline(
        CommandUidl, 1, true, [](size_t) { return std::string("UIDL") + Crlf; }, nullptr,
        [this, &uids](size_t) {
            std::string offending;
            if (!TScanListing::Uids(MultiLineText, MessageCount, uids, &offending))
                RaiseFailure(TFailureKind::CommError, offending);
        },
        false, true);
    if (listed) return uids;
    // A server without the listing still answers for each message, checked as strictly as the
    // listing: "n id" for the n asked, and no more than the listing's bytes in all.
    size_t received = 0;
    Pipeline(
        CommandUidl, static_cast<size_t>(std::max(MessageCount, 0)), false,
        [](size_t i) { return "UIDL " + std::to_string(i + 1) + Crlf; }, nullptr,
        [this, &uids, &received](size_t i) {
            const std::string reply = WithoutStatus(LastReply);
            const size_t blank = reply.find(' ');
            int32_t number = 0;
            received += reply.size() + sizeof(std::string);
            const bool numbered =
                blank != std::string::npos && TScanListing::Number(reply.substr(0, blank), number);
            // Sent ahead, the reply for another message is one that lost its place.
            if (numbered && static_cast<size_t>(number) != i + 1 && AheadOfReplies)
                RaiseDesync(LastReply);
            if (!numbered || static_cast<size_t>(number) != i + 1 ||
                !TScanListing::ValidUid(reply.substr(blank + 1)) || received > MaxListingLength)
                RaiseFailure(TFailureKind::CommError, LastReply);
            uids.push_back(reply.substr(blank + 1));
        });
    return uids;
}

const std::vector<std::string>& TKvSocket::Top(int32_t n) {
    HeaderLines.clear();
    MultiLineText.clear();
    Pipeline(
        CommandTop, 1, true, [n](size_t) { return "TOP " + std::to_string(n) + " 0" + Crlf; },
        [this](size_t) {
            if (OnTopStart) OnTopStart(*this);
        },
        [this](size_t) {
            SplitHeader(MultiLineText, HeaderLines);
            if (OnTopEnd) OnTopEnd(*this);
        });
    return HeaderLines;
}

void TKvSocket::TopAll(
    int32_t count, const std::function<void(int32_t)>& starting,
    const std::function<void(int32_t, const std::vector<std::string>&)>& header) {
    Pipeline(
        CommandTop, static_cast<size_t>(std::max(count, 0)), true,
        [](size_t i) { return "TOP " + std::to_string(i + 1) + " 0" + Crlf; },
        [this, &starting](size_t i) {
            if (starting) starting(static_cast<int32_t>(i + 1));
            if (OnTopStart) OnTopStart(*this);
        },
        [this, &header](size_t i) {
            SplitHeader(MultiLineText, HeaderLines);
            if (OnTopEnd) OnTopEnd(*this);
            if (header) header(static_cast<int32_t>(i + 1), HeaderLines);
        },
        true);
}

// The header starts after the status line, whatever that line carries; the text ends in
// "." CR LF. Lines end in CR LF, a bare LF or a lone CR; a line the server dot-stuffed loses one
// ".".
void TKvSocket::SplitHeader(const std::string& reply, std::vector<std::string>& lines) {
    size_t used = 0;
    auto add = [&lines, &used](const char* text, size_t length) {
        if (used < lines.size()) {
            lines[used].assign(text, length);
        } else {
            lines.emplace_back(text, length);
        }
        ++used;
    };
    const size_t statusEnd = reply.find('\n');
    size_t start = statusEnd == std::string::npos ? reply.size() : statusEnd + 1;
    size_t end = reply.size();
    if (end >= 3 && reply.compare(end - 3, 3, ".\r\n") == 0) end -= 3;  // at the final "."
    const char* data = reply.data();
    while (start < end) {
        size_t lf = reply.find('\n', start);
        if (lf == std::string::npos || lf > end) lf = end;
        size_t stop = lf;
        if (stop > start && data[stop - 1] == '\r') --stop;
        if (const void* cr = std::memchr(data + start, '\r', stop - start)) {
            stop = static_cast<size_t>(static_cast<const char*>(cr) - data);
            lf = stop + (stop + 1 < reply.size() && data[stop + 1] == '\n' ? 1 : 0);
        }
        const size_t skip = stop - start >= 2 && data[start] == '.' && data[start + 1] == '.';
        add(data + start + skip, stop - start - skip);
        start = lf + 1;
    }
    add(".", 1);
    lines.resize(used);
}

bool TKvSocket::Quit() {
    CheckOwner();
    if (!Client->Connected()) return false;
    CommandNumber = CommandQuit;
    bool confirmed = false;
    try {
        SendCommand(std::string("QUIT") + Crlf);
        confirmed = true;
    } catch (const std::exception&) {
    }
    Stream->Close();
    CommandNumber = CommandIdle;
    return confirmed;
}
