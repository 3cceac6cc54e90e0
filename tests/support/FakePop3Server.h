#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A scriptable POP3 server for tests, listening on 127.0.0.1 on a port the system picks. Each
// connection is served on its own thread. By default it answers like a plain POP3 server over the
// mailbox given with SetMessages; Script() replaces the answer to chosen commands with exact bytes,
// split writes, silence or a dropped connection. Every command line received is recorded.
//
//   TFakePop3Server server;
//   server.SetMessages({{"Subject: hi\r\nFrom: a@b\r\n", 1200, "uid-1"}});
//   server.Script("TOP 1", TFakeReply::Split({"+OK\r\nSubject", ": hi\r\n\r\n.\r\n"}, 30));
//   ... connect a TKvSocket to server.Port() ...
//   EXPECT_EQ(server.Commands(), (std::vector<std::string>{"USER u", "PASS p", "STAT", ...}));

// One message of the fake mailbox. Messages are numbered by position, from 1.
struct TFakeMessage {
    std::string Header;  // header lines, each ending in CR LF (a missing final CR LF is added)
    int32_t Size = 0;    // what LIST and STAT report
    std::string Uid;     // what UIDL reports
    // Which message this is, whatever its id says; SetMessages gives each message without one a
    // new number, never used before. QUIT deletes by it.
    uint64_t Identity = 0;
    std::string Body = "";  // what RETR sends after the header and the empty line
};

// What the server does instead of its default answer to one command.
struct TFakeReply {
    std::vector<std::string> Parts;  // written one TCP write each, in order
    int PauseMs = 0;                 // pause before each part after the first
    bool CloseAfter = false;         // drop the connection once the parts are written
    long CutAt = -1;  // with 0 or more: the default answer, cut after that many bytes

    static TFakeReply Bytes(std::string bytes) { return {{std::move(bytes)}, 0, false}; }
    static TFakeReply Split(std::vector<std::string> parts, int pauseMs) {
        return {std::move(parts), pauseMs, false};
    }
    // Answers nothing; the connection stays open and later commands are served.
    static TFakeReply Silence() { return {{}, 0, false}; }
    // Writes bytes (possibly none) and then drops the connection.
    static TFakeReply Drop(std::string bytes = std::string()) {
        return {{std::move(bytes)}, 0, true};
    }
    // The command takes effect as usual (a DELE marks, a QUIT deletes), but only the first bytes
    // of its answer are written; then the connection is dropped, or falls silent.
    static TFakeReply Cut(long bytes, bool drop) { return {{}, 0, drop, bytes}; }
};

class TFakePop3Server {
public:
    // Default account: user "user", password "secret"; greeting with an APOP time stamp.
    TFakePop3Server();
    ~TFakePop3Server();  // drops every connection and stops
    TFakePop3Server(const TFakePop3Server&) = delete;
    TFakePop3Server& operator=(const TFakePop3Server&) = delete;

    int Port() const { return ListenPort; }

    void SetAccount(const std::string& user, const std::string& password);
    // Whole greeting line including CR LF; its "<...>" is the APOP time stamp.
    void SetGreeting(const std::string& greeting);
    // What CAPA lists, say {"TOP", "UIDL", "PIPELINING"}; with none (the default) CAPA is refused.
    void SetCapabilities(std::vector<std::string> capabilities);
    // Replaces the mailbox; also how a test renumbers or removes messages between connections.
    // A message keeps its Identity; one without gets a new one.
    void SetMessages(std::vector<TFakeMessage> messages);
    std::vector<TFakeMessage> Messages() const;

    // The next command line (without CR LF) that starts with commandPrefix gets reply instead of
    // the default answer. Scripts are used once each, first queued first used. The prefix ""
    // matches any command; ScriptGreeting replaces the greeting of the next connection.
    // A scripted answer to PASS or APOP that starts with "+OK" logs the connection in; a scripted
    // DELE or QUIT has no effect on the mailbox.
    void Script(const std::string& commandPrefix, TFakeReply reply);
    void ScriptGreeting(TFakeReply reply);

    // Command lines received (without CR LF), per connection in the order connections were made.
    std::vector<std::vector<std::string>> Connections() const;
    // Command lines of one connection; the last one by default, empty when there is none.
    std::vector<std::string> Commands(int connection = -1) const;
    int ConnectionCount() const;

private:
    struct TScript {
        std::string Prefix;
        TFakeReply Reply;
    };
    class TSession;

    void AcceptLoop();
    bool TakeScript(const std::string& line, TFakeReply& reply);
    void Record(int connection, const std::string& line);

    mutable std::mutex Lock;  // guards everything below it
    std::string User = "user";
    std::string Password = "secret";
    std::string Greeting = "+OK POP3 server ready <1896.697170952@fake.example>\r\n";
    std::vector<TFakeMessage> Mailbox;
    uint64_t LastIdentity = 0;
    std::vector<std::string> Capabilities;
    std::vector<TScript> Scripts;
    std::vector<TFakeReply> GreetingScripts;
    std::vector<std::vector<std::string>> Received;

    std::atomic<bool> Stopping{false};
    uintptr_t Listener;
    int ListenPort = 0;
    std::thread Acceptor;
    std::vector<std::thread> Sessions;  // touched only by the accepting thread and the destructor
};
