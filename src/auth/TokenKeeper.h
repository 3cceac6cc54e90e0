#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "auth/AccessToken.h"
#include "auth/OAuthProvider.h"

class THttpsClient;

// One account's tokens while the program runs: the refresh token it was given (or the one the
// provider rotated it to) and the access token, held in memory only and refreshed when less
// than five minutes of it are left or when the server refused it. Used by one thread.
class TTokenKeeper {
public:
    // Seconds on a steady clock; tests put in their own.
    std::function<int64_t()> Now;
    // The provider gave a new refresh token, which replaces the old one at once: store it.
    std::function<void(const std::string& refreshToken)> Rotated;

    TTokenKeeper();

    // The account and the refresh token a command starts from. Another account, or another
    // token than last given (the user signed in again), forgets the access token; the same
    // token as last given keeps a rotated one the page may not have learnt of yet.
    void Use(const TOAuthAccount& account, const std::string& refreshToken);
    // An access token with at least five minutes left, refreshed first when renew says the
    // server refused the one held. Throws EAuthFailure.
    std::string AccessToken(THttpsClient& https, bool renew);
    // A sign-in's result: its tokens in place of those held, kept like a rotated refresh token
    // until Use is given another.
    void SignedIn(const std::string& refreshToken, const std::string& accessToken,
                  int64_t expiresIn);

private:
    TOAuthAccount Account;
    std::string Given;    // the refresh token last given by Use
    std::string Refresh;  // the one in use: Given, or what the provider rotated it to
    TAccessToken Access;
};
