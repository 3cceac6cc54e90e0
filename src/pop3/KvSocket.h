#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "pop3/ByteStream.h"
#include "pop3/CertReport.h"
#include "pop3/HostLookup.h"
#include "pop3/Pop3Failure.h"
#include "pop3/ReplyFramer.h"

class TTcpClient;
class TTlsChannel;
class TLogWriter;

// One client connection to a POP3 server, owned and used by one thread (the account's worker).
// Connect() runs the protocol's opening one step after another: greeting, STLS when asked, login
// (USER/PASS or APOP), CAPA, STAT, then raises OnStat, inside which the owner issues the
// per-message commands.
class TKvSocket {
public:
    // Longest single-line reply accepted; a server that never ends its line is cut off here.
    static constexpr size_t MaxLineLength = 64 * 1024;
    // Longest TOP reply accepted (status line, header and terminator).
    static constexpr size_t MaxHeaderLength = 4 * 1024 * 1024;
    // Longest LIST or UIDL listing of a whole mailbox (some 800 000 messages with long ids).
    static constexpr size_t MaxListingLength = 64 * 1024 * 1024;
    // At most this many bytes are taken per read.
    static constexpr size_t ReadSize = 64 * 1024;
    // A reply must be whole within this many TimeOuts, however it trickles in.
    static constexpr int ReplyTimeOuts = 10;
    // Commands sent ahead of their replies to a server that pipelines. The byte bound stays far
    // below any socket buffer, so that a write never waits for the server to read while the
    // server waits for us to read its replies.
    static constexpr size_t MaxPipelinedCommands = 64;
    static constexpr size_t MaxPipelinedBytes = 2048;
    static constexpr int32_t NoCountInStat = 100000000;
    // The command in progress, by the number the communication log shows for it.
    enum TCommand : int32_t {
        CommandIdle = -1,
        CommandGreeting = 0,
        CommandUser = 1,
        CommandPass = 2,
        CommandApop = 3,
        CommandStat = 4,
        CommandDele = 5,
        CommandNoop = 6,
        CommandList = 7,
        CommandTop = 8,
        CommandUidl = 9,
        CommandQuit = 10,
        CommandCapa = 11,
        CommandStls = 12,
        CommandRetr = 13
    };
    // Security: plain text, TLS from the first byte, or STLS after the greeting.
    enum TSecurity { SecurityNone = 0, SecurityTls = 1, SecurityStartTls = 2 };

    TKvSocket();
    ~TKvSocket();
    TKvSocket(const TKvSocket&) = delete;
    TKvSocket& operator=(const TKvSocket&) = delete;

    std::vector<std::string> HeaderLines;  // result of the last Top; the caller copies it
    std::function<void(TKvSocket&)> OnTopStart;
    std::function<void(TKvSocket&)> OnTopEnd;
    std::function<void(TKvSocket&)> OnStat;  // after STAT has set MessageCount
    // Raised once when a log write failed and logging stopped for this connection (LogStopReason
    // says why); the mail work goes on.
    std::function<void(TKvSocket&)> OnLogStopped;
    // The server certificate, judged for Host, before anything of the login is sent: true goes
    // on. Without it only a certificate that passed the check is accepted.
    std::function<bool(TKvSocket&, const TCertReport&)> OnCertificate;
    int32_t Security = SecurityNone;
    bool UseApop = false;
    int32_t MessageCount = -1;  // -1 from Connect until STAT is answered
    TCommand CommandNumber = CommandIdle;
    std::string MultiLineText;  // the TOP reply as accumulated
    std::string ErrorText;      // what Connect raises when the login ended without STAT
    int32_t IoLength = 0;       // bytes in the I/O buffer (last command sent or block read)
    std::string Password;
    std::string UserName;
    std::string Host;                 // host name or dotted IPv4 address
    THostLookup::TResolver Resolver;  // looks Host up; empty: the system's lookup
    std::string LogFileName;
    int32_t Port = 110;
    int32_t TimeOut = 20000;  // milliseconds without data before a wait gives up
    bool LogEnabled = false;
    std::string LastReply;
    std::string LogStopReason;
    // The server's CAPA lines on this connection; empty when it has none.
    std::vector<std::string> Capabilities;
    // Seconds the server wants between logins, from its CAPA "LOGIN-DELAY"; -1 when it never
    // said. Kept across connections, as the next login may be refused for it.
    int32_t LoginDelay = -1;

    // Opens the connection and runs greeting, login and STAT; nothing when already connected. A
    // refused login throws ErrorText, the connection left standing for a QUIT.
    void Connect();
    // Sends one command line (ending in CR LF) and returns its reply without "+OK" and the blanks
    // after it; a refusal throws. CommandNumber is set by the caller.
    std::string SendCommand(const std::string& text);
    // Reads one whole reply into LastReply (for TOP up to the closing "."); a refusal throws.
    void ReadReply();
    // Closes the connection and throws the kind's text: "通信エラー", "タイムアウトしました。" or
    // "切断されています。".
    [[noreturn]] void RaiseFailure(TFailureKind kind,
                                   const std::string& serverText = std::string());
    // Appends count bytes to the communication log as one entry (never split by another session).
    void WriteLog(const char* bytes, size_t count);

    // The login steps. A refusal throws EPop3Failure with ErrorText, its kind told by the
    // response code (RFC 2449), and leaves the connection standing for a QUIT.
    void LoginUser();  // USER, then PASS
    void LoginPass();
    void LoginApop(const std::string& greeting);
    // The command's word as a failure names it ("STAT"); "" for the greeting and for none.
    static const char* CommandName(TCommand command);
    void Stat();
    void Dele(int32_t n);
    bool Noop();  // never throws
    int32_t List(int32_t n);
    const std::vector<std::string>& Top(int32_t n);
    std::string Uidl(int32_t n);
    // Only when connected; ignores failures, then closes. True when the server confirmed with
    // "+OK", which is when it carries out the deletions.
    bool Quit();
    static int32_t ParseNumber(TCommand kind, const std::string& text);

