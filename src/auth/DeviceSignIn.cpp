#include "auth/DeviceSignIn.h"

#include <chrono>
#include <thread>

#include "auth/AuthFailure.h"
#include "auth/HttpsClient.h"
#include "auth/OAuthRequests.h"
#include "auth/TokenRequest.h"

namespace {

// Added to the interval at each slow_down (RFC 8628 section 3.5).
constexpr int64_t SlowDownSeconds = 5;
// A cancel is seen within this.
constexpr int WaitSliceMs = 100;

int64_t SteadySeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TDeviceSignIn::TDeviceSignIn() : Now(SteadySeconds) {
    Wait = [this](int64_t seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!Cancelled && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(WaitSliceMs));
        return !Cancelled;
    };
}

TSignInTokens TDeviceSignIn::Run(const TOAuthAccount& account, THttpsClient& https) {
    TOAuthEndpoints endpoints;
    std::string error;
    if (!OAuthProvider::Resolve(account, endpoints, error))
        throw EAuthFailure(error, EAuthFailure::Setup);
    if (endpoints.DeviceUrl.empty())
        throw EAuthFailure("このサービスはコードでのサインインに対応していません。",
                           EAuthFailure::Setup);
    const THttpsReply reply =
        https.PostForm(endpoints.DeviceUrl, OAuthRequests::DeviceCodeRequest(endpoints, account));
    TDeviceCode code;
    if (reply.Status == 0)
        throw EAuthFailure("サインインのサーバから応答がありません。", EAuthFailure::Network,
                           reply.Failure);
    if (!TDeviceCode::Read(reply.Body, code) || !code.Error.empty())
        throw EAuthFailure("サインインのサーバがコードを出しませんでした。", EAuthFailure::Setup,
                           code.Error);
    if (ShowCode) ShowCode(code);
    const int64_t expires = Now() + code.ExpiresIn;
    int64_t interval = code.Interval;
    for (;;) {
        if (Cancelled || !Wait(interval))
            throw EAuthFailure("サインインを待つのをやめました。", EAuthFailure::SignIn);
        if (Now() >= expires)
            throw EAuthFailure("コードの期限が切れました。もう一度サインインしてください。",
                               EAuthFailure::SignIn);
        const TTokenResponse response = PostTokenRequest(
            https, endpoints.TokenUrl, OAuthRequests::DevicePoll(account, code.DeviceCode));
        if (response.Error == "authorization_pending") continue;
        if (response.Error == "slow_down") {
            interval += SlowDownSeconds;
            continue;
        }
        if (!response.Error.empty())
            throw EAuthFailure("サインインは行われませんでした。", EAuthFailure::SignIn,
                               response.Error);
        if (response.RefreshToken.empty())
            throw EAuthFailure("サインインのサーバがリフレッシュトークンを出しませんでした。",
                               EAuthFailure::Setup);
        return {response.RefreshToken, response.AccessToken, response.ExpiresIn};
    }
}
