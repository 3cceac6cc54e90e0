#include "auth/BrowserSignIn.h"

#include "auth/AuthFailure.h"
#include "auth/OAuthRequests.h"
#include "auth/Pkce.h"
#include "auth/TokenRequest.h"

TSignInTokens TBrowserSignIn::Run(const TOAuthAccount& account, const std::string& loginHint,
                                  THttpsClient& https) {
    TOAuthEndpoints endpoints;
    std::string error;
    if (!OAuthProvider::Resolve(account, endpoints, error))
        throw EAuthFailure(error, EAuthFailure::Setup);
    if (!Listener.Open())
        throw EAuthFailure("サインインの応答を受ける準備ができませんでした。",
                           EAuthFailure::Network);
    const TPkce pkce = TPkce::New();
    const std::string state = TPkce::NewState();
    const std::string redirectUri = OAuthRequests::RedirectUri(endpoints, Listener.Port());
    const std::string url = OAuthRequests::AuthorizeUrl(endpoints, account, redirectUri, state,
                                                        pkce.Challenge, loginHint);
    if (!OpenBrowser || !OpenBrowser(url))
        throw EAuthFailure("ブラウザを開けませんでした。", EAuthFailure::Setup);
    const TLoopbackRedirect redirect = Listener.Wait(state, WaitMs);
    if (redirect.Kind == TLoopbackRedirect::Refused)
        throw EAuthFailure("サインインは行われませんでした。", EAuthFailure::SignIn,
                           redirect.Error);
    if (redirect.Kind != TLoopbackRedirect::GotCode)
        throw EAuthFailure("サインインを待つのをやめました。", EAuthFailure::SignIn);
    const TTokenResponse response = PostTokenRequest(
        https, endpoints.TokenUrl,
        OAuthRequests::CodeGrant(endpoints, account, redirect.Code, redirectUri, pkce.Verifier));
    if (!response.Error.empty())
        throw EAuthFailure(
            "サインインのサーバがトークンを出しませんでした。", EAuthFailure::SignIn,
            response.Error +
                (response.ErrorDescription.empty() ? "" : ": " + response.ErrorDescription));
    // Without a refresh token every check would need the browser again.
    if (response.RefreshToken.empty())
        throw EAuthFailure("サインインのサーバがリフレッシュトークンを出しませんでした。",
                           EAuthFailure::Setup);
    return {response.RefreshToken, response.AccessToken, response.ExpiresIn};
}
