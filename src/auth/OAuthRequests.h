#pragma once
#include <string>

#include "auth/OAuthProvider.h"

// The requests of a sign-in, as URL and form bodies (RFC 6749, RFC 7636 PKCE, RFC 8628 device
// code): pure text, sent by whoever holds the connection.
namespace OAuthRequests {

// The authorization code request the browser opens: client, loopback redirect, scope, state,
// the S256 code challenge, and the user's address as a hint.
std::string AuthorizeUrl(const TOAuthEndpoints& endpoints, const TOAuthAccount& account,
                         const std::string& redirectUri, const std::string& state,
                         const std::string& challenge, const std::string& loginHint);
// The redirect the listener on port waits for, on the provider's registered loopback host.
std::string RedirectUri(const TOAuthEndpoints& endpoints, int port);
// Token request bodies.
std::string CodeGrant(const TOAuthEndpoints& endpoints, const TOAuthAccount& account,
                      const std::string& code, const std::string& redirectUri,
                      const std::string& verifier);
std::string RefreshGrant(const TOAuthEndpoints& endpoints, const TOAuthAccount& account,
                         const std::string& refreshToken);
std::string DeviceCodeRequest(const TOAuthEndpoints& endpoints, const TOAuthAccount& account);
std::string DevicePoll(const TOAuthAccount& account, const std::string& deviceCode);

}  // namespace OAuthRequests
