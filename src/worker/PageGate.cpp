#include "worker/PageGate.h"

#include <cstdio>
#include <cstdlib>

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

void TPageGate::SetAutoDelMode(int mode) {
    Call([&](TAccountPage& p) { p.SetAutoDelMode(mode); });
}
void TPageGate::SetHeaderLines(const std::vector<std::string>& lines) {
    Call([&](TAccountPage& p) { p.SetHeaderLines(lines); });
}
void TPageGate::AddRow(const TMailRow& row) {
    Call([&](TAccountPage& p) { p.AddRow(row); });
}
void TPageGate::SetMessageNumber(size_t row, const std::string& number) {
    Call([&](TAccountPage& p) { p.SetMessageNumber(row, number); });
}
void TPageGate::ClearRows() {
    Call([](TAccountPage& p) { p.ClearRows(); });
}
void TPageGate::RepaintRows() {
    Call([](TAccountPage& p) { p.RepaintRows(); });
}
void TPageGate::SetStatusText(int panel, const std::string& text) {
    Call([&](TAccountPage& p) { p.SetStatusText(panel, text); });
}
void TPageGate::RepaintStatusBar() {
    Call([](TAccountPage& p) { p.RepaintStatusBar(); });
}
void TPageGate::SetStatusDetail(const std::string& detail) {
    Call([&](TAccountPage& p) { p.SetStatusDetail(detail); });
}
void TPageGate::SetButtonsEnabled(bool enabled) {
    Call([&](TAccountPage& p) { p.SetButtonsEnabled(enabled); });
}
void TPageGate::SetLoginEnabled(bool enabled) {
    Call([&](TAccountPage& p) { p.SetLoginEnabled(enabled); });
}
void TPageGate::SetIndicatorState(int index, int state) {
    Call([&](TAccountPage& p) { p.SetIndicatorState(index, state); });
}
void TPageGate::MessageBeep(unsigned int type) {
    Call([&](TAccountPage& p) { p.MessageBeep(type); });
}
int TPageGate::ConfirmDelete(const std::string& text) {
    return Call([&](TAccountPage& p) { return p.ConfirmDelete(text); });
}
void TPageGate::ShowHeaderViewer(const std::string& subject, const std::string& secondSubject) {
    Call([&](TAccountPage& p) { p.ShowHeaderViewer(subject, secondSubject); });
}
std::string TPageGate::PromptPassword(const std::string& accountName) {
    return Call([&](TAccountPage& p) { return p.PromptPassword(accountName); });
}
bool TPageGate::AskTrustCertificate(const std::string& text, const std::string& hash) {
    return Call([&](TAccountPage& p) { return p.AskTrustCertificate(text, hash); });
}
void TPageGate::SetProtectionText(const std::string& text) {
    Call([&](TAccountPage& p) { p.SetProtectionText(text); });
}

void TPageGate::RefreshTokenChanged(const std::string& token) {
    Call([&](TAccountPage& p) { p.RefreshTokenChanged(token); });
}

void TPageGate::CheckEnded(const TCheckResult& result) {
    Call([&](TAccountPage& p) { p.CheckEnded(result); });
}
