#pragma once
#include <string>

#include "learn/LearnModel.h"

// The learned model's file in the program's folder. It is replaced in one step, so a crash
// leaves the old or the new model, never half of one; a file that cannot be read as a model is
// moved aside under a new name, never overwritten.
class TLearnFile {
public:
    static constexpr const char* FileName = "Learned.pbm";
    static constexpr const char* DamagedSuffix = ".damaged";

    enum class TLoad { Missing, Loaded, SetAside, Unreadable };

    explicit TLearnFile(std::string folder);

    // Reads the model. Missing: an empty model. SetAside: the damaged file now has a new name
    // and `problem` says which; the model is empty. Unreadable: the file is there but could
    // neither be read nor moved; the model is empty and Save refuses to replace the file.
    TLoad Load(TLearnModel& model, std::string& problem);
    // Writes the model beside the file, then moves it over the file.
    bool Save(const TLearnModel& model) const;

    const std::string& Path() const { return FilePath; }

private:
    std::string Folder;
    std::string FilePath;
    bool Blocked = false;  // a file there could not be read or moved aside
};
