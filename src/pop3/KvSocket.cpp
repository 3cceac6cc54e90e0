#include "pop3/KvSocket.h"

// The session's implementation lands in the next commits; this keeps the interface linkable.

EPop3Failure::EPop3Failure(const std::string& message, std::string serverText)
    : std::runtime_error(message), Server(std::move(serverText)) {}
