#pragma once
#include <stdexcept>
#include <string>

// What kind of failure ended the session, by the number it has always had.
enum class TFailureKind : int { CommError = 1, TimeOut = 4, Disconnected = 5 };

// A failure of the mail session. what() is the Shift_JIS text the account shows in its status bar;
// ServerText() is the status line of the reply that caused it (empty when no reply was involved).
class EPop3Failure : public std::runtime_error {
public:
    explicit EPop3Failure(const std::string& message, std::string serverText = std::string());
    const std::string& ServerText() const { return Server; }

private:
    std::string Server;
};

// The replies stopped matching the commands sent ahead of them (a reply ended early, or bytes came
// that no command asked for). The connection is closed without QUIT, and nothing read from the
// batch can be trusted.
class EPop3Desync : public EPop3Failure {
public:
    using EPop3Failure::EPop3Failure;
};
