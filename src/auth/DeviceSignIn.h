#pragma once
#include <atomic>
#include <cstdint>
#include <functional>

#include "auth/BrowserSignIn.h"
#include "auth/TokenResponse.h"

// The device code flow (RFC 8628), for a user who signs in on another device or browser: the
// code and the page to enter it on are shown, and the token endpoint is asked at the interval
// the provider gave, slower each time it says slow_down, until the user has signed in, declined,
// or the code has expired. Runs on a thread of its own; Cancel may come from any other.
class TDeviceSignIn {
public:
    // Shows the user the code and the page (once, before the polling starts).
    std::function<void(const TDeviceCode& code)> ShowCode;
    // Waits seconds; false when the wait was cancelled. Tests put in their own.
    std::function<bool(int64_t seconds)> Wait;
    // Seconds on a steady clock; tests put in their own.
    std::function<int64_t()> Now;

    TDeviceSignIn();
    // Throws EAuthFailure when no tokens came.
    TSignInTokens Run(const TOAuthAccount& account, THttpsClient& https);
    void Cancel() { Cancelled = true; }

private:
    std::atomic<bool> Cancelled{false};
};
