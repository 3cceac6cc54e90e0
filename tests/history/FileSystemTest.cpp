// The narrow-name file operations: separators never found inside a two-byte character, and the
// program's folder found and made.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ScratchFolder.h"
#include "history/FileSystem.h"

namespace {

TEST(FileSystem, JoinsWithOneSeparator) {
    const std::string sep(1, FileSystem::Separator);
    const struct {
        std::string Folder, Name, Path;
    } cases[] = {
        {"a", "b", "a" + sep + "b"},
        {"a" + sep, "b", "a" + sep + "b"},
        {"表", "b", "表" + sep + "b"},  // "表" ends in the byte of "\"
        {"", "b", "b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileSystem::JoinPath(c.Folder, c.Name), c.Path) << c.Folder;
}

TEST(FileSystem, CreatesNestedFoldersWithJapaneseNames) {
    TScratchFolder scratch;
    const std::string nested =
        FileSystem::JoinPath(FileSystem::JoinPath(scratch.Path, "表示"), "ソフト");
    ASSERT_TRUE(FileSystem::CreateFolders(nested));
    EXPECT_TRUE(FileSystem::CreateFolders(nested));  // already there
    const std::string file = FileSystem::JoinPath(nested, "x.txt");
    ASSERT_TRUE(FileSystem::WriteWhole(file, "x"));
    const auto entries = FileSystem::ListFolder(FileSystem::JoinPath(scratch.Path, "表示"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Name, "ソフト");
    EXPECT_TRUE(entries[0].IsFolder);
    EXPECT_FALSE(FileSystem::CreateFolders(FileSystem::JoinPath(file, "under")));
}

TEST(FileSystem, ProgramFolderIsMadeUnderLocalAppData) {
#ifdef _WIN32
    // The prefix's own %LOCALAPPDATA%.
    const std::string folder = FileSystem::ProgramDataFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder, FileSystem::JoinPath(std::getenv("LOCALAPPDATA"), "Prunebox"));
#else
    TScratchFolder scratch;
    const std::string base = FileSystem::JoinPath(scratch.Path, "Local");
    setenv("LOCALAPPDATA", base.c_str(), 1);
    const std::string folder = FileSystem::ProgramDataFolder();
    unsetenv("LOCALAPPDATA");
    EXPECT_EQ(folder, FileSystem::JoinPath(base, "Prunebox"));
#endif
    EXPECT_TRUE(FileSystem::Exists(folder));
    EXPECT_TRUE(FileSystem::CreateFolders(folder));
}

}  // namespace
