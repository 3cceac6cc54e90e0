#include "pop3/HostLookup.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#ifdef _WIN32
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on

#include "pop3/WideText.h"
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

struct THostLookup::TState {
    std::mutex Guard;
    std::condition_variable Answered;
    bool Done = false;
    bool Found = false;
    uint32_t Address = 0;
#ifdef _WIN32
    HANDLE Cancel = nullptr;  // of the system's asynchronous lookup while it runs
#endif

    void Finish(bool found, uint32_t address) {
        {
            std::lock_guard<std::mutex> lock(Guard);
            if (Done) return;
            Done = true;
            Found = found;
            Address = address;
        }
        Answered.notify_all();
    }
};

namespace {

using TState = THostLookup::TState;

void OnHelperThread(const std::shared_ptr<TState>& state, const std::string& host,
                    const THostLookup::TResolver& resolver) {
    // The thread holds its own share of the state: it may answer after the waiter has gone.
    std::thread([state, host, resolver] {
        uint32_t address = 0;
        const bool found = resolver(host, address);
        state->Finish(found, address);
    }).detach();
}

#ifdef _WIN32

// Resolved at run time: the asynchronous form and its cancellation exist from Windows 8 on.
using TCompletion = void(CALLBACK*)(DWORD error, DWORD bytes, LPWSAOVERLAPPED overlapped);
using TGetAddrInfoExW = INT(WSAAPI*)(PCWSTR name, PCWSTR service, DWORD nameSpace, LPGUID provider,
                                     const ADDRINFOEXW* hints, PADDRINFOEXW* result,
                                     timeval* timeout, LPOVERLAPPED overlapped,
                                     TCompletion completion, LPHANDLE cancel);
using TGetAddrInfoExCancel = INT(WSAAPI*)(LPHANDLE cancel);
using TFreeAddrInfoExW = void(WSAAPI*)(PADDRINFOEXW result);

struct TAsyncApi {
    TGetAddrInfoExW Get = nullptr;
    TGetAddrInfoExCancel Cancel = nullptr;
    TFreeAddrInfoExW Free = nullptr;
    bool Usable() const { return Get && Cancel && Free; }
};

const TAsyncApi& AsyncApi() {
    static const TAsyncApi api = [] {
        TAsyncApi found;
        if (HMODULE ws2 = GetModuleHandleA("ws2_32.dll")) {
            found.Get = reinterpret_cast<TGetAddrInfoExW>(
                reinterpret_cast<void*>(GetProcAddress(ws2, "GetAddrInfoExW")));
            found.Cancel = reinterpret_cast<TGetAddrInfoExCancel>(
                reinterpret_cast<void*>(GetProcAddress(ws2, "GetAddrInfoExCancel")));
            found.Free = reinterpret_cast<TFreeAddrInfoExW>(
                reinterpret_cast<void*>(GetProcAddress(ws2, "FreeAddrInfoExW")));
        }
        return found;
    }();
    return api;
}

// One asynchronous call: what the system writes into lives until its completion routine ran,
// however long after the waiter gave up. The OVERLAPPED comes first: the routine gets its
// address back.
struct TAsyncCall {
    OVERLAPPED Overlapped{};
    PADDRINFOEXW Result = nullptr;
    std::shared_ptr<TState> State;
};

bool FirstIpv4(const ADDRINFOEXW* found, uint32_t& address) {
    // The mingw headers give ai_next a type of its own, laid out the same.
    for (; found; found = reinterpret_cast<const ADDRINFOEXW*>(found->ai_next)) {
        if (found->ai_family == AF_INET && found->ai_addr) {
            address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
            return true;
        }
    }
    return false;
}

void CALLBACK Completed(DWORD error, DWORD, LPWSAOVERLAPPED overlapped) {
    std::unique_ptr<TAsyncCall> call(reinterpret_cast<TAsyncCall*>(overlapped));
    uint32_t address = 0;
    const bool found = error == 0 && FirstIpv4(call->Result, address);
    if (call->Result) AsyncApi().Free(call->Result);
    call->State->Finish(found, address);
}

// True when the system took the lookup; false where it has no asynchronous form.
bool StartAsync(const std::shared_ptr<TState>& state, const std::string& host) {
    const TAsyncApi& api = AsyncApi();
    if (!api.Usable()) return false;
    auto call = std::make_unique<TAsyncCall>();
    call->State = state;
    ADDRINFOEXW hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    HANDLE cancel = nullptr;
    const std::wstring name = WideText(host);
    const INT status = api.Get(name.c_str(), nullptr, NS_DNS, nullptr, &hints, &call->Result,
                               nullptr, &call->Overlapped, Completed, &cancel);
    if (status == WSA_IO_PENDING) {
        std::lock_guard<std::mutex> lock(state->Guard);
        if (!state->Done) state->Cancel = cancel;
        call.release();  // the completion routine owns it now
        return true;
    }
    if (status == NO_ERROR) {
        // Answered at once. Should the routine still come, it finds the call where it was.
        uint32_t address = 0;
        const bool found = FirstIpv4(call->Result, address);
        call.release();
        state->Finish(found, address);
        return true;
    }
    // Refused at once: no routine comes. A refusal of the asynchronous form itself (before
    // Windows 8: WSAEINVAL) leaves the blocking lookup; any other is the answer.
    if (status == WSAEINVAL || status == WSAEOPNOTSUPP) return false;
    state->Finish(false, 0);
    return true;
}

void CancelAsync(TState& state) {
    HANDLE cancel = nullptr;
    {
        std::lock_guard<std::mutex> lock(state.Guard);
        if (state.Done) return;
        cancel = state.Cancel;
    }
    // A lookup that ended meanwhile answers this with WSA_INVALID_HANDLE, which is harmless.
    if (cancel) AsyncApi().Cancel(&cancel);
}

#endif

}  // namespace

bool THostLookup::SystemResolve(const std::string& host, uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

THostLookup::THostLookup(const std::string& host, const TResolver& resolver)
    : State(std::make_shared<TState>()) {
#ifdef _WIN32
    if (!resolver && StartAsync(State, host)) return;
#endif
    OnHelperThread(State, host, resolver ? resolver : TResolver(SystemResolve));
}

THostLookup::~THostLookup() {
#ifdef _WIN32
    CancelAsync(*State);
#endif
}

bool THostLookup::Wait(int waitMs) {
    std::unique_lock<std::mutex> lock(State->Guard);
    return State->Answered.wait_for(lock, std::chrono::milliseconds(waitMs),
                                    [this] { return State->Done; });
}

bool THostLookup::Found(uint32_t& address) const {
    std::lock_guard<std::mutex> lock(State->Guard);
    if (State->Done && State->Found) address = State->Address;
    return State->Done && State->Found;
}
