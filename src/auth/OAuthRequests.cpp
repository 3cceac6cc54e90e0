#include "auth/OAuthRequests.h"

#include <utility>
#include <vector>

#include "auth/FormText.h"

namespace OAuthRequests {

namespace {

using TFields = std::vector<std::pair<std::string, std::string>>;

void AddClient(TFields& fields, const TOAuthAccount& account) {
    fields.emplace_back("client_id", account.ClientId);
    if (!account.ClientSecret.empty()) fields.emplace_back("client_secret", account.ClientSecret);
}

}  // namespace

std::string AuthorizeUrl(const TOAuthEndpoints& endpoints, const TOAuthAccount& account,
                         const std::string& redirectUri, const std::string& state,
                         const std::string& challenge, const std::string& loginHint) {
    TFields fields = {
        {"client_id", account.ClientId},  {"response_type", "code"}, {"redirect_uri", redirectUri},
        {"scope", endpoints.Scope},       {"state", state},          {"code_challenge", challenge},
        {"code_challenge_method", "S256"}};
    if (endpoints.AskOffline) {
        fields.emplace_back("access_type", "offline");
        fields.emplace_back("prompt", "consent");
    }
    if (!loginHint.empty()) fields.emplace_back("login_hint", loginHint);
    const char joiner = endpoints.AuthorizeUrl.find('?') == std::string::npos ? '?' : '&';
    return endpoints.AuthorizeUrl + joiner + FormText::Join(fields);
}

std::string RedirectUri(const TOAuthEndpoints& endpoints, int port) {
    return "http://" + endpoints.RedirectHost + ":" + std::to_string(port) + "/";
}

std::string CodeGrant(const TOAuthEndpoints& endpoints, const TOAuthAccount& account,
                      const std::string& code, const std::string& redirectUri,
                      const std::string& verifier) {
    TFields fields = {{"grant_type", "authorization_code"}, {"code", code}};
    fields.emplace_back("redirect_uri", redirectUri);
    fields.emplace_back("code_verifier", verifier);
    AddClient(fields, account);
    if (endpoints.ScopeOnRefresh) fields.emplace_back("scope", endpoints.Scope);
    return FormText::Join(fields);
}

std::string RefreshGrant(const TOAuthEndpoints& endpoints, const TOAuthAccount& account,
                         const std::string& refreshToken) {
    TFields fields = {{"grant_type", "refresh_token"}, {"refresh_token", refreshToken}};
    AddClient(fields, account);
    if (endpoints.ScopeOnRefresh) fields.emplace_back("scope", endpoints.Scope);
    return FormText::Join(fields);
}

std::string DeviceCodeRequest(const TOAuthEndpoints& endpoints, const TOAuthAccount& account) {
    return FormText::Join({{"client_id", account.ClientId}, {"scope", endpoints.Scope}});
}

std::string DevicePoll(const TOAuthAccount& account, const std::string& deviceCode) {
    TFields fields = {{"grant_type", "urn:ietf:params:oauth:grant-type:device_code"},
                      {"device_code", deviceCode}};
    AddClient(fields, account);
    return FormText::Join(fields);
}

}  // namespace OAuthRequests
