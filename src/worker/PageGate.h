#pragma once
#include <condition_variable>
#include <mutex>
#include <thread>

#include "worker/AccountPage.h"

// Thrown by the gate once the page has been detached: the worker stops where it is.
// Deliberately not a std::exception, so that no failure handler of a command swallows it.
struct EWorkerStopped {};

// The worker's only way to its page. Detach() (tear-down, from another thread) shuts the gate:
// it releases a question the worker is waiting on, waits until the worker has left the page, and
// from then on every call throws EWorkerStopped instead of touching the page. The page is entered
// only by the worker's thread, the first one that calls; debug builds stop when another does.
class TPageGate final : public TAccountPage {
public:
    explicit TPageGate(TAccountPage& page) : Page(&page) {}

    void Detach();

    void Show(const TPageChange& change) override;
    void ChangeRows(TRowsChange change) override;
    void ListingProgress(int32_t number, bool read) override;
    void ShowHeader(const std::vector<std::string>& lines, const std::string& subject,
                    const std::string& secondSubject) override;
    bool AskTrustCertificate(const std::string& text, const std::string& hash) override;
    void RefreshTokenChanged(const std::string& token) override;
    void CheckEnded(const TCheckResult& result) override;
    void CancelRequests() override {}  // the gate's own tear-down is Detach

private:
    template <class F>
    auto Call(F&& call) -> decltype(call(std::declval<TAccountPage&>()));
    void Enter();
    void Leave();

    TAccountPage* Page;
    std::mutex Mutex;
    std::condition_variable Left;
    bool Closed = false;
    bool InCall = false;
    std::thread::id Owner;  // the worker's thread, from its first call
};
