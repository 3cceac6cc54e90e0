#pragma once
#include <optional>
#include <string>

// Base64 of RFC 4648: the standard alphabet with padding (SASL) and the URL-safe one without
// (PKCE, state values).
namespace Base64 {

std::string Encode(const std::string& bytes);
std::string EncodeUrl(const std::string& bytes);
// Standard alphabet, padding required; nothing for any other character or a wrong length.
std::optional<std::string> Decode(const std::string& text);

}  // namespace Base64
