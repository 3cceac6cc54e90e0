#include "pop3/KvSocket.h"

#include <algorithm>
#include <utility>

#include "pop3/LogWriter.h"
#include "pop3/Md5.h"
#include "pop3/TcpClient.h"

namespace {

// Size of the session's I/O block; only ReadSize bytes of it are used per read.
constexpr size_t IoBufferSize = 65536;

const char TextNoWinsock[] = "WinSockの初期化失敗";
const char TextNoSocket[] = "ソケット作成失敗";
const char TextNoHost[] = "通信出来ません。";
const char TextNoConnection[] = "接続できません。";
const char TextLoginRefused[] = "ユーザ名、パスワードが違います。";
const char TextCommError[] = "通信エラー";
const char TextTimeOut[] = "タイムアウトしました。";
const char TextDisconnected[] = "切断されています。";

const char Crlf[] = "\r\n";
const char MultiLineEnd[] = "\r\n.\r\n";

bool IsLogin(int32_t command) { return command >= 1 && command <= 3; }

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// The status line of a reply: up to its first LF (the whole text when it has none).
std::string StatusLine(const std::string& reply) { return reply.substr(0, reply.find('\n')); }

// A decimal number of digits only, within int32; false for anything else.
bool ToInt32(const std::string& text, int32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    int64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n > INT32_MAX) return false;
    value = static_cast<int32_t>(n);
    return true;
}

}  // namespace

TKvSocket::TKvSocket() : Client(std::make_unique<TTcpClient>()), IoBuffer(IoBufferSize) {}

TKvSocket::~TKvSocket() { Client->Close(); }

bool TKvSocket::Connected() const { return Client->Connected(); }

void TKvSocket::Abort() { Client->Abort(); }

// ---- connection and framing -------------------------------------------------------------------

void TKvSocket::Connect() {
    if (Client->Connected()) return;
    if (Client->Aborted()) RaiseFailure(5);
    if (LogEnabled) {
        Log = TLogWriter::Recreate(LogFileName);
        LogEntry(std::string("接続を試みます。") + Crlf);
    }
    OpenConnection();
    if (LogEnabled) LogEntry(std::string("サーバに接続しました。") + Crlf + Crlf);
    ReadReply();
    if (MessageCount == -1) throw EPop3Failure(ErrorText, LastReply);
}

void TKvSocket::OpenConnection() {
    uint32_t address = 0;
    switch (TTcpClient::Resolve(Host, address)) {
    case TTcpClient::TCheck::StartupFailed: throw EPop3Failure(TextNoWinsock);
    case TTcpClient::TCheck::SocketFailed: throw EPop3Failure(TextNoSocket);
    case TTcpClient::TCheck::NameNotFound: throw EPop3Failure(TextNoHost);
    case TTcpClient::TCheck::Ok: break;
    }
    MessageCount = -1;
    CommandNumber = 0;
    ErrorText.clear();
    Pending.clear();
    bool portValid = Port > 0 && Port <= 65535;
    if (!portValid || !Client->Open(address, static_cast<uint16_t>(Port), TimeOut)) {
        if (Client->Aborted()) RaiseFailure(5);
        Client->Close();
        CommandNumber = -1;
        throw EPop3Failure(TextNoConnection);
    }
}

void TKvSocket::SendLine(const std::string& text) {
    // A CR, LF or NUL inside the line (say in a user name) would smuggle in a second command.
    size_t body = text.size() >= 2 ? text.size() - 2 : 0;
    if (text.compare(body, 2, Crlf) != 0 || text.find_first_of(std::string("\r\n\0", 3)) < body)
        RaiseFailure(1);
    IoLength = static_cast<int32_t>(text.size());
    // Anything the server sent beyond the last reply was unasked for; it must not pass for the
    // reply to this command.
    Pending.clear();
    size_t written = Client->Write(text.data(), text.size());
    if (Client->Aborted()) RaiseFailure(5);
    if (written == 0) RaiseFailure(4);
    if (written < text.size()) {
        std::string reason = TTcpClient::LastErrorText();
        Client->Close();
        CommandNumber = -1;
        throw EPop3Failure(reason);
    }
}

size_t TKvSocket::ReadBlock() {
    if (Client->Aborted()) RaiseFailure(5);
    switch (Client->WaitReadable(TimeOut)) {
    case TTcpClient::TWait::Aborted: RaiseFailure(5);
    case TTcpClient::TWait::TimedOut: RaiseFailure(4);
    case TTcpClient::TWait::Readable: break;
    }
    long n = Client->Read(IoBuffer.data(), ReadSize);
    if (Client->Aborted()) RaiseFailure(5);
    if (n == 0) RaiseFailure(4);
    if (n < 0) {
        std::string reason = TTcpClient::LastErrorText();
        Client->Close();
        CommandNumber = -1;
        throw EPop3Failure(reason);
    }
    IoLength = static_cast<int32_t>(n);
    return static_cast<size_t>(n);
}

