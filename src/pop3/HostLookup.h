#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// One host name lookup that runs apart from the thread that waits for it, so that the waiter
// can give up (the user stopped, the time-out passed) while the name servers stay silent.
// Windows: the system's asynchronous lookup (GetAddrInfoExW), cancelled when given up, where
// the system has it; otherwise, and elsewhere, the blocking lookup on a helper thread that
// finishes on its own after the waiter has gone.
class THostLookup {
public:
    // A blocking lookup: true with the first IPv4 address of host (network byte order).
    using TResolver = std::function<bool(const std::string& host, uint32_t& address)>;
    // The system's blocking lookup (getaddrinfo).
    static bool SystemResolve(const std::string& host, uint32_t& address);

    // Starts the lookup: with `resolver` on a helper thread, or with the system's lookup when
    // it is empty.
    THostLookup(const std::string& host, const TResolver& resolver);
    // Gives up a lookup that has not answered.
    ~THostLookup();
    THostLookup(const THostLookup&) = delete;
    THostLookup& operator=(const THostLookup&) = delete;

    // Waits at most waitMs for the answer; true once it is there.
    bool Wait(int waitMs);
    // After Wait said true: whether the host was found, and its address.
    bool Found(uint32_t& address) const;

    struct TState;  // shared with the lookup, which may outlive this object

private:
    std::shared_ptr<TState> State;
};
