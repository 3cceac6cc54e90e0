#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Where the copies of deleted messages go:
// <folder>\Deleted\<account>\<yyyymmdd-hhmmss>-<id>-<key>.eml, the account's name and the
// message's unique id made fit for a Windows file name, and a key that tells the message apart
// where those names do not (ids differing in letter case or in characters a name cannot hold,
// account names Windows takes for one folder). Older copies are named without the key.
// Nothing is ever written, found or removed under an empty or relative folder: that would be
// wherever the program happened to start.
class TCopyFolder {
public:
    static constexpr int kKeptDays = 30;
    static constexpr int64_t kCleanupSeconds = 86400;
    // Longest account folder and unique-id part, in bytes: the whole path stays well inside the
    // 260 characters Windows allows.
    static constexpr size_t kAccountNameBytes = 64;
    static constexpr size_t kIdBytes = 80;

    // `folder`: the program's folder.
    explicit TCopyFolder(const std::string& folder);

    // False for an empty or relative program folder: nothing can be kept then.
    bool Usable() const { return !DeletedPath.empty(); }
    const std::string& Path() const { return DeletedPath; }
    // The folder of one account's copies.
    std::string AccountFolder(const std::string& account) const;
    // The file for a copy of the message (its unique id and the digest of its header) taken at
    // `dateTime` (day count since 1899-12-30); empty when the folder is not usable.
    std::string CopyPath(const std::string& account, double dateTime, const std::string& uniqueId,
                         const std::string& headerDigest) const;
    // A copy of the same message kept earlier (a deletion that failed after its copies were
    // written); empty when there is none.
    std::string KeptCopy(const std::string& account, const std::string& uniqueId,
                         const std::string& headerDigest) const;
    // The copy a history line names: `copyName` in the account's folder when the line has one
    // (only a plain name of a copy counts), else as FindCopy finds it; empty when it is not there.
    std::string CopyOf(const std::string& account, const std::string& copyName,
                       const std::string& uniqueId, const std::string& deletedAt) const;
    // The copy of the message with `uniqueId` that a deletion at `deletedAt` ("yyyy/mm/dd
    // hh:nn:ss", as the history writes it) kept: the newest copy of that id taken no later than
    // then; empty when there is none.
    std::string FindCopy(const std::string& account, const std::string& uniqueId,
                         const std::string& deletedAt) const;
    // Removes the copies last written more than kKeptDays before `now` (seconds since 1970 UTC);
    // gives how many went.
    size_t RemoveExpired(int64_t now) const;
    // Whether RemoveExpired is due at `now` for a program that stays resident for days: at first
    // (`lastRun` 0), then once per kCleanupSeconds, and at once when the clock went back.
    static bool CleanupDue(int64_t now, int64_t lastRun);

    // `text` as one Windows file name: characters Windows refuses become "_", blanks and dots at
    // the end go, a reserved device name (CON, NUL, COM1...) gets a "_" before it, and it is cut
    // to `maxBytes` without splitting a two-byte character. Never empty.
    static std::string FileSafeName(const std::string& text, size_t maxBytes);

private:
    std::string DeletedPath;
};
