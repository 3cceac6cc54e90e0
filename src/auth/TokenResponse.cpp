#include "auth/TokenResponse.h"

#include <map>

#include "auth/JsonObject.h"

namespace {

using TMembers = std::map<std::string, std::string>;

std::string Member(const TMembers& members, const char* name) {
    const auto found = members.find(name);
    return found == members.end() ? std::string() : found->second;
}

// A whole positive number of seconds, capped at a year; otherwise fallback.
int64_t Seconds(const TMembers& members, const char* name, int64_t fallback) {
    const std::string text = Member(members, name);
    if (text.empty() || text.size() > 9) return fallback;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return fallback;
        value = value * 10 + (c - '0');
    }
    return value > 0 ? value : fallback;
}

// What goes into an "auth=Bearer" line or a form: printable ASCII without blanks.
bool PlainToken(const std::string& token) {
    for (unsigned char c : token)
        if (c <= ' ' || c >= 0x7F) return false;
    return !token.empty();
}

bool EqualsNoCase(const std::string& text, const char* word) {
    size_t i = 0;
    for (; word[i]; ++i) {
        if (i >= text.size()) return false;
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != word[i]) return false;
    }
    return i == text.size();
}

}  // namespace

bool TTokenResponse::Read(const std::string& body, TTokenResponse& response) {
    TMembers members;
    if (!JsonObject::Parse(body, members)) return false;
    TTokenResponse read;
    read.Error = Member(members, "error");
    read.ErrorDescription = Member(members, "error_description");
    if (!read.Error.empty()) {
        response = read;
        return true;
    }
    read.AccessToken = Member(members, "access_token");
    read.RefreshToken = Member(members, "refresh_token");
    if (!PlainToken(read.AccessToken) || !EqualsNoCase(Member(members, "token_type"), "bearer"))
        return false;
    if (!read.RefreshToken.empty() && !PlainToken(read.RefreshToken)) return false;
    read.ExpiresIn = Seconds(members, "expires_in", DefaultLifetime);
    response = read;
    return true;
}

bool TDeviceCode::Read(const std::string& body, TDeviceCode& code) {
    TMembers members;
    if (!JsonObject::Parse(body, members)) return false;
    TDeviceCode read;
    read.Error = Member(members, "error");
    if (!read.Error.empty()) {
        code = read;
        return true;
    }
    read.DeviceCode = Member(members, "device_code");
    read.UserCode = Member(members, "user_code");
    read.VerificationUri = Member(members, "verification_uri");
    // Google's older name for it.
    if (read.VerificationUri.empty()) read.VerificationUri = Member(members, "verification_url");
    if (!PlainToken(read.DeviceCode) || !PlainToken(read.UserCode) ||
        !PlainToken(read.VerificationUri))
        return false;
    read.ExpiresIn = Seconds(members, "expires_in", 900);
    read.Interval = Seconds(members, "interval", DefaultInterval);
    code = read;
    return true;
}
