// RunAtDpi <dpi> <program> [arguments...]: runs the program with the system's DPI set to <dpi>
// and PB_EXPECT_DPI=<dpi> in its environment, then puts the setting back; exits with the
// program's code. Wine reads LogPixels when a process starts, so the child runs at that DPI
// while the rest of the prefix keeps its own.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

const char* const DesktopKey = "Control Panel\\Desktop";

std::optional<DWORD> ReadLogPixels() {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, DesktopKey, "LogPixels", RRF_RT_REG_DWORD, &type, &value,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

bool WriteLogPixels(const std::optional<DWORD>& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, DesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LSTATUS status =
        value ? RegSetValueExA(key, "LogPixels", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&*value), sizeof *value)
              : RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
    return status == ERROR_SUCCESS || (!value && status == ERROR_FILE_NOT_FOUND);
}

std::string Quoted(const char* argument) { return std::string("\"") + argument + "\""; }

}  // namespace

int main(int argc, char** argv) {
    const int dpi = argc >= 3 ? std::atoi(argv[1]) : 0;
    if (dpi < 96) {
        std::fprintf(stderr, "usage: RunAtDpi <dpi> <program> [arguments...]\n");
        return 2;
    }
    std::string command = Quoted(argv[2]);
    for (int i = 3; i < argc; ++i) command += " " + Quoted(argv[i]);

    const std::optional<DWORD> before = ReadLogPixels();
    if (!WriteLogPixels(static_cast<DWORD>(dpi))) {
        std::fprintf(stderr, "RunAtDpi: LogPixels cannot be set\n");
        return 2;
    }
    SetEnvironmentVariableA("PB_EXPECT_DPI", argv[1]);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD code = 2;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        std::fprintf(stderr, "RunAtDpi: %s did not start (%lu)\n", argv[2], GetLastError());
    }
    // The tests after this one run at the prefix's own DPI again.
    if (!WriteLogPixels(before)) {
        std::fprintf(stderr, "RunAtDpi: LogPixels cannot be put back\n");
        return 2;
    }
    return static_cast<int>(code);
}
