#include "auth/Pkce.h"

#include "auth/Base64.h"
#include "auth/RandomBytes.h"
#include "auth/Sha256.h"

TPkce TPkce::New() {
    TPkce pkce;
    pkce.Verifier = Base64::EncodeUrl(RandomBytes(32));
    pkce.Challenge = ChallengeOf(pkce.Verifier);
    return pkce;
}

std::string TPkce::ChallengeOf(const std::string& verifier) {
    return Base64::EncodeUrl(TSha256::Of(verifier));
}

std::string TPkce::NewState() { return Base64::EncodeUrl(RandomBytes(16)); }
