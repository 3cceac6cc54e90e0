#include "history/CopyFolder.h"

#include <cstring>

#include "headers/MainDM.h"
#include "headers/SjisSearch.h"
#include "headers/SjisText.h"
#include "history/FileSystem.h"

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr const char kCopyExtension[] = ".eml";

bool IsRefused(unsigned char c) {
    return c < 0x20 || c == 0x7F || std::strchr("<>:\"/\\|?*", c) != nullptr;
}

// Windows drops blanks and dots at the end of a name; a second byte is never one of them.
void TrimEnd(std::string& name) {
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
}

// CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9, alone or before an extension, any case.
bool IsDeviceName(const std::string& name) {
    std::string stem = SjisSearch::AsciiUpper(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

// What tells one message's copy from another's: 64 bits of FNV-1a over the account, the id and
// the header digest, in hexadecimal.
std::string MessageKey(const std::string& account, const std::string& uniqueId,
                       const std::string& headerDigest) {
    uint64_t hash = 14695981039346656037ull;
    for (const std::string* part : {&account, &uniqueId, &headerDigest}) {
        for (const char c : *part + '\n') {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ull;
        }
    }
    static const char digits[] = "0123456789abcdef";
    std::string key;
    for (int shift = 60; shift >= 0; shift -= 4) key += digits[(hash >> shift) & 0xF];
    return key;
}

bool IsCopyName(const std::string& name) {
    const size_t extension = std::strlen(kCopyExtension);
    return name.size() > extension &&
           SjisSearch::AsciiUpper(name.substr(name.size() - extension)) == ".EML";
}

}  // namespace

TCopyFolder::TCopyFolder(const std::string& folder)
    : DeletedPath(FileSystem::IsAbsolute(folder) ? FileSystem::JoinPath(folder, "Deleted")
                                                 : std::string()) {}

std::string TCopyFolder::AccountFolder(const std::string& account) const {
    return FileSystem::JoinPath(DeletedPath, FileSafeName(account, kAccountNameBytes));
}

std::string TCopyFolder::CopyPath(const std::string& account, double dateTime,
                                  const std::string& uniqueId,
                                  const std::string& headerDigest) const {
    if (!Usable()) return std::string();
    const std::string time = TMainDM::DateSortKey(dateTime);  // "yyyymmddhhnnsszz"
    const std::string stamp = time.substr(0, 8) + "-" + time.substr(8, 6);
    return FileSystem::JoinPath(AccountFolder(account),
                                stamp + "-" + FileSafeName(uniqueId, kIdBytes) + "-" +
                                    MessageKey(account, uniqueId, headerDigest) + kCopyExtension);
}

std::string TCopyFolder::KeptCopy(const std::string& account, const std::string& uniqueId,
                                  const std::string& headerDigest) const {
    if (!Usable()) return std::string();
    const std::string ending = "-" + FileSafeName(uniqueId, kIdBytes) + "-" +
                               MessageKey(account, uniqueId, headerDigest) + kCopyExtension;
    const std::string folder = AccountFolder(account);
    for (const auto& file : FileSystem::ListFolder(folder)) {
        const std::string& name = file.Name;
        if (!file.IsFolder && name.size() > ending.size() &&
            name.compare(name.size() - ending.size(), std::string::npos, ending) == 0)
            return FileSystem::JoinPath(folder, name);
    }
    return std::string();
}

std::string TCopyFolder::CopyOf(const std::string& account, const std::string& copyName,
                                const std::string& uniqueId, const std::string& deletedAt) const {
    if (!Usable()) return std::string();
    if (copyName.empty()) return FindCopy(account, uniqueId, deletedAt);
    // The history file may have been edited: a name that leads elsewhere opens nothing.
    if (!IsCopyName(copyName) || FileSafeName(copyName, copyName.size()) != copyName)
        return std::string();
    const std::string path = FileSystem::JoinPath(AccountFolder(account), copyName);
    return FileSystem::Exists(path) ? path : std::string();
}

std::string TCopyFolder::FindCopy(const std::string& account, const std::string& uniqueId,
                                  const std::string& deletedAt) const {
    if (!Usable()) return std::string();
    // "yyyymmdd-hhnnss", as copy names begin.
    std::string digits;
    for (const char c : deletedAt)
        if (c >= '0' && c <= '9') digits += c;
    if (digits.size() != 14) return std::string();
    const std::string latest = digits.substr(0, 8) + "-" + digits.substr(8);
    const std::string ending = "-" + FileSafeName(uniqueId, kIdBytes) + kCopyExtension;
    const size_t stampSize = latest.size();
    const std::string folder = AccountFolder(account);
    std::string found;
    for (const auto& file : FileSystem::ListFolder(folder)) {
        const std::string& name = file.Name;
        if (file.IsFolder || name.size() != stampSize + ending.size() ||
            name.compare(stampSize, std::string::npos, ending) != 0)
            continue;
        const std::string stamp = name.substr(0, stampSize);
        if (stamp <= latest && stamp > found) found = stamp;
    }
    return found.empty() ? std::string() : FileSystem::JoinPath(folder, found + ending);
}

size_t TCopyFolder::RemoveExpired(int64_t now) const {
    if (!Usable()) return 0;
    const int64_t oldest = now - kKeptDays * kSecondsPerDay;
    size_t removed = 0;
    for (const auto& account : FileSystem::ListFolder(DeletedPath)) {
        if (!account.IsFolder) continue;
        const std::string folder = FileSystem::JoinPath(DeletedPath, account.Name);
        for (const auto& file : FileSystem::ListFolder(folder)) {
            const std::string& name = file.Name;
            if (!file.IsFolder && IsCopyName(name) && file.Modified < oldest &&
                FileSystem::RemoveFile(FileSystem::JoinPath(folder, name)))
                ++removed;
        }
    }
    return removed;
}

bool TCopyFolder::CleanupDue(int64_t now, int64_t lastRun) {
    return lastRun == 0 || now < lastRun || now - lastRun >= kCleanupSeconds;
}

std::string TCopyFolder::FileSafeName(const std::string& text, size_t maxBytes) {
    std::string name;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (SjisText::IsLeadByte(text[i])) {
            if (i + 1 >= text.size()) break;  // a lone first half
            if (name.size() + 2 > maxBytes) break;
            name.append(text, i, 2);
            ++i;
            continue;
        }
        if (name.size() + 1 > maxBytes) break;
        name += IsRefused(c) ? '_' : static_cast<char>(c);
    }
    TrimEnd(name);
    if (name.empty()) return "_";
    if (IsDeviceName(name)) {
        name.insert(0, "_");
        // The "_" may have pushed the name past the limit: cut again at a character boundary.
        if (name.size() > maxBytes) return FileSafeName(name, maxBytes);
    }
    return name;
}
