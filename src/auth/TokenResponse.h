#pragma once
#include <cstdint>
#include <string>

// What a token endpoint answered (RFC 6749 section 5): tokens on success, an error code
// otherwise, read from its JSON.
struct TTokenResponse {
    // When the answer says nothing of the access token's life.
    static constexpr int64_t DefaultLifetime = 3600;

    std::string AccessToken;
    std::string RefreshToken;  // empty when the old one stays valid
    int64_t ExpiresIn = 0;     // seconds
    std::string Error;         // "invalid_grant", "authorization_pending", ...
    std::string ErrorDescription;

    // False when body is no JSON object, or holds neither a bearer token nor an error. A token of
    // another type than Bearer, or one with a control character or blank, is no token.
    static bool Read(const std::string& body, TTokenResponse& response);
};

// The answer of a device authorization endpoint (RFC 8628 section 3.2).
struct TDeviceCode {
    static constexpr int64_t DefaultInterval = 5;

    std::string DeviceCode;
    std::string UserCode;
    std::string VerificationUri;
    int64_t ExpiresIn = 0;
    int64_t Interval = DefaultInterval;
    std::string Error;

    static bool Read(const std::string& body, TDeviceCode& code);
};
