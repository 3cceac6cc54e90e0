#include "auth/Xoauth2.h"

#include "auth/Base64.h"

namespace Xoauth2 {

namespace {

bool Clean(const std::string& text) {
    if (text.empty()) return false;
    for (unsigned char c : text)
        if (c < ' ' || c == 0x7F) return false;
    return true;
}

}  // namespace

std::optional<std::string> InitialResponse(const std::string& user, const std::string& token) {
    if (!Clean(user) || !Clean(token) || token.find(' ') != std::string::npos) return std::nullopt;
    return Base64::Encode("user=" + user + "\x01" + "auth=Bearer " + token + "\x01\x01");
}

std::string ChallengeText(const std::string& challengeLine) {
    std::string text = challengeLine;
    if (text.compare(0, 1, "+") == 0) text.erase(0, 1);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.erase(0, 1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    const std::optional<std::string> decoded = Base64::Decode(text);
    if (!decoded) return text;
    for (unsigned char c : *decoded)
        if (c < ' ' && c != '\t') return text;
    return *decoded;
}

}  // namespace Xoauth2
