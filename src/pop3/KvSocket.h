#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "pop3/Pop3Failure.h"

class TTcpClient;
class TLogWriter;

// One client connection to a POP3 server, owned and used by one thread (the account's worker).
// Connect() reads the greeting, logs in (USER/PASS or APOP), sends STAT and raises OnStat, inside
// which the owner issues the per-message commands.
class TKvSocket {
public:
    // Longest single-line reply accepted; a server that never ends its line is cut off here.
    static constexpr size_t MaxLineLength = 64 * 1024;
    // Longest TOP reply accepted (status line, header and terminator).
    static constexpr size_t MaxHeaderLength = 4 * 1024 * 1024;
    // At most this many bytes are taken per read.
    static constexpr size_t ReadSize = 1024;
    static constexpr int32_t NoCountInStat = 100000000;

    TKvSocket();
    ~TKvSocket();
    TKvSocket(const TKvSocket&) = delete;
    TKvSocket& operator=(const TKvSocket&) = delete;

    std::vector<std::string> HeaderLines;  // result of the last Top; the caller copies it
    std::function<void(TKvSocket&)> OnTopStart;
    std::function<void(TKvSocket&)> OnTopEnd;
    std::function<void(TKvSocket&)> OnStat;  // after STAT has set MessageCount
    bool UseApop = false;
    int32_t MessageCount = -1;   // -1 from Connect until STAT is answered
    int32_t CommandNumber = -1;  // command in progress: 0 greeting, 1 USER ... 10 QUIT; -1 idle
    std::string MultiLineText;   // the TOP reply as accumulated
    std::string ErrorText;       // what Connect raises when the login ended without STAT
    int32_t IoLength = 0;        // bytes in the I/O buffer (last command sent or block read)
    std::string Password;
    std::string UserName;
    std::string Host;  // host name or dotted IPv4 address
    std::string LogFileName;
    int32_t Port = 110;
    int32_t TimeOut = 20000;  // milliseconds without data before a wait gives up
    bool LogEnabled = false;
    std::string LastReply;

    // Opens the connection and runs greeting, login and STAT; nothing when already connected.
    void Connect();
    // Sends one command line (ending in CR LF) and returns its reply without "+OK" and the blanks
    // after it; " " when a login command was refused. CommandNumber is set by the caller.
    std::string SendCommand(const std::string& text);
    // Reads one whole reply into LastReply (for TOP up to the closing "."); after the greeting it
    // runs the login.
    void ReadReply();
    // Closes the connection and throws: kind 1 "通信エラー", 4 "タイムアウトしました。",
    // 5 "切断されています。", any other an empty text.
    [[noreturn]] void RaiseFailure(int kind, const std::string& serverText = std::string());
    // Appends count bytes to the communication log as one entry (never split by another session).
    void WriteLog(const char* bytes, size_t count);

    void LoginUser();
    void LoginPass();
    void LoginApop(const std::string& greeting);
    void Stat();
    void Dele(int32_t n);
    bool Noop();  // never throws
    int32_t List(int32_t n);
    const std::vector<std::string>& Top(int32_t n);
    std::string Uidl(int32_t n);
    void Quit();  // only when connected; ignores failures, then closes
    static int32_t ParseNumber(int32_t kind, const std::string& text);

    bool Connected() const;
    // Callable from any thread: ends a blocked connect or wait promptly with "切断されています。" and
    // makes every later Connect or command fail the same way at once.
    void Abort();

private:
    enum class TStatus { Positive, Negative, Malformed };

    // Line layer: frames bytes only.
    void OpenConnection();
    void SendLine(const std::string& text);
    void ReceiveLine();
    void ReceiveMultiLine();
    size_t ReadBlock();
    static size_t EndOfMultiLine(const std::string& text, size_t searchFrom);
    // Command layer.
    void HandleReply(TStatus status);
    void LogEntry(const std::string& entry);
    static TStatus StatusOf(const std::string& reply);
    static std::string Trimmed(const std::string& text);

    std::unique_ptr<TTcpClient> Client;
    std::vector<char> IoBuffer;
    std::string Pending;  // bytes read past the end of the reply being framed
    std::shared_ptr<TLogWriter> Log;
    bool Refused = false;  // the last login command was answered "-ERR"
};
