#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "pop3/ByteStream.h"
#include "pop3/CertReport.h"
#include "pop3/HostLookup.h"
#include "pop3/Pop3Failure.h"
#include "pop3/Pop3Reply.h"
#include "pop3/ReplyFramer.h"
#include "pop3/SessionLog.h"

class TTcpClient;
class TTlsChannel;

// The line layer under the POP3 session (TKvSocket): one connection opened (TCP, then TLS and
// the certificate decision when asked), command lines written and replies framed from it, the
// failures that close it, and the communication log. Every byte goes through one TByteStream.
// Owned and used by one thread; only Abort may come from another.
class TPop3Connection {
public:
    // Longest single-line reply accepted; a server that never ends its line is cut off here.
    static constexpr size_t MaxLineLength = 64 * 1024;
    // Longest TOP reply accepted (status line, header and terminator).
    static constexpr size_t MaxHeaderLength = 4 * 1024 * 1024;
    // Longest LIST or UIDL listing of a whole mailbox (some 800 000 messages with long ids).
    static constexpr size_t MaxListingLength = 64 * 1024 * 1024;
    // What a message's text may exceed its listed size by, beyond twice that size (a server that
    // lists the size with bare LFs sends CR LF and stuffs dots): a server that never ends a
    // RETR reply is cut off there, before it fills the disk.
    static constexpr size_t MessageSlack = 64 * 1024;
    // At most this many bytes are taken per read.
    static constexpr size_t ReadSize = 64 * 1024;
    // A reply must be whole within this many TimeOuts, however it trickles in.
    static constexpr int ReplyTimeOuts = 10;
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
        CommandRetr = 13,
        CommandAuth = 14  // AUTH and the lines of its exchange
    };

    TPop3Connection();
    virtual ~TPop3Connection();
    TPop3Connection(const TPop3Connection&) = delete;
    TPop3Connection& operator=(const TPop3Connection&) = delete;

    TCommand CommandNumber = CommandIdle;
    std::string MultiLineText;        // the last multi-line reply as framed
    std::string Host;                 // host name or dotted IPv4 address
    THostLookup::TResolver Resolver;  // looks Host up; empty: the system's lookup
    std::string LogFileName;
    int32_t Port = 110;
    int32_t TimeOut = 20000;  // milliseconds without data before a wait gives up
    bool LogEnabled = false;
    std::string LastReply;
    std::string LogStopReason;

    // Closes the connection and throws the kind's text: "通信エラー", "タイムアウトしました。" or
    // "切断されています。" (or the text of a response code the server's line carries).
    [[noreturn]] void RaiseFailure(TFailureKind kind,
                                   const std::string& serverText = std::string());
    // Appends count bytes to the communication log as one entry (never split by another session).
    void WriteLog(const char* bytes, size_t count);
    // The command's word as a failure names it ("STAT"); "" for the greeting and for none.
    static const char* CommandName(TCommand command);

    bool Connected() const;
    // Protocol and cipher of the encrypted connection that stands; empty for plain text.
    std::string TlsDescription() const;
    // Callable from any thread: ends a blocked connect or wait promptly with "切断されています。"
    // and makes every later Connect or command fail the same way at once.
    void Abort();

protected:
    // The connection is this thread's from now on; a log asked for starts afresh.
    void TakeOwnership();
    bool Aborted() const;
    // Host's address; a lookup that fails throws.
    uint32_t Resolve();
    // The TCP connection to address, plain text until StartTls.
    void Open(uint32_t address);
    // Handshake, then the certificate decision; throws when either fails.
    void StartTls();
    // Whether the certificate is accepted; asked again when the server renegotiates.
    virtual bool CertificateAccepted(const TCertReport& report) = 0;
    // The log stopped for this connection (LogStopReason says why).
    virtual void LogStopped() = 0;

    void WriteAll(const std::string& bytes);
    // One command line as written, for the log (a password never).
    void LogSent(const char* line, size_t length);
    // Reads one reply to the command in progress into LastReply: trimmed, or for a positive
    // multi-line one as framed (MultiLineText).
    TPop3Reply::TStatus ReceiveReply(bool multiLine);
    // Reads one multi-line reply into LastReply as ReceiveReply does, except that the text after
    // a positive status line goes to piece as it arrives, still dot-stuffed, through its "." line
    // (LastReply and MultiLineText hold the status line): the log shows the status line alone.
    // More than maxLength bytes of text fail as an overlong reply, before piece sees them.
    TPop3Reply::TStatus ReceiveStreamed(const std::function<void(const char*, size_t)>& piece,
                                        size_t maxLength);
    // Closes the connection abruptly; no command is in progress.
    void Close();
    // Ends the stream in order (an encrypted one says so to the peer first).
    void CloseInOrder();
    // The replies stopped matching the commands: closes without QUIT and throws EPop3Desync.
    [[noreturn]] void RaiseDesync(const std::string& serverText);
    // Debug builds stop when a thread other than the owner uses a connection that stands.
    void CheckOwner() const;
    // Entries are only built while the log is written.
    bool Logging() const;

    TReplyFramer Framer;  // the session's one receive buffer
    TSessionLog Log;

private:
    using TClock = std::chrono::steady_clock;
    // A read or write that did not end in Done throws the matching failure.
    void CheckStreamEnd(TByteStream::TEnd end);
    size_t ReadAvailable(TClock::time_point deadline);
    void ReceiveLine();
    void ReceiveLine(TClock::time_point deadline);
    void ReceiveMultiLine(size_t maxLength);

    // The connection, and the TLS channel over it once encrypted. Every byte goes through Stream,
    // which is one of them; Client alone opens, closes abruptly and tells an abort.
    std::unique_ptr<TTcpClient> Client;
    std::unique_ptr<TTlsChannel> Tls;
    TByteStream* Stream = nullptr;
    std::thread::id Owner;
};