    // Asks CAPA once after the login; a refusal means no capabilities.
    void Capa();
    bool Pipelining() const;
    // Sizes of all messages from one LIST (index n - 1 for message n).
    std::vector<int32_t> ListAll();
    // Unique ids of all messages from one UIDL; from one UIDL n per message when the server
    // refuses the listing, each reply checked like a line of the listing.
    std::vector<std::string> UidlAll();
    // TOP n 0 for n from 1 to count, ahead of the replies when the server pipelines, then a STAT
    // that shows they stayed in step (EPop3Desync when not). starting(n) comes before reply n is
    // read, then OnTopStart, OnTopEnd and header(n, HeaderLines).
    void TopAll(int32_t count, const std::function<void(int32_t)>& starting,
                const std::function<void(int32_t, const std::vector<std::string>&)>& header);
    // TOP n 0 for each of numbers, ahead of the replies when the server pipelines; header(i, lines)
    // after the reply to numbers[i]. Raises neither OnTopStart nor OnTopEnd. With closeWithStat
    // a batch sent ahead closes with a STAT, as TopAll's does.
    void TopEach(const std::vector<int32_t>& numbers,
                 const std::function<void(size_t, const std::vector<std::string>&)>& header,
                 bool closeWithStat = false);
    // RETR n: message(bytes, count) is given the reply after its status line as it came (still
    // dot-stuffed, through its "." line). False when the server refused; the connection stands.
    // A message longer than MaxListingLength fails like an overlong listing.
    bool Retr(int32_t n, const std::function<void(const char*, size_t)>& message);
    // DELE for each number, ahead of the replies when the server pipelines. The first refusal
    // ends the connection without QUIT, so that the server deletes none of them.
    void DeleAll(const std::vector<int32_t>& numbers);
    // The header lines of a TOP reply as framed (status line and "." line included): every line
    // after the status line, dot-unstuffed, then ".". Reuses the strings lines already holds.
    static void SplitHeader(const std::string& reply, std::vector<std::string>& lines);

    bool Connected() const;
    // Protocol and cipher of the encrypted connection that stands; empty for plain text.
    std::string TlsDescription() const;
    // Callable from any thread: ends a blocked connect or wait promptly with "切断されています。"
    // and makes every later Connect or command fail the same way at once.
    void Abort();

private:
    enum class TStatus { Positive, Negative, Malformed };

    // Line layer: frames bytes only. All I/O goes through WriteAll and ReadAvailable to Stream.
    void OpenConnection();
    // The greeting, trimmed; a negative one throws.
    std::string ReadGreeting();
    // Handshake, then the certificate decision; throws when either fails.
    void StartTls();
    // STLS after the greeting; a refusal ends the connection, never a fall-back to plain text.
    void RequestStartTls();
    void WriteAll(const std::string& bytes);
    // A read or write failed: closes the connection and throws what the stream says.
    [[noreturn]] void RaiseStreamFailure();
    void CheckStreamEnd(TByteStream::TEnd end);
    size_t ReadAvailable(std::chrono::steady_clock::time_point deadline);
    void CheckCommandLine(const std::string& text);
    void ReceiveLine();
    void ReceiveMultiLine(size_t maxLength);
    // Command layer. With mayRefuse a "-ERR" reply is an answer (true: refused), otherwise it
    // throws; every other failure throws.
    bool ReceiveReply(bool multiLine, bool mayRefuse);
    // Sends text and reads its one-line reply into LastReply (without "+OK"); false when refused.
    bool Exchange(const std::string& text, bool mayRefuse);
    void LoginStep(TCommand command, const std::string& text);
    void LogCommand(const std::string& text);
    // Sends line(i) for i from 0 to count - 1 as command, replied(i) after each reply in turn.
    // before(i) runs just before reply i is read. Replies that cannot be read any more once a
    // failure is thrown close the connection. Sent ahead of the replies, a batch whose replies
    // do not match the commands throws EPop3Desync; closeWithStat ends it with a STAT whose reply
    // must repeat MessageCount. With mayRefuse a "-ERR" reply skips its replied() and the result
    // is false; otherwise it throws.
    bool Pipeline(TCommand command, size_t count, bool multiLine,
                  const std::function<std::string(size_t)>& line,
                  const std::function<void(size_t)>& before,
                  const std::function<void(size_t)>& replied, bool closeWithStat = false,
                  bool mayRefuse = false);
    void TakeUnasked();
    [[noreturn]] void RaiseDesync(const std::string& serverText);
    bool HandleReply(TStatus status, bool multiLine, bool mayRefuse);
    void LogEntry(const std::string& entry);
    // Entries are only built while the log is written.
    bool Logging() const;
    static TStatus StatusOf(const std::string& reply);
    static std::string Trimmed(const std::string& text);
    static std::string WithoutStatus(const std::string& reply);

    // The connection, and the TLS channel over it once encrypted. Every byte goes through Stream,
    // which is one of them; Client alone opens, closes abruptly and tells an abort.
    std::unique_ptr<TTcpClient> Client;
    std::unique_ptr<TTlsChannel> Tls;
    TByteStream* Stream = nullptr;
    TReplyFramer Framer;   // the session's one receive buffer
    std::string Outgoing;  // commands of one window, reused
    std::shared_ptr<TLogWriter> Log;
    bool AheadOfReplies = false;
    // The thread that opened the connection; debug builds stop when another uses it.
    std::thread::id Owner;
    void CheckOwner() const;  // in a batch of commands sent ahead of their replies
};
