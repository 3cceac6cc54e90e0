#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pop3/Pop3Connection.h"
#include "pop3/Pop3Capabilities.h"
#include "pop3/Pop3Pipeline.h"

// One client connection to a POP3 server, owned and used by one thread (the account's worker):
// the command layer over the connection's line layer. Connect() runs the protocol's opening one
// step after another: greeting, STLS when asked, login (USER/PASS or APOP), CAPA, STAT; the owner
// then issues the per-message commands. Commands for many messages go through a TPop3Pipeline,
// ahead of their replies to a server that pipelines.
class TKvSocket : public TPop3Connection, private TPop3Pipeline::TLink {
public:
    static constexpr int32_t NoCountInStat = 100000000;
    // Security: plain text, TLS from the first byte, or STLS after the greeting.
    enum TSecurity { SecurityNone = 0, SecurityTls = 1, SecurityStartTls = 2 };

    TKvSocket();

    std::vector<std::string> HeaderLines;  // result of the last Top; the caller copies it
    // Raised once when a log write failed and logging stopped for this connection (LogStopReason
    // says why); the mail work goes on.
    std::function<void(TKvSocket&)> OnLogStopped;
    // The server certificate, judged for Host, before anything of the login is sent: true goes
    // on. Without it only a certificate that passed the check is accepted.
    std::function<bool(TKvSocket&, const TCertReport&)> OnCertificate;
    int32_t Security = SecurityNone;
    bool UseApop = false;
    // Log in with SASL XOAUTH2 and a bearer token in place of a password; only over TLS.
    bool UseXoauth2 = false;
    // The access token for UserName: refreshed first when renew says the server refused the
    // last one. Throws when there is none to be had (the login ends with that failure).
    std::function<std::string(bool renew)> OnAccessToken;
    int32_t MessageCount = -1;  // -1 from Connect until STAT is answered
    std::string ErrorText;      // what Connect raises when the login ended without STAT
    std::string Password;
    std::string UserName;
    // What the server's CAPA said on this connection; nothing when it had none.
    TPop3Capabilities Capabilities;
    // Seconds the server wants between logins, from its CAPA "LOGIN-DELAY"; none when it never
    // said. Kept across connections, as the next login may be refused for it.
    std::optional<int32_t> LoginDelay;
    // Opens the connection and runs greeting, login and STAT; nothing when already connected. A
    // refused login throws ErrorText, the connection left standing for a QUIT. With listings the
    // owner lists the whole mailbox next: to a server that pipelines, LIST and UIDL go out with
    // STAT, and ListAll and UidlAll then answer once from what came back.
    void Connect(bool listings = false);
    // Sends one command line (ending in CR LF) and returns its reply without "+OK" and the blanks
    // after it; a refusal throws. CommandNumber is set by the caller.
    std::string SendCommand(const std::string& text);
    // Reads one whole reply into LastReply (for TOP up to the closing "."); a refusal throws.
    void ReadReply();

