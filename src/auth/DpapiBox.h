#pragma once
#include "auth/SecretBox.h"

// DPAPI for the current user (CryptProtectData without additional entropy, no prompt): only
// this Windows user on this machine can open what it sealed.
class TDpapiBox final : public TSecretBox {
public:
    bool Seal(const std::string& plain, std::string& sealed) override;
    bool Open(const std::string& sealed, std::string& plain) override;
};
