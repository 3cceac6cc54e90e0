#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

// What kind of failure ended the session. The first three keep the numbers they have always had.
// The schedule reads the kind: a network failure and Temporary may be retried soon, InUse after a
// minute, LoginDelay not before the delay the server announced, LoginRefused not at all.
enum class TFailureKind : int {
    Other = 0,
    CommError = 1,
    TimeOut = 4,
    Disconnected = 5,
    LoginRefused = 6,
    InUse = 7,       // "-ERR [IN-USE]": another program holds the mailbox
    LoginDelay = 8,  // "-ERR [LOGIN-DELAY]": logged in again too soon
    Temporary = 9    // "-ERR [SYS/TEMP]": the server's own passing trouble
};

// A failure of the mail session. what() is the Shift_JIS text the account shows in its status bar;
// ServerText() is the status line of the reply that caused it, made safe to show (control
// characters removed, at most MaxServerText bytes; empty when no reply was involved); Command()
// names the command that failed ("" when none was in progress).
class EPop3Failure : public std::runtime_error {
public:
    static constexpr size_t MaxServerText = 200;

    explicit EPop3Failure(const std::string& message, const std::string& serverText = std::string(),
                          TFailureKind kind = TFailureKind::Other,
                          std::string command = std::string());
    const std::string& ServerText() const { return Server; }
    TFailureKind Kind() const { return FailureKind; }
    const std::string& Command() const { return CommandName; }
    // The command and the server's words, for where a user looks for detail (a tool tip, the
    // log); empty when the failure carries neither.
    std::string Detail() const;

    // The kind a "-ERR" status line gives by its response code (RFC 2449), or otherwise.
    static TFailureKind KindOfReply(const std::string& statusLine, TFailureKind otherwise);
    // The status bar's text for a failure of this kind where nothing more is known: the response
    // code's text, else time-out, disconnection or a communication error.
    static std::string TextOf(TFailureKind kind);
    // The text of a login refused as too soon, with the wait the server announced (its CAPA's
    // LOGIN-DELAY, in seconds; none when unknown).
    static std::string LoginDelayText(std::optional<int32_t> seconds);
    // text without control characters, cut to at most maxBytes without splitting a Shift_JIS
    // character.
    static std::string SafeText(const std::string& text, size_t maxBytes = MaxServerText);

private:
    std::string Server;
    TFailureKind FailureKind;
    std::string CommandName;
};

// The replies stopped matching the commands sent ahead of them (a reply ended early, or bytes came
// that no command asked for). The connection is closed without QUIT, and nothing read from the
// batch can be trusted.
class EPop3Desync : public EPop3Failure {
public:
    using EPop3Failure::EPop3Failure;
};
