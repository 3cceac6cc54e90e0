#pragma once
#include <optional>
#include <string>

// The SASL XOAUTH2 mechanism as Microsoft's and Google's POP3 servers take it.
namespace Xoauth2 {

// The base64 of "user=" user ^A "auth=Bearer " token ^A ^A; nothing when either holds a
// control character (which would end a field early) or is empty.
std::optional<std::string> InitialResponse(const std::string& user, const std::string& token);
// A server's "+ <base64>" failure challenge: the JSON it carries, or the text as it came when it
// is no base64.
std::string ChallengeText(const std::string& challengeLine);

}  // namespace Xoauth2
