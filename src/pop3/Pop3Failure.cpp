#include "pop3/Pop3Failure.h"

#include <algorithm>
#include <utility>

#include "pop3/FailureText.h"

namespace {

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The response code right after "-ERR ", brackets included, upper-cased; empty when none.
std::string ResponseCode(const std::string& line) {
    if (line.compare(0, 4, "-ERR") != 0) return std::string();
    size_t open = 4;
    while (open < line.size() && line[open] == ' ') ++open;
    if (open >= line.size() || line[open] != '[') return std::string();
    const size_t close = line.find(']', open);
    if (close == std::string::npos) return std::string();
    std::string code = line.substr(open, close - open + 1);
    for (char& c : code)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return code;
}

}  // namespace

EPop3Failure::EPop3Failure(const std::string& message, const std::string& serverText,
                           TFailureKind kind, std::string command)
    : std::runtime_error(message),
      Server(SafeText(serverText)),
      FailureKind(kind),
      CommandName(std::move(command)) {}

std::string EPop3Failure::Detail() const {
    if (CommandName.empty()) return Server;
    if (Server.empty()) return CommandName;
    return CommandName + ": " + Server;
}

TFailureKind EPop3Failure::KindOfReply(const std::string& statusLine, TFailureKind otherwise) {
    const std::string code = ResponseCode(statusLine);
    // A code names a class; "[SYS/TEMP]" may be followed by more of it in later extensions.
    if (code == "[IN-USE]") return TFailureKind::InUse;
    if (code == "[LOGIN-DELAY]") return TFailureKind::LoginDelay;
    if (code.compare(0, 9, "[SYS/TEMP") == 0) return TFailureKind::Temporary;
    if (code.compare(0, 5, "[AUTH") == 0) return TFailureKind::LoginRefused;
    return otherwise;
}

std::string EPop3Failure::TextOf(TFailureKind kind) {
    switch (kind) {
        case TFailureKind::InUse:
            return TFailureText::InUse;
        case TFailureKind::LoginDelay:
            return std::string(TFailureText::LoginTooSoon) + TFailureText::WaitAWhile;
        case TFailureKind::TimeOut:
            return TFailureText::TimeOut;
        case TFailureKind::Disconnected:
            return TFailureText::Disconnected;
        default:
            return TFailureText::CommError;
    }
}

std::string EPop3Failure::LoginDelayText(std::optional<int32_t> delay) {
    if (!delay || *delay <= 0) return TextOf(TFailureKind::LoginDelay);
    const int32_t seconds = *delay;
    // Whole minutes read better; a wait under one is said in seconds.
    const std::string wait = seconds < 60 ? std::to_string(seconds) + " 秒"
                                          : std::to_string((seconds + 59) / 60) + " 分";
    return TFailureText::LoginTooSoon + ("前のログインから " + wait) +
           "たってから接続してください。";
}

std::string EPop3Failure::SafeText(const std::string& text, size_t maxBytes) {
    std::string safe;
    safe.reserve(std::min(text.size(), maxBytes));
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool pair =
            IsLeadByte(c) && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x40;
        const size_t width = pair ? 2 : 1;
        // Control characters, and a lead byte without its second byte, would garble the text.
        if (c < 0x20 || c == 0x7F || (IsLeadByte(c) && !pair)) {
            ++i;
            continue;
        }
        if (safe.size() + width > maxBytes) break;
        safe.append(text, i, width);
        i += width;
    }
    return safe;
}
