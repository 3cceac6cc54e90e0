#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "auth/LoopbackRedirect.h"

// The loopback end of a browser sign-in: a listener on 127.0.0.1 at a port the system picks,
// which waits for the provider's redirect and answers the browser with a short page. Requests
// that are not this sign-in's redirect are answered and passed over; the first that is ends the
// wait. Used by one thread; Cancel may come from another.
class TLoopbackListener {
public:
    // The longest request head read: a redirect is a line and a few headers.
    static constexpr size_t MaxRequest = 16 * 1024;

    TLoopbackListener() = default;
    ~TLoopbackListener();
    TLoopbackListener(const TLoopbackListener&) = delete;
    TLoopbackListener& operator=(const TLoopbackListener&) = delete;

    // Listens; false when no socket could be opened.
    bool Open();
    int Port() const { return ListenPort; }
    // The redirect for state (GotCode or Refused), or Kind Other when timeoutMs passed or the
    // wait was cancelled first.
    TLoopbackRedirect Wait(const std::string& state, int timeoutMs);
    void Cancel() { Cancelled = true; }

private:
    void Close();

    intptr_t Socket = -1;
    int ListenPort = 0;
    bool Started = false;
    std::atomic<bool> Cancelled{false};
};