    // The login steps. A refusal throws EPop3Failure with ErrorText, its kind told by the
    // response code (RFC 2449), and leaves the connection standing for a QUIT.
    void LoginUser();  // USER, then PASS
    void LoginPass();
    void LoginApop(const std::string& greeting);
    // AUTH XOAUTH2, the token after the server's "+"; refused once, the token is renewed and
    // the login tried once more.
    void LoginXoauth2();
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
    // Sizes of all messages from one LIST (index n - 1 for message n).
    std::vector<int32_t> ListAll();
    // Unique ids of all messages from one UIDL; from one UIDL n per message when the server
    // refuses the listing, each reply checked like a line of the listing.
    std::vector<std::string> UidlAll();
    // TOP n 0 for n from 1 to count, ahead of the replies when the server pipelines, then a STAT
    // that shows they stayed in step (EPop3Desync when not). starting(n) comes before reply n is
    // read, header(n, HeaderLines) after it.
    void TopAll(int32_t count, const std::function<void(int32_t)>& starting,
                const std::function<void(int32_t, const std::vector<std::string>&)>& header);
    // TOP n 0 for each of numbers, ahead of the replies when the server pipelines; header(i, lines)
    // after the reply to numbers[i]. With closeWithStat
    // a batch sent ahead closes with a STAT, as TopAll's does.
    void TopEach(const std::vector<int32_t>& numbers,
                 const std::function<void(size_t, const std::vector<std::string>&)>& header,
                 bool closeWithStat = false);
    // RETR n: message(bytes, count) is given the reply after its status line in pieces as they
    // are read (still dot-stuffed, through its "." line), so that no size of message is held
    // whole. False when the server refused; the connection stands. More text than twice
    // listedSize and MessageSlack fails like an overlong reply, the connection closed.
    bool Retr(int32_t n, int32_t listedSize,
              const std::function<void(const char*, size_t)>& message);
    // DELE for each number, ahead of the replies when the server pipelines. The first refusal
    // ends the connection without QUIT, so that the server deletes none of them.
    void DeleAll(const std::vector<int32_t>& numbers);

private:
    // The greeting, trimmed; a negative one throws.
    std::string ReadGreeting();
    // STLS after the greeting; a refusal ends the connection, never a fall-back to plain text.
    void RequestStartTls();
    void LoginStep(TCommand command, const std::string& text);
    // One line of an AUTH exchange out, its one-line reply in (a "+" challenge is no failure).
    TPop3Reply::TStatus AuthLine(const std::string& text);
    // The reply is the server's "+" asking for more.
    bool Continues() const;
    // Sends text as the one command CommandNumber names and reads its one-line reply into
    // LastReply (without "+OK"); with mayRefuse a "-ERR" reply is an answer (false), otherwise it
    // throws, as does every other failure.
    bool Exchange(const std::string& text, bool mayRefuse);
    // The batch as command, ahead of its replies when the server pipelines (or when ahead says);
    // false when a reply it may refuse was refused.
    bool Run(TCommand command, const TPop3Pipeline::TBatch& batch);
    bool Run(TCommand command, const TPop3Pipeline::TBatch& batch, bool ahead);
    // A batch of TOPs sent ahead closes with a STAT that must repeat the message count.
    void CloseWithStat(TPop3Pipeline::TBatch& batch);
    // USER and PASS sent together.
    void LoginAhead();
    // Throws the refusal of the login step command, whose reply is LastReply.
    [[noreturn]] void RefuseLogin(TCommand command);
    void TakeCapabilities();
    // Names the server and the login: what PipelinedBefore is kept for.
    std::string ServerKey() const;
    // One batch sent ahead: CAPA when capa, STAT, then LIST and UIDL when listings, whose
    // results are kept for ListAll and UidlAll.
    void OpeningBatch(bool capa, bool listings);
    // One UIDL n per message, for a server that refuses the listing.
    std::vector<std::string> UidlEach();

    bool CertificateAccepted(const TCertReport& report) override;
    void LogStopped() override;

    // The pipeline's link to the connection.
    void Begin(size_t index, bool closing) override;
    void CheckLine(const std::string& line) override;
    void Write(const std::string& bytes) override;
    void Sent(const char* line, size_t length) override;
    TPop3Reply::TStatus Receive(bool multiLine) override;
    const std::string& Reply() const override;
    [[noreturn]] void Refuse() override;
    [[noreturn]] void Desync(const std::string& serverText) override;
    void Abandon() override;
    void End() override;

    TPop3Pipeline Pipe;
    TCommand BatchCommand = CommandIdle;
    std::vector<TCommand> BatchKinds;  // per command, for a batch of unlike commands
    // The server and login whose last CAPA offered PIPELINING; empty when the last did not.
    std::string PipelinedBefore;
    std::optional<std::vector<int32_t>> KeptSizes;
    std::optional<std::vector<std::string>> KeptUids;
    TPop3Reply::TStatus ReplyStatus = TPop3Reply::TStatus::Positive;  // of the last reply
    // While Retr runs: where its message goes, and how much of it may come.
    const std::function<void(const char*, size_t)>* MessageSink = nullptr;
    size_t MessageLimit = 0;
};
