#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "auth/LoopbackListener.h"
#include "auth/OAuthProvider.h"

class THttpsClient;

// What a sign-in gives: the refresh token to keep, and a first access token.
struct TSignInTokens {
    std::string RefreshToken;
    std::string AccessToken;
    int64_t ExpiresIn = 0;
};

// The authorization code flow with PKCE (RFC 8252): the browser opened on the provider's page,
// the redirect taken on the loopback listener, the code exchanged for tokens. Runs on a thread
// of its own; Cancel may come from any other.
class TBrowserSignIn {
public:
    // The user has this long to sign in before the wait gives up.
    static constexpr int DefaultWaitMs = 5 * 60 * 1000;

    // Opens url in the user's browser; false when it could not be opened.
    std::function<bool(const std::string& url)> OpenBrowser;
    int WaitMs = DefaultWaitMs;

    // Throws EAuthFailure when no tokens came: the user declined, the wait ran out or was
    // cancelled, or the provider refused the code.
    TSignInTokens Run(const TOAuthAccount& account, const std::string& loginHint,
                      THttpsClient& https);
    void Cancel() { Listener.Cancel(); }

private:
    TLoopbackListener Listener;
};
