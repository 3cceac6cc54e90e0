#include "choices/ChoiceFile.h"

#include <cstdio>

#include "history/CopyFolder.h"
#include "history/FileSystem.h"

namespace {

constexpr const char kTemporarySuffix[] = ".tmp";
constexpr size_t kKeyNameBytes = 48;

// FNV-1a: enough to keep apart keys that one file name would merge.
uint32_t KeyHash(const std::string& key) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : key) hash = (hash ^ c) * 16777619u;
    return hash;
}

}  // namespace

TChoiceFile::TChoiceFile(const std::string& programFolder, const std::string& key) {
    if (programFolder.empty() || key.empty()) return;
    char hash[16];
    std::snprintf(hash, sizeof hash, "-%08x.txt", static_cast<unsigned>(KeyHash(key)));
    Folder = FileSystem::JoinPath(programFolder, FolderName);
    Path = FileSystem::JoinPath(Folder, TCopyFolder::FileSafeName(key, kKeyNameBytes) + hash);
}

TChoiceRecord TChoiceFile::Load() {
    LoadProblem.clear();
    if (Path.empty() || !FileSystem::Exists(Path)) return TChoiceRecord();
    std::string bytes;
    size_t damaged = 1;
    TChoiceRecord record;
    if (FileSystem::ReadWhole(Path, bytes)) record = TChoiceRecord::Parse(bytes, damaged);
    if (damaged == 0) return record;
    // Never taken for "no choices": the user hears of it, and the file stays for a look.
    const std::string aside = Path + AsideSuffix;
    const bool moved = FileSystem::MoveOver(Path, aside);
    LoadProblem = "手で付け外しした削除チェックの記録 " + Path + " が壊れていたため、";
    if (moved) LoadProblem += aside + " に移し、";
    LoadProblem += "読めた分だけ使います。";
    return record;
}

bool TChoiceFile::Save(const TChoiceRecord& record) const {
    if (Path.empty()) return false;
    if (!FileSystem::CreateFolders(Folder)) return false;
    const std::string temporary = Path + kTemporarySuffix;
    if (!FileSystem::WriteWhole(temporary, record.Text())) return false;
    if (FileSystem::MoveOver(temporary, Path)) return true;
    FileSystem::RemoveFile(temporary);
    return false;
}
