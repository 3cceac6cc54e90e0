// Twenty accounts checked at once from the main window, as "すべて新着確認" or a timer tick that finds
// them all due starts them, while input arrives. Runs under Wine with an X server and the private
// Dovecot (scripts/bench starts both, with the accounts "tray01".."tray20" of PB_BENCH_MESSAGES
// messages each, default 1000). A probe is posted to the window thread every 20 ms; the time it
// waits is how long a click or a key would have waited. Each account is checked twice: the first
// check lists the mailbox, the second finds nothing new. The baseline of the same run is one
// account checked the same way in a window of its own, and the idle window before the checks.
// While the twenty list at once, the prober asks every 250 ms for another tab, as a click would
// arrive; the time from the asking until the window has painted the tab is what the user waits. Then the same twenty are checked one after another, each started as the one
// before ended: checking them at once should take less time.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/PeriodicChecks.h"
#include "app/PruneboxM.h"
#include "settings/AccountStore.h"
#include "settings/SettingsKeys.h"
#include "settings/WinRegistry.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const BenchBase = "\\Software\\Korvane\\PruneboxTrayBench";

std::string Env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

constexpr UINT WM_PROBE = WM_APP + 99;
constexpr UINT WM_CHOOSETAB = WM_APP + 98;

// The probes' waits, by the phase in which the window thread took them.
enum TPhase { Idle, First, Second, PhaseCount };
const char* const PhaseNames[PhaseCount] = {"idle window", "first checks", "checks, nothing new"};
struct TWaits {
    std::vector<double> Ms[PhaseCount];
    // The longest the window thread spent on one message, and on which window's.
    double LongestHandling[PhaseCount] = {};
    std::string HandledBy[PhaseCount];
    std::vector<double> TabPaintMs;  // from a tab asked for until the window had painted it
};
TWaits* Recording = nullptr;
TPhase Phase = Idle;
class TBenchMain;
std::atomic<TBenchMain*> Choosing{nullptr};  // the window whose tabs the prober asks for
void ChooseNextTab(TBenchMain& main);

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_PROBE && message.hwnd == nullptr) {
            const auto sent = Clock::time_point(Clock::duration(message.lParam));
            if (Recording) Recording->Ms[Phase].push_back(Milliseconds(Clock::now() - sent));
            continue;
        }
        if (message.message == WM_CHOOSETAB && message.hwnd == nullptr) {
            const auto sent = Clock::time_point(Clock::duration(message.lParam));
            if (TBenchMain* main = Choosing; main && Recording) {
                ChooseNextTab(*main);
                Recording->TabPaintMs.push_back(Milliseconds(Clock::now() - sent));
            }
            continue;
        }
        TranslateMessage(&message);
        const auto start = Clock::now();
        DispatchMessageA(&message);
        const double handling = Milliseconds(Clock::now() - start);
        if (Recording && handling > Recording->LongestHandling[Phase]) {
            char name[64] = "";
            GetClassNameA(message.hwnd, name, sizeof name);
            char what[96];
            std::snprintf(what, sizeof what, "%s 0x%04x", name, message.message);
            Recording->LongestHandling[Phase] = handling;
            Recording->HandledBy[Phase] = what;
        }
    }
}

