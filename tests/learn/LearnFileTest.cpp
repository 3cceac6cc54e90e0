#include <gtest/gtest.h>

#include "../history/ScratchFolder.h"
#include "history/FileSystem.h"
#include "learn/LearnFile.h"

namespace {

TLearnModel Small() {
    TLearnModel model;
    model.Train({"subject:sale", "from.dom:spam.example"}, true);
    model.Train({"subject:minutes", "from.dom:example.jp"}, false);
    return model;
}

std::string ReadAll(const std::string& path) {
    std::string bytes;
    FileSystem::ReadWhole(path, bytes);
    return bytes;
}

TEST(LearnFileTest, SavedModelReadsBackAndNoTemporaryStays) {
    TScratchFolder scratch;
    const std::string folder = FileSystem::JoinPath(scratch.Path, "Prunebox");
    TLearnFile file(folder);
    TLearnModel model;
    std::string problem;
    EXPECT_EQ(file.Load(model, problem), TLearnFile::TLoad::Missing);
    EXPECT_TRUE(problem.empty());
    ASSERT_TRUE(file.Save(Small()));
    EXPECT_FALSE(FileSystem::Exists(file.Path() + ".tmp"));
    EXPECT_EQ(file.Load(model, problem), TLearnFile::TLoad::Loaded);
    EXPECT_TRUE(model == Small());
}

TEST(LearnFileTest, DamagedFileIsSetAsideNeverOverwritten) {
    TScratchFolder scratch;
    TLearnFile file(scratch.Path);
    ASSERT_TRUE(file.Save(Small()));
    std::string bytes = ReadAll(file.Path());
    bytes[bytes.size() / 2] ^= 0x01;
    ASSERT_TRUE(FileSystem::WriteWhole(file.Path(), bytes));
    // A file already set aside earlier stays too: the next name is taken.
    ASSERT_TRUE(FileSystem::WriteWhole(file.Path() + ".damaged", "older"));

    TLearnModel model = Small();
    std::string problem;
    EXPECT_EQ(file.Load(model, problem), TLearnFile::TLoad::SetAside);
    EXPECT_TRUE(model == TLearnModel());
    const std::string aside = file.Path() + ".damaged2";
    EXPECT_NE(problem.find(aside), std::string::npos) << problem;
    EXPECT_EQ(ReadAll(aside), bytes);
    EXPECT_EQ(ReadAll(file.Path() + ".damaged"), "older");
    EXPECT_FALSE(FileSystem::Exists(file.Path()));
    EXPECT_TRUE(file.Save(model));
}

TEST(LearnFileTest, FailedSaveKeepsTheOldFile) {
    TScratchFolder scratch;
    TLearnFile file(scratch.Path);
    ASSERT_TRUE(file.Save(Small()));
    const std::string before = ReadAll(file.Path());
    // The temporary's name taken by a folder: the new model cannot be written.
    ASSERT_TRUE(FileSystem::CreateFolders(file.Path() + ".tmp"));
    EXPECT_FALSE(file.Save(TLearnModel()));
    EXPECT_EQ(ReadAll(file.Path()), before);
}

}  // namespace
