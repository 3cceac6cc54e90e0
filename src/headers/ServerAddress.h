#pragma once
#include <cstdint>
#include <optional>
#include <string>

// An account's server text, "host" or "host:port", read once into its parts; blanks around
// either part are dropped.
struct TServerAddress {
    static constexpr uint16_t DefaultPort = 110;  // POP3's
    static constexpr uint16_t TlsPort = 995;      // POP3 over TLS from the first byte

    std::string Host;
    bool NamesPort = false;  // the text has a ":"
    std::string PortText;    // what follows the first ":"
    // PortText as a whole decimal number; none without a ":" or when it is no such number.
    std::optional<int32_t> Port;

    static TServerAddress Parse(const std::string& server);

    // The port a connection uses: the low 16 bits of the number typed ("host:70000" reaches
    // 4464), or `none` when the text names no port. Throws EConvertError when the text after the
    // ":" is not a whole number.
    uint16_t ConnectPort(uint16_t none) const;
};
