// The program as a process: single copy, imports.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "ProgramWindow.h"
#include "app/SingleInstance.h"

namespace {

PROCESS_INFORMATION Start(const std::string& arguments = "") {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = std::string("\"") + PRUNEBOX_EXE + "\"" + arguments;
    EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    return process;
}

// A second copy ends at once; started by hand it shows the running copy's window, hidden behind
// the icon or not, while a second start at logon ("/tray") leaves it hidden.
TEST(PruneboxTest, SecondCopyEndsAtOnceAndShowsTheRunningOne) {
    for (const char* second : {" /tray", ""}) {
        SCOPED_TRACE(second);
        PROCESS_INFORMATION first = Start(" /tray");
        HWND main = FindMainWindow(first.dwProcessId);
        ASSERT_NE(main, nullptr);
        WaitForInputIdle(first.hProcess, 20000);
        ASSERT_FALSE(IsWindowVisible(main));

        PROCESS_INFORMATION other = Start(second);
        EXPECT_EQ(WaitForSingleObject(other.hProcess, 20000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(other.hProcess, &code);
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(FindMainWindow(other.dwProcessId), nullptr);
        EXPECT_EQ(WaitForSingleObject(first.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        const bool shows = *second == '\0';
        for (int wait = 0; wait < 100 && IsWindowVisible(main) != shows; ++wait) Sleep(50);
        EXPECT_EQ(IsWindowVisible(main) != FALSE, shows);

        PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(first.hProcess, 20000), WAIT_OBJECT_0);
        for (const auto& p : {first, other}) {
            CloseHandle(p.hProcess);
            CloseHandle(p.hThread);
        }
    }
    // The mutex goes with the first copy: a new start runs again.
    PROCESS_INFORMATION third = Start();
    HWND again = FindMainWindow(third.dwProcessId);
    EXPECT_NE(again, nullptr);
    if (again) PostMessageA(again, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(third.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(third.hProcess);
    CloseHandle(third.hThread);
}

TEST(PruneboxTest, ImportsOnlySystemLibraries) {
    HMODULE image = LoadLibraryExA(PRUNEBOX_EXE, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    auto* base = reinterpret_cast<const BYTE*>(image);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    const std::set<std::string> system = {
        "ADVAPI32.DLL", "COMCTL32.DLL", "COMDLG32.DLL", "GDI32.DLL",  "KERNEL32.DLL",
        "MSVCRT.DLL",   "SHELL32.DLL",  "USER32.DLL",   "WS2_32.DLL", "WSOCK32.DLL",
        "OLE32.DLL",    "CRYPT32.DLL",  "SECUR32.DLL",  // the system's TLS
        "UXTHEME.DLL",                                  // visual styles off for bottom tabs
        "WINHTTP.DLL",  "BCRYPT.DLL"};                  // the sign-in's requests and PKCE
    int count = 0;
    for (; entry->Name; ++entry, ++count) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(system.count(name)) << name;
    }
    EXPECT_GT(count, 0);
    FreeLibrary(image);
}

TEST(PruneboxTest, OnlyTheFirstClaimOfTheInstanceMutexRuns) {
    const char* const name = "PruneboxInstanceTest";
    HANDLE first = nullptr, second = nullptr, third = nullptr;
    ASSERT_TRUE(ClaimSingleInstance(name, first));
    EXPECT_NE(first, nullptr);
    // Held: a second copy is refused and keeps no handle.
    EXPECT_FALSE(ClaimSingleInstance(name, second));
    EXPECT_EQ(second, nullptr);
    CloseHandle(first);
    // Released with the first copy: the next one runs.
    EXPECT_TRUE(ClaimSingleInstance(name, third));
    EXPECT_NE(third, nullptr);
    if (third) CloseHandle(third);
    // The name taken by another kind of object: no mutex, but the program runs.
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, name);
    HANDLE none = nullptr;
    EXPECT_TRUE(ClaimSingleInstance(name, none));
    EXPECT_EQ(none, nullptr);
    CloseHandle(event);
}

TEST(PruneboxTest, TrayOptionStartsWithTheWindowHidden) {
    for (const bool tray : {false, true}) {
        PROCESS_INFORMATION process = Start(tray ? " /TRAY" : "");
        HWND main = FindMainWindow(process.dwProcessId);
        ASSERT_NE(main, nullptr);
        // Past the start-up: the message loop waits for input.
        WaitForInputIdle(process.hProcess, 20000);
        EXPECT_EQ(IsWindowVisible(main) != FALSE, !tray) << tray;
        PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
}

}  // namespace
