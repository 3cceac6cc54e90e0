#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The few file operations the history and the copies need, on narrow (code page 932) names as
// the rest of the program uses them: the Win32 "A" functions on Windows, POSIX elsewhere.
namespace FileSystem {

// "\" on Windows, "/" elsewhere.
extern const char Separator;

// `folder` and `name` joined by one separator; never splits a two-byte character.
std::string JoinPath(const std::string& folder, const std::string& name);
// A full path: "X:\..." or "\\server\..." on Windows, "/..." elsewhere. Empty and relative
// paths would name something in whatever the working folder is.
bool IsAbsolute(const std::string& path);
// Creates the folder and the folders above it that are missing; true when it exists afterwards.
bool CreateFolders(const std::string& path);
// Something (a file or a folder) is there.
bool Exists(const std::string& path);
// The whole file into `bytes`; false when it cannot be read (missing included).
bool ReadWhole(const std::string& path, std::string& bytes);
// Writes `bytes` as the file's whole content, every byte flushed and the file closed; a failure
// removes what was written.
bool WriteWhole(const std::string& path, const std::string& bytes);
// True when the existing file can be opened for writing and is not marked read-only.
bool CanWrite(const std::string& path);
// Moves `from` over `to` in one step: `to` is either the old file or the new one, never lost.
bool MoveOver(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
// Opens a new file for writing in binary mode; nothing when the name is taken or cannot be made.
std::FILE* CreateNew(const std::string& path);

struct TEntry {
    std::string Name;
    bool IsFolder = false;
    int64_t Modified = 0;  // last write, seconds since 1970-01-01 UTC
};
// The files and folders in `folder`, without "." and "..".
std::vector<TEntry> ListFolder(const std::string& folder);

// The program's folder for its own files, %LOCALAPPDATA%\Prunebox, created when missing; empty
// when there is no such folder or it cannot be made.
std::string ProgramDataFolder();

}  // namespace FileSystem
