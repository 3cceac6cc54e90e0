#include "history/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>

#include "headers/SjisText.h"

#ifdef _WIN32
#include <io.h>
#include <shlobj.h>
#include <windows.h>
#else
#include <dirent.h>
#include <unistd.h>
#endif

namespace FileSystem {

#ifdef _WIN32
const char Separator = '\\';
#else
const char Separator = '/';
#endif

namespace {

constexpr const char kProgramFolderName[] = "Prunebox";

bool IsSeparator(char c) { return c == '/' || (Separator == '\\' && c == '\\'); }

// Position of the last separator, never the second byte of a two-byte character; npos if none.
size_t LastSeparator(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (SjisText::IsLeadByte(path[i]))
            ++i;
        else if (IsSeparator(path[i]))
            last = i;
    }
    return last;
}

bool FolderExists(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

bool MakeFolder(const std::string& path) {
#ifdef _WIN32
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
#else
    return mkdir(path.c_str(), 0755) == 0;
#endif
}

#ifdef _WIN32
// A wide path in the ANSI code page; its short form when a character has no ANSI form.
std::string AnsiPath(const wchar_t* wide) {
    BOOL lossy = FALSE;
    int size =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lossy);
    if (size > 0 && !lossy) {
        std::string ansi(size, '\0');
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, &ansi[0], size, nullptr,
                            nullptr);
        ansi.resize(size - 1);
        return ansi;
    }
    wchar_t shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameW(wide, shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "";
    lossy = FALSE;
    size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortPath, -1, nullptr, 0, nullptr,
                               &lossy);
    if (size <= 0 || lossy) return "";
    std::string ansi(size, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortPath, -1, &ansi[0], size, nullptr,
                        nullptr);
    ansi.resize(size - 1);
    return ansi;
}

std::string LocalAppData() {
    PWSTR wide = nullptr;
    std::string path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &wide)))
        path = AnsiPath(wide);
    CoTaskMemFree(wide);
    if (path.empty()) {
        const char* value = std::getenv("LOCALAPPDATA");
        if (value) path = value;
    }
    return path;
}
#else
std::string LocalAppData() {
    if (const char* value = std::getenv("LOCALAPPDATA")) return value;
    if (const char* home = std::getenv("HOME")) return JoinPath(JoinPath(home, ".local"), "share");
    return "";
}
#endif

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const size_t last = LastSeparator(folder);
    if (last != std::string::npos && last + 1 == folder.size()) return folder + name;
    return folder + Separator + name;
}

bool CreateFolders(const std::string& path) {
    if (path.empty()) return false;
    if (FolderExists(path) || MakeFolder(path)) return true;
    const size_t last = LastSeparator(path);
    // A path ending in a separator names the folder before it.
    if (last != std::string::npos && last + 1 == path.size())
        return CreateFolders(path.substr(0, last));
    if (last == std::string::npos) return false;
    const std::string parent = path.substr(0, last == 0 ? 1 : last);  // "/" stays the root
    if (!CreateFolders(parent)) return false;
    return MakeFolder(path) || FolderExists(path);
}

bool Exists(const std::string& path) {
#ifdef _WIN32
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat info;
    return stat(path.c_str(), &info) == 0;
#endif
}

bool ReadWhole(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) RemoveFile(path);
    return ok;
}

bool CanWrite(const std::string& path) {
    // The read-only mark counts even where the system would let this process past it (an
    // administrator, Wine run by root): the user set it to keep the file as it is.
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
#else
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && !(info.st_mode & S_IWUSR)) return false;
#endif
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (!file) return false;
    std::fclose(file);
    return true;
}

bool MoveOver(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool RemoveFile(const std::string& path) {
#ifdef _WIN32
    return DeleteFileA(path.c_str()) != 0;
#else
    return unlink(path.c_str()) == 0;
#endif
}

std::FILE* CreateNew(const std::string& path) {
#ifdef _WIN32
    const int fd =
        _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) _close(fd);
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) close(fd);
#endif
    return file;
}

std::vector<TEntry> ListFolder(const std::string& folder) {
    std::vector<TEntry> entries;
#ifdef _WIN32
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        ULARGE_INTEGER time;
        time.LowPart = found.ftLastWriteTime.dwLowDateTime;
        time.HighPart = found.ftLastWriteTime.dwHighDateTime;
        // FILETIME counts 100 ns from 1601-01-01.
        const int64_t seconds = static_cast<int64_t>(time.QuadPart / 10000000) - 11644473600LL;
        entries.push_back(
            {name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, seconds});
    } while (FindNextFileA(search, &found));
    FindClose(search);
#else
    DIR* dir = opendir(folder.c_str());
    if (!dir) return entries;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info;
        if (stat(JoinPath(folder, name).c_str(), &info) != 0) continue;
        entries.push_back({name, S_ISDIR(info.st_mode), static_cast<int64_t>(info.st_mtime)});
    }
    closedir(dir);
#endif
    return entries;
}

bool IsAbsolute(const std::string& path) {
#ifdef _WIN32
    const bool drive = path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') ||
                                            (path[0] >= 'a' && path[0] <= 'z')) &&
                       path[1] == ':' && IsSeparator(path[2]);
    return drive || (path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]));
#else
    return !path.empty() && path[0] == '/';
#endif
}

std::string ProgramDataFolder() {
    const std::string base = LocalAppData();
    if (!IsAbsolute(base)) return "";
    const std::string folder = JoinPath(base, kProgramFolderName);
    return CreateFolders(folder) ? folder : "";
}

}  // namespace FileSystem
