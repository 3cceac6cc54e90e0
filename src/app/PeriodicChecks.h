#pragma once
#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "page/AccountTable.h"
#include "worker/CheckClock.h"
#include "worker/CheckResult.h"
#include "worker/CheckSchedule.h"

// The periodic checks of every account: a timer on the main window asks the schedule each second
// which checks are due and starts them on their pages. A check waits while its account is
// connected or busy and while a dialog of the program is open (the main window is disabled then).
class TPeriodicChecks {
public:
    static constexpr UINT_PTR TimerId = 0x5043;
    static constexpr UINT TickMs = 1000;
    // Checks start one after another until this much time has passed, then wait for the next
    // tick or the end of a check.
    static constexpr int StartBudgetMs = 20;
    // Lines of new mail a notice names, before "...".
    static constexpr size_t NoticeLines = 3;
    static constexpr const char* NoticeTitle = "新着メール";

    TPeriodicChecks(TAccountTable& accounts, HWND window);
    ~TPeriodicChecks();
    TPeriodicChecks(const TPeriodicChecks&) = delete;
    TPeriodicChecks& operator=(const TPeriodicChecks&) = delete;

    // WM_TIMER with TimerId: starts the checks that are due.
    void Tick();
    // "すべて新着確認": a check of every account that is not connected or busy, now or, beyond the
    // checks that may run at once, as soon as its turn comes.
    void CheckAll();
    // A check of the page in `slot` has ended; its account's key, empty when the page is gone.
    std::string Ended(int slot, const TCheckResult& result);
    // The account's last check failed.
    bool Failed(const std::string& key) const { return FailedKeys.count(key) > 0; }
    // ... because the account must sign in again.
    bool SignInNeeded(const std::string& key) const { return SignInKeys.count(key) > 0; }

    // The notice of new mail after a check: "<caption>: n通", up to NoticeLines "sender:
    // subject" lines and "(m通を自動削除しました)" when the check deleted mail; empty when no new
    // mail remains.
    static std::string NoticeText(const std::string& caption, const TCheckResult& result);

private:
    // The accounts, their intervals and what holds them back, into the schedule.
    void Sync();
    // Starts the check of the account's page; false when nothing started.
    bool Start(const std::string& key);
    // Starts the checks the schedule says are due and have their turn.
    void StartDue();
    TChPage* PageOf(const std::string& key) const;

    TAccountTable& Accounts;
    HWND Window;
    TSystemCheckClock Clock;
    TCheckSchedule Schedule{Clock};
    std::set<std::string> Known;    // keys given to the schedule
    std::set<std::string> Running;  // keys whose check runs
    std::set<std::string> FailedKeys;
    std::set<std::string> SignInKeys;
};
