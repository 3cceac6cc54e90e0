#pragma once
#include <cstdint>
#include <string>

// An access token in memory, with the moment it stops being good (seconds on a steady clock).
struct TAccessToken {
    // Refreshed when less than this is left: a login, a listing and a deletion fit in it.
    static constexpr int64_t RefreshMargin = 5 * 60;

    std::string Token;
    int64_t ExpiresAt = 0;

    // True while at least RefreshMargin seconds are left at now.
    bool Fresh(int64_t now) const { return !Token.empty() && ExpiresAt - now >= RefreshMargin; }
    void Forget() {
        Token.clear();
        ExpiresAt = 0;
    }
};
