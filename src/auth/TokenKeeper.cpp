#include "auth/TokenKeeper.h"

#include <chrono>

#include "auth/AuthFailure.h"
#include "auth/HttpsClient.h"
#include "auth/OAuthRequests.h"
#include "auth/TokenRequest.h"

TTokenKeeper::TTokenKeeper()
    : Now([] {
          return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
      }) {}

void TTokenKeeper::Use(const TOAuthAccount& account, const std::string& refreshToken) {
    if (account == Account && refreshToken == Given) return;
    Account = account;
    Given = refreshToken;
    Refresh = refreshToken;
    Access.Forget();
}

std::string TTokenKeeper::AccessToken(THttpsClient& https, bool renew) {
    if (!renew && Access.Fresh(Now())) return Access.Token;
    Access.Forget();
    TOAuthEndpoints endpoints;
    std::string error;
    if (!OAuthProvider::Resolve(Account, endpoints, error))
        throw EAuthFailure(error, EAuthFailure::Setup);
    if (Refresh.empty()) throw EAuthFailure::SignInNeeded();
    const int64_t asked = Now();
    const TTokenResponse response = PostTokenRequest(
        https, endpoints.TokenUrl, OAuthRequests::RefreshGrant(endpoints, Account, Refresh));
    if (!response.Error.empty()) {
        const std::string detail =
            response.Error +
            (response.ErrorDescription.empty() ? "" : ": " + response.ErrorDescription);
        // A refresh token revoked, expired or issued to another client: only the browser helps.
        if (response.Error == "invalid_grant" || response.Error == "invalid_client" ||
            response.Error == "unauthorized_client" || response.Error == "invalid_scope")
            throw EAuthFailure::SignInNeeded(detail);
        throw EAuthFailure("サインインのサーバがトークンを出しませんでした。",
                           EAuthFailure::Network, detail);
    }
    Access.Token = response.AccessToken;
    Access.ExpiresAt = asked + response.ExpiresIn;
    if (!response.RefreshToken.empty() && response.RefreshToken != Refresh) {
        Refresh = response.RefreshToken;
        if (Rotated) Rotated(Refresh);
    }
    return Access.Token;
}

void TTokenKeeper::SignedIn(const std::string& refreshToken, const std::string& accessToken,
                            int64_t expiresIn) {
    Refresh = refreshToken;
    Access.Token = accessToken;
    Access.ExpiresAt = Now() + expiresIn;
}
