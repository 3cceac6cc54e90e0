#pragma once
#include <string>

// Keeps a secret (a refresh token) unreadable at rest: what is stored is only ever the sealed
// form. On Windows the user's DPAPI; tests put in their own.
class TSecretBox {
public:
    virtual ~TSecretBox() = default;
    // False when the secret cannot be sealed: then it must not be stored at all.
    virtual bool Seal(const std::string& plain, std::string& sealed) = 0;
    virtual bool Open(const std::string& sealed, std::string& plain) = 0;
};
