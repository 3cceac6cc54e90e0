#include "auth/TokenRequest.h"

#include "auth/AuthFailure.h"

namespace {
const char TextNoAnswer[] = "サインインのサーバから応答がありません。";
const char TextBadAnswer[] = "サインインのサーバの応答を読めませんでした。";
}  // namespace

TTokenResponse PostTokenRequest(THttpsClient& https, const std::string& url,
                                const std::string& form) {
    const THttpsReply reply = https.PostForm(url, form);
    if (reply.Status == 0) throw EAuthFailure(TextNoAnswer, EAuthFailure::Network, reply.Failure);
    TTokenResponse response;
    // Errors come with 400 or 401; tokens only with 200.
    if (!TTokenResponse::Read(reply.Body, response) ||
        (response.Error.empty() && reply.Status != 200))
        throw EAuthFailure(TextBadAnswer, EAuthFailure::Network,
                           "HTTP " + std::to_string(reply.Status));
    return response;
}
