#pragma once
#include <optional>
#include <string>

// Base64 of RFC 4648: the standard alphabet with padding (SASL) and the URL-safe one without
// (PKCE, state values).
namespace Base64 {

std::string Encode(const std::string& bytes);
std::string EncodeUrl(const std::string& bytes);
// Standard alphabet, padding required; nothing for any other character, a wrong length or
// bits left over beside the padding (so that a text decodes only from its one encoding).
std::optional<std::string> Decode(const std::string& text);

}  // namespace Base64
