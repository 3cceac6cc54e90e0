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

}  // namespace

TCopyFolder::TCopyFolder(const std::string& folder)
    : DeletedPath(FileSystem::JoinPath(folder, "Deleted")) {}

std::string TCopyFolder::AccountFolder(const std::string& account) const {
    return FileSystem::JoinPath(DeletedPath, FileSafeName(account, kAccountNameBytes));
}

std::string TCopyFolder::CopyPath(const std::string& account, double dateTime,
                                  const std::string& uniqueId) const {
    const std::string key = TMainDM::DateSortKey(dateTime);  // "yyyymmddhhnnsszz"
    const std::string stamp = key.substr(0, 8) + "-" + key.substr(8, 6);
    return FileSystem::JoinPath(AccountFolder(account),
                                stamp + "-" + FileSafeName(uniqueId, kIdBytes) + kCopyExtension);
}

std::string TCopyFolder::FindCopy(const std::string& account, const std::string& uniqueId,
                                  const std::string& deletedAt) const {
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
    const int64_t oldest = now - kKeptDays * kSecondsPerDay;
    size_t removed = 0;
    for (const auto& account : FileSystem::ListFolder(DeletedPath)) {
        if (!account.IsFolder) continue;
        const std::string folder = FileSystem::JoinPath(DeletedPath, account.Name);
        for (const auto& file : FileSystem::ListFolder(folder)) {
            const std::string& name = file.Name;
            const size_t extension = std::strlen(kCopyExtension);
            const bool isCopy =
                !file.IsFolder && name.size() > extension &&
                SjisSearch::AsciiUpper(name.substr(name.size() - extension)) == ".EML";
            if (isCopy && file.Modified < oldest &&
                FileSystem::RemoveFile(FileSystem::JoinPath(folder, name)))
                ++removed;
        }
    }
    return removed;
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
