#pragma once
#include <cstdint>
#include <optional>
#include <string>

// What a server's CAPA reply (RFC 2449) says, read once into the capabilities the session acts
// on. Tags are matched whatever their case; a line the program has no use for is passed over.
struct TPop3Capabilities {
    bool Pipelining = false;
    // Seconds the server wants between logins ("LOGIN-DELAY 900", "LOGIN-DELAY 900 USER").
    std::optional<int32_t> LoginDelay;

    // reply: the whole multi-line reply, status line and closing "." included.
    static TPop3Capabilities Parse(const std::string& reply);
};
