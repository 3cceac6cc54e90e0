#include "learn/LearnFile.h"

#include "history/FileSystem.h"

namespace {

constexpr const char kTemporarySuffix[] = ".tmp";
// Set-aside names tried before giving up: ".damaged", ".damaged2", ...
constexpr int kAsideNames = 100;

}  // namespace

TLearnFile::TLearnFile(std::string folder)
    : Folder(std::move(folder)), FilePath(FileSystem::JoinPath(Folder, FileName)) {}

TLearnFile::TLoad TLearnFile::Load(TLearnModel& model, std::string& problem) {
    model = TLearnModel();
    problem.clear();
    Blocked = false;
    if (!FileSystem::Exists(FilePath)) return TLoad::Missing;
    std::string bytes;
    if (FileSystem::ReadWhole(FilePath, bytes) && TLearnModel::Parse(bytes, model))
        return TLoad::Loaded;
    for (int i = 1; i <= kAsideNames; ++i) {
        const std::string aside =
            FilePath + DamagedSuffix + (i == 1 ? std::string() : std::to_string(i));
        if (FileSystem::Exists(aside)) continue;
        if (!FileSystem::MoveOver(FilePath, aside)) break;
        problem = "学習データ " + FilePath + " が壊れていたため " + aside +
                  " に移しました。学習は最初からやり直しになります";
        return TLoad::SetAside;
    }
    Blocked = true;
    problem = "学習データ " + FilePath + " を読めません。このファイルには書き込みません";
    return TLoad::Unreadable;
}

bool TLearnFile::Save(const TLearnModel& model) const {
    if (Blocked || Folder.empty() || !FileSystem::CreateFolders(Folder)) return false;
    const std::string temporary = FilePath + kTemporarySuffix;
    if (!FileSystem::WriteWhole(temporary, model.Serialize())) return false;
    if (FileSystem::MoveOver(temporary, FilePath)) return true;
    FileSystem::RemoveFile(temporary);
    return false;
}
