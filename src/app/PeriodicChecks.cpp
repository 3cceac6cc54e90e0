#include "app/PeriodicChecks.h"

#include <chrono>

#include "headers/SjisText.h"

TPeriodicChecks::TPeriodicChecks(TAccountTable& accounts, HWND window)
    : Accounts(accounts), Window(window) {
    SetTimer(Window, TimerId, TickMs, nullptr);
}

TPeriodicChecks::~TPeriodicChecks() {
    if (IsWindow(Window)) KillTimer(Window, TimerId);
}

TChPage* TPeriodicChecks::PageOf(const std::string& key) const {
    for (int slot = 1; slot < Accounts.PageCount; ++slot) {
        TChPage* page = Accounts.Page(slot);
        if (page && page->KeyName == key) return page;
    }
    return nullptr;
}

void TPeriodicChecks::Sync() {
    // Modal dialogs and questions disable the main window.
    Schedule.SetDialogOpen(!IsWindowEnabled(Window));
    std::set<std::string> keys;
    for (int slot = 1; slot < Accounts.PageCount; ++slot) {
        TChPage* page = Accounts.Page(slot);
        if (!page || page->KeyName.empty()) continue;
        const std::string& key = page->KeyName;
        keys.insert(key);
        Schedule.SetAccount(key, page->CheckEvery);
        // A manual command, or the session it left standing, holds the mailbox.
        const bool held =
            !Running.count(key) && (page->Worker->Busy() || page->Worker->Connected());
        Schedule.SetConnected(key, held);
    }
    for (const std::string& key : Known) {
        if (keys.count(key)) continue;
        Schedule.RemoveAccount(key);
        Running.erase(key);
        FailedKeys.erase(key);
    }
    Known = std::move(keys);
}

bool TPeriodicChecks::Start(const std::string& key) {
    TChPage* page = PageOf(key);
    if (!page || !Schedule.CheckStarted(key)) return false;
    if (!page->StartCheck()) {
        // The worker took a command meanwhile: try again in a minute.
        Schedule.CheckEnded(key, TCheckOutcome::InUse);
        return false;
    }
    Running.insert(key);
    return true;
}

void TPeriodicChecks::StartDue() {
    // A start copies the page's rows on this thread: the checks due after the budget is spent
    // start at the next tick or when a check ends, so that input waits less meanwhile.
    const auto stop = std::chrono::steady_clock::now() + std::chrono::milliseconds(StartBudgetMs);
    for (const std::string& key : Schedule.Due()) {
        Start(key);
        if (std::chrono::steady_clock::now() >= stop) break;
    }
}

void TPeriodicChecks::Tick() {
    Sync();
    StartDue();
}

void TPeriodicChecks::CheckAll() {
    Sync();
    for (const std::string& key : Known) {
        const TChPage* page = PageOf(key);
        if (!page || Running.count(key) || page->Worker->Busy() || page->Worker->Connected())
            continue;
        Schedule.CheckNow(key);
    }
    StartDue();
}

std::string TPeriodicChecks::Ended(int slot, const TCheckResult& result) {
    const TChPage* page = Accounts.Page(slot);
    if (!page) return std::string();
    const std::string key = page->KeyName;
    // While its check is still counted as running, so that its own worker, ending now, does
    // not count as a session the user holds.
    Sync();
    Running.erase(key);
    Schedule.CheckEnded(key, result.Outcome, result.LoginDelaySeconds);
    if (result.Failure.empty())
        FailedKeys.erase(key);
    else
        FailedKeys.insert(key);
    if (result.SignInNeeded)
        SignInKeys.insert(key);
    else
        SignInKeys.erase(key);
    // The checks waiting for their turn.
    StartDue();
    return key;
}

std::string TPeriodicChecks::NoticeText(const std::string& caption, const TCheckResult& result) {
    if (result.Arrived.empty()) return std::string();
    std::string text =
        SjisText::Trim(caption) + ": " + std::to_string(result.Arrived.size()) + "通";
    for (size_t i = 0; i < result.Arrived.size() && i < NoticeLines; ++i) {
        const auto& columns = result.Arrived[i].Columns;
        text += "\r\n" + columns[TMailRow::Sender] + ": " + columns[TMailRow::Title];
    }
    if (result.Arrived.size() > NoticeLines) text += "\r\n...";
    if (result.Deleted > 0)
        text += "\r\n(" + std::to_string(result.Deleted) + "通を自動削除しました)";
    return text;
}
