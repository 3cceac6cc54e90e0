#include "worker/PageGate.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

void TPageGate::Detach() {
    std::unique_lock<std::mutex> lock(Mutex);
    Closed = true;
    if (!InCall) return;
    // The worker may be blocked in a question to the user-interface thread, which may be this one.
    lock.unlock();
    Page->CancelRequests();
    lock.lock();
    Left.wait(lock, [this] { return !InCall; });
}

void TPageGate::Enter() {
    std::lock_guard<std::mutex> lock(Mutex);
#ifndef NDEBUG
    // Only Detach may come from another thread; a second caller would interleave its changes
    // with the worker's and could miss the tear-down's wait.
    if (Owner == std::thread::id()) Owner = std::this_thread::get_id();
    if (Owner != std::this_thread::get_id()) {
        std::fputs("TPageGate entered by a thread other than its worker\n", stderr);
        std::abort();
    }
#endif
    if (Closed) throw EWorkerStopped();
    InCall = true;
}

void TPageGate::Leave() {
    bool closed;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        InCall = false;
        closed = Closed;
    }
    Left.notify_all();
    // An answer that arrives after the tear-down began is not acted on.
    if (closed) throw EWorkerStopped();
}

template <class F>
auto TPageGate::Call(F&& call) -> decltype(call(std::declval<TAccountPage&>())) {
    Enter();
    struct TLeaveOnThrow {
        TPageGate* Gate;
        bool Armed = true;
        ~TLeaveOnThrow() {
            if (!Armed) return;
            std::lock_guard<std::mutex> lock(Gate->Mutex);
            Gate->InCall = false;
            Gate->Left.notify_all();
        }
    } guard{this};
    if constexpr (std::is_void_v<decltype(call(*Page))>) {
        call(*Page);
        guard.Armed = false;
        Leave();
    } else {
        auto result = call(*Page);
        guard.Armed = false;
        Leave();
        return result;
    }
}

void TPageGate::Show(const TPageChange& change) {
    Call([&](TAccountPage& p) { p.Show(change); });
}
void TPageGate::ChangeRows(TRowsChange change) {
    Call([&](TAccountPage& p) { p.ChangeRows(std::move(change)); });
}
void TPageGate::ListingProgress(int32_t number, bool read) {
    Call([&](TAccountPage& p) { p.ListingProgress(number, read); });
}
void TPageGate::ShowHeader(const std::vector<std::string>& lines, const std::string& subject,
                           const std::string& secondSubject) {
    Call([&](TAccountPage& p) { p.ShowHeader(lines, subject, secondSubject); });
}
bool TPageGate::AskTrustCertificate(const std::string& text, const std::string& hash) {
    return Call([&](TAccountPage& p) { return p.AskTrustCertificate(text, hash); });
}
void TPageGate::RefreshTokenChanged(const std::string& token) {
    Call([&](TAccountPage& p) { p.RefreshTokenChanged(token); });
}
void TPageGate::CheckEnded(const TCheckResult& result) {
    Call([&](TAccountPage& p) { p.CheckEnded(result); });
}
