#pragma once
#include <string>

#include "choices/ChoiceRecord.h"

// Where one mailbox's record of the user's choices lives, and its reading and writing: written
// whole through a new file that then replaces the old, so a failed write leaves the old one.
class TChoiceFile {
public:
    static constexpr const char* FolderName = "choices";
    static constexpr const char* AsideSuffix = ".damaged";

    // The file of the mailbox `key` (the account's "user@host") under the program's folder;
    // no file when either is empty. Keys that differ only where a file name cannot (letter
    // case, characters Windows refuses) get files of their own.
    TChoiceFile(const std::string& programFolder, const std::string& key);

    // The record as the file holds it; none when there is no file. A file that does not read
    // whole is moved aside (Path + AsideSuffix), what did read is given, and Problem says so.
    TChoiceRecord Load();
    // The text that tells the user what was wrong with the file at the last Load; empty when
    // nothing was.
    const std::string& Problem() const { return LoadProblem; }
    bool Save(const TChoiceRecord& record) const;
    const std::string& FilePath() const { return Path; }

private:
    std::string Folder;
    std::string Path;
    std::string LoadProblem;
};
