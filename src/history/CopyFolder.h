#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Where the copies of deleted messages go: <folder>\Deleted\<account>\<yyyymmdd-hhmmss>-<id>.eml,
// the account's name and the message's unique id made fit for a Windows file name.
class TCopyFolder {
public:
    static constexpr int kKeptDays = 30;
    // Longest account folder and unique-id part, in bytes: the whole path stays well inside the
    // 260 characters Windows allows.
    static constexpr size_t kAccountNameBytes = 64;
    static constexpr size_t kIdBytes = 80;

    // `folder`: the program's folder.
    explicit TCopyFolder(const std::string& folder);

    const std::string& Path() const { return DeletedPath; }
    // The folder of one account's copies.
    std::string AccountFolder(const std::string& account) const;
    // The file for a copy taken at `dateTime` (day count since 1899-12-30).
    std::string CopyPath(const std::string& account, double dateTime,
                         const std::string& uniqueId) const;
    // The copy of the message with `uniqueId` that a deletion at `deletedAt` ("yyyy/mm/dd
    // hh:nn:ss", as the history writes it) kept: the newest copy of that id taken no later than
    // then; empty when there is none.
    std::string FindCopy(const std::string& account, const std::string& uniqueId,
                         const std::string& deletedAt) const;
    // Removes the copies last written more than kKeptDays before `now` (seconds since 1970 UTC);
    // gives how many went.
    size_t RemoveExpired(int64_t now) const;

    // `text` as one Windows file name: characters Windows refuses become "_", blanks and dots at
    // the end go, a reserved device name (CON, NUL, COM1...) gets a "_" before it, and it is cut
    // to `maxBytes` without splitting a two-byte character. Never empty.
    static std::string FileSafeName(const std::string& text, size_t maxBytes);

private:
    std::string DeletedPath;
};
