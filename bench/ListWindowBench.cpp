// Listing a large mailbox into the real window versus a bare pipelined client and the recording
// page without windows. Runs under Wine with an X server and the private Dovecot (scripts/bench
// starts both) against the account "bulk<N>" (PB_BENCH_MESSAGES, default 10000). All run over
// the same server in the same run; the figures that matter are the ratios. The memory a listing
// costs is measured in a fresh process of this program ("memory" on the command line), since
// the heap of earlier rounds would hold the rows of the next.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "RawPop3Client.h"
#include "RecordingPage.h"
#include "app/PruneboxM.h"
#include "worker/Connect.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Input stands in: another thread posts a probe to the window thread every 20 ms while the window
// lists; the longest a probe waited is how long a click or a tab switch would have waited.
constexpr UINT WM_PROBE = WM_APP + 99;
std::vector<double> ProbeWaits;

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_PROBE && message.hwnd == nullptr) {
            const auto sent = Clock::time_point(Clock::duration(message.lParam));
            ProbeWaits.push_back(Seconds(Clock::now() - sent) * 1000);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

size_t WorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
}

// What the window's own work costs once the mailbox is listed: a change of the rules that
// re-decides every row, and a right click up to the moment its menu opens.
struct TListedCosts {
    double BytesPerRow = 0;
    double RuleChangeMs = 0;
    double RightClickMs = 0;
};
TListedCosts Costs;

Clock::time_point MenuOpened;
LRESULT CALLBACK SeeMenu(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && reinterpret_cast<const CWPSTRUCT*>(lParam)->message == WM_INITMENUPOPUP) {
        MenuOpened = Clock::now();
        EndMenu();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

double RightClickMs(HWND list) {
    RECT row{};
    row.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
    const LPARAM at = MAKELPARAM(row.left + 5, (row.top + row.bottom) / 2);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, SeeMenu, nullptr, GetCurrentThreadId());
    const auto start = Clock::now();
    SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, at);
    SendMessageA(list, WM_RBUTTONUP, 0, at);
    UnhookWindowsHookEx(hook);
    return Seconds(MenuOpened - start) * 1000;
}

// The recording page: the worker's own cost plus a copy of every row.
double ListWithoutWindow(const std::string& server, const std::string& user,
                         const std::string& password, size_t& rows) {
    TRecordingPage page;
    page.Server = server;
    page.User = user;
    page.Password = password;
    TConnectPtr worker = TConnect::Create(1, page);
    const auto start = Clock::now();
    worker->Resume(TConnect::CmdConnect, page.Inputs());
    worker->WaitIdle(3600 * 1000);
    const double elapsed = Seconds(Clock::now() - start);
    rows = page.CurrentRows().size();
    worker->Resume(TConnect::CmdDisconnect, page.Inputs());
    worker->WaitIdle(60000);
    return elapsed;
}

// The baseline: a bare client that logs in, reads LIST and UIDL and sends TOP n 0 for every
// message, 200 commands ahead of the replies, reading each to its end without looking inside.
double ListPipelined(int port, const std::string& user, const std::string& password,
                     size_t& rows) {
    const auto start = Clock::now();
    TRawPop3Client client("127.0.0.1", port);
    client.Command("USER " + user);
    client.Command("PASS " + password);
    client.Command("STAT");
    rows = static_cast<size_t>(std::atol(client.Reply().c_str() + 4));  // "+OK n size"
    client.ListPipelined(static_cast<long>(rows), 200);
    client.Command("QUIT");
    return Seconds(Clock::now() - start);
}

// The main window: the rows land in the list view, status texts in the status bar, the lamp on
// the tab, all through the page's hand-over to this thread. Ends when the buttons are back.
double ListIntoWindow(const std::string& server, const std::string& user,
                      const std::string& password, size_t& rows) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Korvane\\PruneboxBench");
    TPruneboxM main;
    main.RegistryBase = "\\Software\\Korvane\\PruneboxBench";
    main.Create();
    ShowWindow(main.Handle, SW_SHOWNORMAL);
    TChPage& page = *main.Accounts.Pages[0];
    SetWindowTextA(page.Frame->Serv, server.c_str());
    SetWindowTextA(page.Frame->IDNum, user.c_str());
    SetWindowTextA(page.Frame->Pass, password.c_str());
    Pump();
    const DWORD windowThread = GetCurrentThreadId();
    std::atomic<bool> listing{true};
    std::thread prober([&] {
        while (listing) {
            PostThreadMessageA(windowThread, WM_PROBE, 0,
                               static_cast<LPARAM>(Clock::now().time_since_epoch().count()));
            Sleep(20);
        }
    });
    const size_t before = WorkingSet();
    const auto start = Clock::now();
    SendMessageA(page.Frame->Logon, BM_CLICK, 0, 0);
    while (page.Worker->Busy() || !IsWindowEnabled(page.Frame->KvPanel1.Handle)) {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    Pump();
    const double elapsed = Seconds(Clock::now() - start);
    listing = false;
    prober.join();
    Pump();
    rows = static_cast<size_t>(page.Frame->RowCount());
    Costs.BytesPerRow = rows ? double(WorkingSet() - before) / rows : 0;
    page.AutoDelMode = 1;
    page.Rules = {"Subject:,一括テスト 1"};
    const auto ruleStart = Clock::now();
    page.RulesChanged();
    UpdateWindow(page.Frame->MailView);
    Costs.RuleChangeMs = Seconds(Clock::now() - ruleStart) * 1000;
    Costs.RightClickMs = RightClickMs(page.Frame->MailView);
    page.RunCommand(TChPage::CommandDisconnect);
    while (page.Worker->Busy()) {
        Pump();
        Sleep(5);
    }
    SendMessageA(main.Handle, WM_CLOSE, 0, 0);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Korvane\\PruneboxBench");
    return elapsed;
}

}  // namespace