void PumpFor(int milliseconds) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < end) {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// The main window, counting the checks that have ended.
class TBenchMain : public TPruneboxM {
public:
    int Ended = 0;
    void CheckEnded(int slot, const TCheckResult& result) override {
        TPruneboxM::CheckEnded(slot, result);
        ++Ended;
    }
};

struct TRun {
    TWaits Waits;
    double CheckAllMs[2] = {};  // the window thread inside CheckAll
    double ElapsedMs[2] = {};   // from CheckAll until every check had ended
    bool RowsRight = true;
};

void StoreAccounts(int count, const std::string& server, const std::string& password) {
    RegDeleteTreeA(HKEY_CURRENT_USER, BenchBase + 1);
    TWinRegistry registry(BenchBase);
    TAccountStore store(registry);
    for (int i = 1; i <= count; ++i) {
        char user[16];
        std::snprintf(user, sizeof user, "tray%02d", i);
        TAccountSettings account;
        account.Name = user;
        account.Serv = server;
        account.IDNum = user;
        account.Pass = password;
        // A rule that ticks one message in ten.
        account.AutoDelMode = kAutoDelHeaderSearch;
        account.Rules = {"Subject:,9 番目"};
        // Started by CheckAll only: the timer's own first checks would come at random moments.
        account.CheckEvery = 0;
        store.SaveAccount(account, TAccountStore::AccountKeyName(user, "127.0.0.1"));
    }
}

// Chooses the next tab as a click would and paints the window at once, as the paint after the
// click would.
void ChooseNextTab(TBenchMain& main) {
    const int count = main.MainPage.SheetCount();
    main.MainPage.SelectIndex((main.MainPage.ActiveIndex() + 1) % count, true);
    RedrawWindow(main.Handle, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Pumps until `ended` checks have ended; false after ten minutes.
bool WaitEnded(TBenchMain& main, int ended) {
    const auto limit = Clock::now() + std::chrono::minutes(10);
    while (main.Ended < ended) {
        if (Clock::now() > limit) return false;
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

// The accounts' checks one after another, each started as the one before ended, twice; the
// milliseconds of each round.
bool RunOneByOne(int accounts, const std::string& server, const std::string& password,
                 double elapsedMs[2]) {
    StoreAccounts(accounts, server, password);
    TBenchMain main;
    main.RegistryBase = BenchBase;
    main.Create();
    ShowWindow(main.Handle, SW_SHOWNORMAL);
    PumpFor(2500);
    bool ended = true;
    for (int round = 0; round < 2 && ended; ++round) {
        const auto start = Clock::now();
        for (int slot = 1; slot <= accounts && ended; ++slot) {
            TChPage* page = main.Accounts.Page(slot);
            ended = page && page->StartCheck() && WaitEnded(main, main.Ended + 1);
        }
        PumpFor(300);
        elapsedMs[round] = Milliseconds(Clock::now() - start);
    }
    SendMessageA(main.Handle, WM_CLOSE, 0, 0);
    Pump();
    RegDeleteTreeA(HKEY_CURRENT_USER, BenchBase + 1);
    if (!ended) std::printf("  checks one after another did not end\n");
    return ended;
}

bool Run(int accounts, int messages, const std::string& server, const std::string& password,
         TRun& run) {
    StoreAccounts(accounts, server, password);
    TBenchMain main;
    main.RegistryBase = BenchBase;
    main.Create();
    ShowWindow(main.Handle, SW_SHOWNORMAL);
    PumpFor(500);

    const DWORD windowThread = GetCurrentThreadId();
    std::atomic<bool> probing{true};
    Recording = &run.Waits;
    Phase = Idle;
    std::thread prober([&] {
        for (int tick = 0; probing; ++tick) {
            const auto now = static_cast<LPARAM>(Clock::now().time_since_epoch().count());
            PostThreadMessageA(windowThread, WM_PROBE, 0, now);
            if (tick % 12 == 0 && Choosing) PostThreadMessageA(windowThread, WM_CHOOSETAB, 0, now);
            Sleep(20);
        }
    });
    PumpFor(2000);
    bool ended = true;
    for (int round = 0; round < 2 && ended; ++round) {
        Phase = round == 0 ? First : Second;
        const auto start = Clock::now();
        main.Checks->CheckAll();
        run.CheckAllMs[round] = Milliseconds(Clock::now() - start);
        Choosing = round == 0 && accounts > 1 ? &main : nullptr;
        ended = WaitEnded(main, accounts * (round + 1));
        Choosing = nullptr;
        // The last changes are drawn when the queues run dry.
        PumpFor(300);
        run.ElapsedMs[round] = Milliseconds(Clock::now() - start);
        for (int slot = 1; slot <= accounts; ++slot) {
            const TChPage* page = main.Accounts.Page(slot);
            if (!page || page->Frame->RowCount() != messages) run.RowsRight = false;
        }
    }
    probing = false;
    prober.join();
    Pump();
    Recording = nullptr;
    SendMessageA(main.Handle, WM_CLOSE, 0, 0);
    Pump();
    RegDeleteTreeA(HKEY_CURRENT_USER, BenchBase + 1);
    if (!ended) std::printf("  checks did not end within ten minutes\n");
    return ended;
}

struct TFigures {
    size_t Count = 0, Over = 0;
    double Median = 0, Longest = 0;
};

TFigures FiguresOf(std::vector<double> waits) {
    TFigures figures;
    if (waits.empty()) return figures;
    std::sort(waits.begin(), waits.end());
    figures.Count = waits.size();
    figures.Median = waits[waits.size() / 2];
    figures.Longest = waits.back();
    figures.Over =
        static_cast<size_t>(waits.end() - std::upper_bound(waits.begin(), waits.end(), 100.0));
    return figures;
}

void Print(const char* label, const TRun& run, const TFigures& base) {
    for (int phase = Idle; phase < PhaseCount; ++phase) {
        const TFigures f = FiguresOf(run.Waits.Ms[phase]);
        std::printf("  %-9s %-20s %4zu probes  median %5.1f ms  longest %6.1f ms  %3zu over 100 ms",
                    label, PhaseNames[phase], f.Count, f.Median, f.Longest, f.Over);
        if (phase != Idle && base.Longest > 0)
            std::printf("  longest / baseline %.2f", f.Longest / base.Longest);
        std::printf("\n  %-9s %-20s longest message handled %.1f ms (%s)\n", label,
                    PhaseNames[phase], run.Waits.LongestHandling[phase],
                    run.Waits.HandledBy[phase].c_str());
    }
    for (int round = 0; round < 2; ++round)
        std::printf(
            "  %-9s %-20s CheckAll on the window thread %6.1f ms, all ended after %7.0f ms\n",
            label, PhaseNames[First + round], run.CheckAllMs[round], run.ElapsedMs[round]);
    if (!run.Waits.TabPaintMs.empty()) {
        const TFigures f = FiguresOf(run.Waits.TabPaintMs);
        std::printf("  %-9s a tab asked for while they listed: %zu times, painted after median"
                    " %.1f ms, longest %.1f ms (target 300)\n",
                    label, f.Count, f.Median, f.Longest);
    }
}

}  // namespace

int main() {
    const std::string port = Env("PB_DOVECOT_PORT");
    if (port.empty()) {
        std::printf(
            "TrayChecksBench: no Dovecot (PB_DOVECOT_PORT); run it through scripts/bench\n");
        return 1;
    }
    const int messages = std::atoi(Env("PB_BENCH_MESSAGES", "1000").c_str());
    const int accounts = std::atoi(Env("PB_BENCH_ACCOUNTS", "20").c_str());
    const int rounds = std::atoi(Env("PB_BENCH_ROUNDS", "2").c_str());
    const std::string server = "127.0.0.1:" + port;
    const std::string password = Env("PB_DOVECOT_PASSWORD");

    std::printf("%d accounts of %d messages, checked twice at once; probe every 20 ms\n", accounts,
                messages);
    bool ok = true;
    for (int round = 1; round <= rounds && ok; ++round) {
        TRun one, all;
        double oneByOneMs[2] = {};
        ok = Run(1, messages, server, password, one) &&
             Run(accounts, messages, server, password, all) &&
             RunOneByOne(accounts, server, password, oneByOneMs);
        if (!one.RowsRight || !all.RowsRight) {
            std::printf("  a page did not show its %d rows\n", messages);
            ok = false;
        }
        // The baseline: one account's checks in the same round.
        TFigures base;
        for (int phase = First; phase < PhaseCount; ++phase) {
            const TFigures f = FiguresOf(one.Waits.Ms[phase]);
            base.Longest = std::max(base.Longest, f.Longest);
        }
        std::printf(
            "round %d (baseline: the longest wait while one account was checked, %.1f ms)\n", round,
            base.Longest);
        Print("1 account", one, base);
        char label[16];
        std::snprintf(label, sizeof label, "%d accts", accounts);
        Print(label, all, base);
        for (int r = 0; r < 2; ++r)
            std::printf("  %-9s %-20s at once %7.0f ms, one after another %7.0f ms, ratio %.2f"
                        " (target below 1)\n",
                        label, PhaseNames[First + r], all.ElapsedMs[r], oneByOneMs[r],
                        oneByOneMs[r] > 0 ? all.ElapsedMs[r] / oneByOneMs[r] : 0.0);
    }
    return ok ? 0 : 1;
}
