#include "worker/CheckSchedule.h"

#include <algorithm>

namespace {

constexpr int64_t kMinuteMs = 60000;
// Doubling stops here; the interval caps the wait long before.
constexpr int kMaxDoublings = 16;

}  // namespace

TCheckSchedule::TCheckSchedule(TCheckClock& clock)
    : Clock(clock), Last(clock.Now()), StartMs(Last.SteadyMs) {}

int64_t TCheckSchedule::Now() {
    const TClockReading now = Clock.Now();
    const int64_t slept = (now.WallMs - Last.WallMs) - (now.SteadyMs - Last.SteadyMs);
    if (slept > kClockJumpMs) {
        for (auto& entry : Accounts) entry.second.NextMs -= slept;
    }
    Last = now;
    return now.SteadyMs;
}

int64_t TCheckSchedule::FirstDue(int64_t now) {
    if (now - StartMs >= kFirstChecksWithinMs) return now + kFirstCheckMs;
    const int64_t spread = kFirstChecksWithinMs - kFirstCheckMs;
    const int64_t slot = kFirstCheckMs + (FirstSlots++ * kStaggerMs) % spread;
    return StartMs + slot;
}

void TCheckSchedule::SetAccount(const std::string& key, int checkEvery) {
    const int64_t now = Now();
    TAccount& account = Accounts[key];
    const int64_t interval = std::max(checkEvery, 0) * kMinuteMs;
    if (interval == account.IntervalMs) return;
    const bool switchedOn = account.IntervalMs == 0;
    account.IntervalMs = interval;
    if (interval == 0) return;
    if (account.LastEndMs)
        account.NextMs = *account.LastEndMs + std::max(interval, account.LoginDelayMs);
    else if (switchedOn)
        account.NextMs = FirstDue(now);
    account.NetworkFailures = 0;
}

void TCheckSchedule::RemoveAccount(const std::string& key) {
    Now();
    Accounts.erase(key);
}

void TCheckSchedule::SetConnected(const std::string& key, bool connected) {
    Now();
    Accounts[key].Connected = connected;
}

void TCheckSchedule::SetDialogOpen(bool open) {
    Now();
    DialogOpen = open;
}

void TCheckSchedule::CheckNow(const std::string& key) {
    const int64_t now = Now();
    TAccount& account = Accounts[key];
    account.Asked = true;
    account.NextMs = std::min(account.NextMs, now);
}

bool TCheckSchedule::CheckStarted(const std::string& key) {
    Now();
    TAccount& account = Accounts[key];
    if (account.Running) return false;
    account.Running = true;
    account.Asked = false;
    return true;
}

void TCheckSchedule::CheckEnded(const std::string& key, TCheckOutcome outcome,
                                std::optional<int32_t> loginDelaySeconds) {
    const int64_t now = Now();
    TAccount& account = Accounts[key];
    account.Running = false;
    account.LastEndMs = now;
    if (loginDelaySeconds && *loginDelaySeconds >= 0)
        account.LoginDelayMs = int64_t{*loginDelaySeconds} * 1000;
    if (outcome == TCheckOutcome::NetworkFailure)
        account.NetworkFailures = std::min(account.NetworkFailures + 1, kMaxDoublings);
    else
        account.NetworkFailures = 0;
    if (account.IntervalMs == 0) return;

    int64_t wait = account.IntervalMs;
    if (outcome == TCheckOutcome::NetworkFailure)
        wait = std::min(wait, kFirstRetryMs << (account.NetworkFailures - 1));
    else if (outcome == TCheckOutcome::InUse)
        wait = std::min(wait, kInUseRetryMs);
    // The server's minimum time between logins beats every shorter wait.
    account.NextMs = now + std::max(wait, account.LoginDelayMs);
}

bool TCheckSchedule::Held(const TAccount& account) const {
    return (account.IntervalMs == 0 && !account.Asked) || account.Running || account.Connected ||
           DialogOpen;
}

std::vector<std::string> TCheckSchedule::Due() {
    const int64_t now = Now();
    std::vector<std::pair<int64_t, std::string>> due;
    size_t running = 0;
    for (const auto& [key, account] : Accounts) {
        if (account.Running) ++running;
        if (!Held(account) && account.NextMs <= now) due.emplace_back(account.NextMs, key);
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    due.resize(std::min(due.size(), kMaxRunning - std::min(running, kMaxRunning)));
    std::vector<std::string> keys;
    for (auto& entry : due) keys.push_back(std::move(entry.second));
    return keys;
}

std::optional<int64_t> TCheckSchedule::MillisecondsToNext() {
    const int64_t now = Now();
    std::optional<int64_t> next;
    for (const auto& entry : Accounts) {
        if (Held(entry.second)) continue;
        const int64_t wait = std::max<int64_t>(0, entry.second.NextMs - now);
        if (!next || wait < *next) next = wait;
    }
    return next;
}