// A single-line reply: up to its line end, however many reads it takes. A bare LF ends it too, as
// some servers send one.
void TKvSocket::ReceiveLine() {
    LastReply = std::move(Pending);
    Pending.clear();
    size_t end;
    while ((end = LastReply.find('\n')) == std::string::npos) {
        if (LastReply.size() >= MaxLineLength) RaiseFailure(1, LastReply.substr(0, 256));
        size_t n = ReadBlock();
        LastReply.append(IoBuffer.data(), n);
    }
    Pending = LastReply.substr(end + 1);
    LastReply.resize(end + 1);
}

// The TOP reply: status line, then header lines up to CR LF "." CR LF, however the reads split it.
// Each block read of a positive reply is logged as "in the middle" or "end".
void TKvSocket::ReceiveMultiLine() {
    MultiLineText = std::move(Pending);
    Pending.clear();
    size_t searchFrom = 0;
    for (;;) {
        bool statusRead = MultiLineText.find('\n') != std::string::npos;
        if (statusRead && StatusOf(MultiLineText) != TStatus::Positive) {
            LastReply = StatusLine(MultiLineText) + '\n';
            return;
        }
        size_t end = EndOfMultiLine(MultiLineText, searchFrom);
        if (end != std::string::npos) {
            Pending = MultiLineText.substr(end);
            MultiLineText.resize(end);
            return;
        }
        if (MultiLineText.size() >= MaxHeaderLength) RaiseFailure(1, StatusLine(MultiLineText));
        searchFrom = MultiLineText.size() >= 4 ? MultiLineText.size() - 4 : 0;
        size_t n = ReadBlock();
        MultiLineText.append(IoBuffer.data(), n);
        statusRead = MultiLineText.find('\n') != std::string::npos;
        if (statusRead && StatusOf(MultiLineText) != TStatus::Positive) continue;
        if (EndOfMultiLine(MultiLineText, searchFrom) != std::string::npos)
            LogEntry(std::string("Receive:8 ヘッダ終了") + Crlf + Crlf);
        else
            LogEntry(std::string("Receive:8 ヘッダ途中") + Crlf);
    }
}

// Where the multi-line reply in text ends (just past its "." CR LF), or npos while it goes on.
// The "." may follow the status line at once (an empty header).
size_t TKvSocket::EndOfMultiLine(const std::string& text, size_t searchFrom) {
    size_t statusEnd = text.find('\n');
    if (statusEnd == std::string::npos) return std::string::npos;
    if (text.compare(statusEnd + 1, 3, ".\r\n") == 0) return statusEnd + 4;
    size_t dot = text.find(MultiLineEnd, std::max(searchFrom, statusEnd + 1));
    return dot == std::string::npos ? dot : dot + 5;
}

TKvSocket::TStatus TKvSocket::StatusOf(const std::string& reply) {
    if (StartsWith(reply, "+OK")) return TStatus::Positive;
    if (StartsWith(reply, "-ERR")) return TStatus::Negative;
    return TStatus::Malformed;
}

std::string TKvSocket::Trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

// ---- command layer ----------------------------------------------------------------------------

std::string TKvSocket::SendCommand(const std::string& text) {
    LastReply.clear();
    if (!Client->Connected() || Client->Aborted()) RaiseFailure(5);
    SendLine(text);
    std::string logged = text;
    if (CommandNumber == 2) logged = std::string("PASS パスワード") + Crlf;
    if (CommandNumber == 3) logged = "APOP ユーザ名 MD5Digest";
    LogEntry("Send:" + std::to_string(CommandNumber) + Crlf + logged + Crlf);
    Refused = false;
    ReadReply();
    if (IsLogin(CommandNumber) && Refused) {
        CommandNumber = -1;
        return " ";
    }
    CommandNumber = -1;
    LastReply = Trimmed(LastReply);
    if (StartsWith(LastReply, "+OK")) {
        size_t start = 3;
        while (start < LastReply.size() && static_cast<unsigned char>(LastReply[start]) <= ' ')
            ++start;
        LastReply.erase(0, start);
    }
    return LastReply;
}

void TKvSocket::ReadReply() {
    if (CommandNumber == 8) {
        ReceiveMultiLine();
        HandleReply(StatusOf(MultiLineText));
        return;
    }
    ReceiveLine();
    HandleReply(StatusOf(LastReply));
}

// LastReply holds the reply as received (for TOP, its status line when negative).
void TKvSocket::HandleReply(TStatus status) {
    if (status != TStatus::Positive) {
        if (CommandNumber != 8)
            LogEntry("Receive:" + std::to_string(CommandNumber) + " ERROR" + Crlf + LastReply + Crlf);
        LastReply = Trimmed(LastReply);
        if (status == TStatus::Malformed) RaiseFailure(1, LastReply);
        if (IsLogin(CommandNumber)) {
            ErrorText = TextLoginRefused;
            Refused = true;
            return;
        }
        if (CommandNumber == 6) {
            CommandNumber = -1;
            throw EPop3Failure("", LastReply);
        }
        RaiseFailure(1, LastReply);
    }
    if (CommandNumber == 8) {
        LastReply = MultiLineText;
        return;
    }
    LogEntry("Receive:" + std::to_string(CommandNumber) + Crlf + LastReply + Crlf);
    LastReply = Trimmed(LastReply);
    if (CommandNumber == 0) {
        if (UseApop)
            LoginApop(LastReply);
        else
            LoginUser();
    }
}

