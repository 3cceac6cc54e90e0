// Any bytes an identity provider or a browser sends: the token response and device code readers
// over the strict JSON reader, the redirect's request line, and the base64 of a SASL challenge.
// A response read as valid carries only tokens that can travel in a form and a SASL line.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "auth/Base64.h"
#include "auth/JsonObject.h"
#include "auth/LoopbackRedirect.h"
#include "auth/TokenResponse.h"
#include "auth/Xoauth2.h"

namespace {

bool Plain(const std::string& token) {
    for (unsigned char c : token)
        if (c <= ' ' || c >= 0x7F) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::map<std::string, std::string> members;
    JsonObject::Parse(text, members);
    TTokenResponse response;
    if (TTokenResponse::Read(text, response) && response.Error.empty()) {
        if (response.AccessToken.empty() || !Plain(response.AccessToken) ||
            !Plain(response.RefreshToken) || response.ExpiresIn <= 0)
            __builtin_trap();
        if (!Xoauth2::InitialResponse("user@example.jp", response.AccessToken)) __builtin_trap();
    }
    TDeviceCode code;
    TDeviceCode::Read(text, code);
    const TLoopbackRedirect redirect = TLoopbackRedirect::Read(text, "state");
    if (redirect.Kind == TLoopbackRedirect::GotCode && redirect.Code.empty()) __builtin_trap();
    // What decodes encodes back to the same text.
    if (const auto bytes = Base64::Decode(text))
        if (Base64::Encode(*bytes) != text) __builtin_trap();
    Xoauth2::ChallengeText(text);
    return 0;
}
