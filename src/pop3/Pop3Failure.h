#pragma once
#include <stdexcept>
#include <string>

// A failure of the mail session. what() is the Shift_JIS text the account shows in its status bar;
// ServerText() is the status line of the reply that caused it (empty when no reply was involved).
class EPop3Failure : public std::runtime_error {
public:
    explicit EPop3Failure(const std::string& message, std::string serverText = std::string());
    const std::string& ServerText() const { return Server; }

private:
    std::string Server;
};
