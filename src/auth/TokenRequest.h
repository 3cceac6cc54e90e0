#pragma once
#include <string>

#include "auth/HttpsClient.h"
#include "auth/TokenResponse.h"

// One POST to a token endpoint and its answer read: tokens, or the provider's error code in
// Error. Throws EAuthFailure (not a sign-in matter) when no readable answer came.
TTokenResponse PostTokenRequest(THttpsClient& https, const std::string& url,
                                const std::string& form);
