#pragma once
#include <string>

// Proof Key for Code Exchange (RFC 7636) with the S256 method, and the state value that ties a
// redirect to the request that asked for it.
struct TPkce {
    std::string Verifier;   // 43 characters of base64url from 32 random bytes
    std::string Challenge;  // base64url of the verifier's SHA-256, without padding

    static TPkce New();
    static std::string ChallengeOf(const std::string& verifier);
    // 22 characters of base64url from 16 random bytes.
    static std::string NewState();
};
