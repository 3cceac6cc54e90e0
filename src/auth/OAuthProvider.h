#pragma once
#include <string>

// How an account logs in ("Auth"): the first two by password, the others by OAuth 2.0 sign-in.
enum TAuthMethod { AuthPassword = 0, AuthApop = 1, AuthMicrosoft = 2, AuthGoogle = 3 };
inline bool IsOAuth(int method) { return method == AuthMicrosoft || method == AuthGoogle; }

// An account's OAuth 2.0 settings as stored: the registered client and, for a company's own
// identity provider (and for tests), endpoints and scope in place of the provider's.
struct TOAuthAccount {
    int Method = AuthPassword;
    std::string ClientId;
    std::string Tenant;        // Microsoft: "consumers", "organizations" or a tenant id
    std::string ClientSecret;  // Google issues one to desktop apps; it is no secret
    std::string AuthorizeUrl;  // the rest: empty for the provider's own
    std::string TokenUrl;
    std::string DeviceUrl;
    std::string Scope;

    bool operator==(const TOAuthAccount& other) const;
    bool operator!=(const TOAuthAccount& other) const { return !(*this == other); }
};

// What a sign-in talks to, resolved from the provider's table and the account's overrides.
struct TOAuthEndpoints {
    std::string AuthorizeUrl;
    std::string TokenUrl;
    std::string DeviceUrl;  // empty: the provider has no device code flow for mail
    std::string Scope;
    std::string RedirectHost;  // the loopback redirect's host as the client was registered
    bool ScopeOnRefresh = false;
    bool AskOffline = false;  // access_type=offline and prompt=consent, or no refresh token comes
};

// The provider's POP3 server, which choosing it fills in.
struct TOAuthServer {
    const char* Host;
    int Port;
};

namespace OAuthProvider {

// The tenant an Outlook.com account signs in with when none is given.
constexpr const char DefaultTenant[] = "consumers";

// True for "https://" (any case) followed by a host and no blank or control character.
bool IsHttpsUrl(const std::string& url);
// The endpoints for the account; false with a message (Shift_JIS) when it cannot sign in: not
// an OAuth method, no client id, an endpoint that is not HTTPS, a tenant no URL may carry.
bool Resolve(const TOAuthAccount& account, TOAuthEndpoints& endpoints, std::string& error);
// The provider's server; nothing for the password methods.
const TOAuthServer* ServerOf(int method);

}  // namespace OAuthProvider