[[noreturn]] void TKvSocket::RaiseFailure(int kind, const std::string& serverText) {
    if (Client->Connected()) Client->Close();
    CommandNumber = -1;
    const char* text = kind == 1 ? TextCommError
                       : kind == 4 ? TextTimeOut
                       : kind == 5 ? TextDisconnected
                                   : "";
    throw EPop3Failure(text, serverText);
}

void TKvSocket::WriteLog(const char* bytes, size_t count) {
    if (LogEnabled && Log) Log->Write(bytes, count);
}

void TKvSocket::LogEntry(const std::string& entry) { WriteLog(entry.data(), entry.size()); }

void TKvSocket::LoginUser() {
    CommandNumber = 1;
    if (SendCommand("USER " + UserName + Crlf) == " ") return;
    LoginPass();
}

void TKvSocket::LoginPass() {
    CommandNumber = 2;
    if (SendCommand("PASS " + Password + Crlf) == " ") return;
    Stat();
}

void TKvSocket::LoginApop(const std::string& greeting) {
    // The time stamp runs from the first "<" to the next ">", brackets included.
    size_t open = greeting.find('<');
    size_t close = open == std::string::npos ? open : greeting.find('>', open);
    if (close == std::string::npos) {
        // Without a time stamp the digest would be an unsalted hash of the password alone; a
        // server that sends none cannot take APOP, so nothing is sent.
        ErrorText = TextLoginRefused;
        CommandNumber = -1;
        return;
    }
    std::string digest = TMd5::Hex(greeting.substr(open, close - open + 1) + Password);
    CommandNumber = 3;
    if (SendCommand("APOP " + UserName + " " + digest + Crlf) == " ") return;
    Stat();
}

void TKvSocket::Stat() {
    CommandNumber = 4;
    MessageCount = ParseNumber(4, SendCommand(std::string("STAT") + Crlf));
    if (OnStat) OnStat(*this);
}

int32_t TKvSocket::ParseNumber(int32_t kind, const std::string& text) {
    int32_t value = 0;
    size_t blank = text.find(' ');
    if (kind == 4) {
        return ToInt32(text.substr(0, blank), value) ? value : NoCountInStat;
    }
    if (kind == 7) {
        std::string rest = blank == std::string::npos ? text : text.substr(blank + 1);
        return ToInt32(rest, value) ? value : 0;
    }
    return 0;
}

void TKvSocket::Dele(int32_t n) {
    CommandNumber = 5;
    SendCommand("DELE " + std::to_string(n) + Crlf);
}

bool TKvSocket::Noop() {
    try {
        CommandNumber = 6;
        SendCommand(std::string("NOOP") + Crlf);
        return true;
    } catch (const std::exception&) {
        CommandNumber = -1;
        return false;
    }
}

int32_t TKvSocket::List(int32_t n) {
    CommandNumber = 7;
    return ParseNumber(7, SendCommand("LIST " + std::to_string(n) + Crlf));
}

std::string TKvSocket::Uidl(int32_t n) {
    CommandNumber = 9;
    std::string reply = SendCommand("UIDL " + std::to_string(n) + Crlf);
    size_t blank = reply.find(' ');
    return blank == std::string::npos ? reply : reply.substr(blank + 1);
}

const std::vector<std::string>& TKvSocket::Top(int32_t n) {
    CommandNumber = 8;
    MultiLineText.clear();
    HeaderLines.clear();
    if (OnTopStart) OnTopStart(*this);
    SendCommand("TOP " + std::to_string(n) + " 0" + Crlf);
    // The header starts after the status line, whatever that line carries; the text ends in
    // "." CR LF. Lines end in CR LF or a bare LF; a line the server dot-stuffed loses one ".".
    size_t start = MultiLineText.find('\n') + 1;
    size_t end = MultiLineText.size() - 3;  // at the final "."
    while (start < end) {
        size_t lf = MultiLineText.find('\n', start);
        size_t stop = lf;
        if (stop > start && MultiLineText[stop - 1] == '\r') --stop;
        // A lone CR inside a line ends it as well.
        size_t cr = MultiLineText.find('\r', start);
        if (cr < stop) {
            stop = cr;
            lf = cr + (MultiLineText[cr + 1] == '\n' ? 1 : 0);
        }
        size_t skip = MultiLineText.compare(start, 2, "..") == 0 ? 1 : 0;
        HeaderLines.push_back(MultiLineText.substr(start + skip, stop - start - skip));
        start = lf + 1;
    }
    HeaderLines.push_back(".");
    if (OnTopEnd) OnTopEnd(*this);
    return HeaderLines;
}

void TKvSocket::Quit() {
    if (!Client->Connected()) return;
    CommandNumber = 10;
    try {
        SendCommand(std::string("QUIT") + Crlf);
    } catch (const std::exception&) {
    }
    Client->Close();
    CommandNumber = -1;
}
