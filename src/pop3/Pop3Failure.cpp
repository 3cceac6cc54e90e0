#include "pop3/Pop3Failure.h"

#include <utility>

EPop3Failure::EPop3Failure(const std::string& message, std::string serverText)
    : std::runtime_error(message), Server(std::move(serverText)) {}
