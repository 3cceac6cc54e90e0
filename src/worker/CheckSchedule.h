#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "worker/CheckClock.h"
#include "worker/CheckResult.h"

// When each account's periodic check is due. Pure bookkeeping over a clock: the caller asks
// which checks are due, starts them, and reports how they ended.
//
// The first check of an account comes a few seconds after the schedule was made, the accounts a
// few seconds apart, all within ten seconds; each later one `CheckEvery` minutes after the
// previous check ended. A check is held back while its account is connected or checking, or
// while a dialog is open, and comes as soon as that ends. A sleep (the wall clock ran far ahead
// of the steady clock) counts as time passed, so a check it made overdue comes at once. At most
// kMaxRunning checks run at once; the others stay due and take their turn, the longest overdue
// first: twenty accounts due in one minute would otherwise fight for the processor, the network
// and the window thread together.
class TCheckSchedule {
public:
    static constexpr int64_t kFirstCheckMs = 2000;
    static constexpr int64_t kFirstChecksWithinMs = 10000;
    static constexpr int64_t kStaggerMs = 3000;
    static constexpr int64_t kFirstRetryMs = 60000;  // after a network failure, then doubled
    static constexpr int64_t kInUseRetryMs = 60000;
    // The wall clock running ahead of the steady clock by more than this between two readings
    // is a sleep; smaller differences are clock adjustments.
    static constexpr int64_t kClockJumpMs = 60000;
    static constexpr size_t kMaxRunning = 4;

    explicit TCheckSchedule(TCheckClock& clock);

    // Adds an account or changes its interval (minutes as the store gives them; 0 is off). An
    // account switched on gets its first check; a changed interval counts from the last check's
    // end.
    void SetAccount(const std::string& key, int checkEvery);
    void RemoveAccount(const std::string& key);

    // A manual session holds the account's mailbox.
    void SetConnected(const std::string& key, bool connected);
    // A dialog of the program is open: no check starts.
    void SetDialogOpen(bool open);
    // A check of the account is wanted now, even with its interval off; held back like any.
    void CheckNow(const std::string& key);

    // A check (periodic or manual) of the account begins; false when one already runs, and then
    // the second must not start.
    bool CheckStarted(const std::string& key);
    // The check ended; `loginDelaySeconds` is the server's LOGIN-DELAY when its CAPA said one
    // (none: not learnt this time, the last one known stays).
    void CheckEnded(const std::string& key, TCheckOutcome outcome,
                    std::optional<int32_t> loginDelaySeconds = std::nullopt);

    // The accounts whose check should start now, the longest overdue first; no more than the
    // checks that may start beside those running.
    std::vector<std::string> Due();
    // Milliseconds until the next check that nothing holds back is due (0 when one is due now);
    // nothing when none is. Checks waiting for their turn count as due.
    std::optional<int64_t> MillisecondsToNext();

private:
    struct TAccount {
        int64_t IntervalMs = 0;  // 0: off
        int64_t NextMs = 0;      // steady time the next check is due
        std::optional<int64_t> LastEndMs;  // steady time the last check ended
        int64_t LoginDelayMs = 0;
        int NetworkFailures = 0;  // in a row
        bool Running = false;
        bool Connected = false;
        bool Asked = false;  // CheckNow, until the check starts
    };

    // Reads the clock; a sleep since the last reading moves every due time earlier by its length.
    int64_t Now();
    // The first due time of an account switched on at `now`.
    int64_t FirstDue(int64_t now);
    bool Held(const TAccount& account) const;

    TCheckClock& Clock;
    TClockReading Last;
    int64_t StartMs;
    int FirstSlots = 0;  // accounts given a first check so far
    bool DialogOpen = false;
    std::map<std::string, TAccount> Accounts;
};