// A fresh process lists once into the window; its exit code is the working set it gained per
// listed message, in bytes.
int MemoryRun(const std::string& server, const std::string& user, const std::string& password) {
    size_t rows = 0;
    ListIntoWindow(server, user, password, rows);
    return static_cast<int>(Costs.BytesPerRow);
}

double BytesPerRowInFreshProcess() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command = std::string("\"") + path + "\" memory";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<double>(code);
}

int main(int argc, char** argv) {
    const std::string port = Env("PB_DOVECOT_PORT");
    if (port.empty()) {
        std::printf(
            "ListWindowBench: no Dovecot (PB_DOVECOT_PORT); run it through scripts/bench\n");
        return 1;
    }
    const std::string messages = Env("PB_BENCH_MESSAGES", "10000");
    const std::string server = "127.0.0.1:" + port;
    const std::string user = "bulk" + messages;
    const std::string password = Env("PB_DOVECOT_PASSWORD");
    if (argc > 1 && std::string(argv[1]) == "memory") return MemoryRun(server, user, password);
    const int rounds = std::atoi(Env("PB_BENCH_ROUNDS", "3").c_str());

    double bestPlain = 1e9, bestWindow = 1e9, bestBare = 1e9;
    size_t plainRows = 0, windowRows = 0, bareRows = 0;
    for (int round = 0; round < rounds; ++round) {
        bestBare = std::min(bestBare, ListPipelined(std::atoi(port.c_str()), user, password,
                                                    bareRows));
        bestPlain = std::min(bestPlain, ListWithoutWindow(server, user, password, plainRows));
        bestWindow = std::min(bestWindow, ListIntoWindow(server, user, password, windowRows));
        std::printf("round %d: %zu rows without window, %zu rows in the window\n", round + 1,
                    plainRows, windowRows);
    }
    if (plainRows != windowRows || plainRows == 0 || bareRows != windowRows) {
        std::printf("row counts differ or are zero: %zu, %zu, %zu\n", plainRows, windowRows,
                    bareRows);
        return 1;
    }
    const TListedCosts lastRound = Costs;
    const double bytesPerRow = BytesPerRowInFreshProcess();
    std::printf("%zu messages, best of %d rounds:\n", plainRows, rounds);
    std::printf("  bare pipelined client     : %8.2f s  %8.0f messages/s\n", bestBare,
                bareRows / bestBare);
    std::printf("  recording page, no window : %8.2f s  %8.0f messages/s\n", bestPlain,
                plainRows / bestPlain);
    std::printf("  main window (list view)   : %8.2f s  %8.0f messages/s\n", bestWindow,
                windowRows / bestWindow);
    std::printf("  window / no window        : %8.2f\n", bestWindow / bestPlain);
    std::printf("  window / bare pipelined   : %8.2f (target 1.5 or less)\n",
                bestWindow / bestBare);
    std::printf("  after the last listing, %zu rows: rule change %.1f ms (target 50), right click"
                " to its menu %.1f ms (target 20)\n",
                windowRows, lastRound.RuleChangeMs, lastRound.RightClickMs);
    std::printf("  a fresh process listing once: working set %.2f KiB per listed message"
                " (target 1)\n",
                bytesPerRow / 1024);
    if (!ProbeWaits.empty()) {
        std::sort(ProbeWaits.begin(), ProbeWaits.end());
        const size_t over = static_cast<size_t>(
            ProbeWaits.end() - std::upper_bound(ProbeWaits.begin(), ProbeWaits.end(), 100.0));
        std::printf(
            "  input while the window listed: %zu probes, median %.0f ms, longest %.0f ms,"
            " %zu over 100 ms\n",
            ProbeWaits.size(), ProbeWaits[ProbeWaits.size() / 2], ProbeWaits.back(), over);
    }
    return 0;
}
