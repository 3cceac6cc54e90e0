// Where copies go: names Windows accepts, and copies past their time removed.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "ScratchFolder.h"
#include "headers/MainDM.h"
#include "history/CopyFolder.h"
#include "history/FileSystem.h"

#ifdef _WIN32
#include <sys/utime.h>
#else
#include <utime.h>
#endif

namespace {

void SetModified(const std::string& path, int64_t time) {
#ifdef _WIN32
    _utimbuf times{static_cast<time_t>(time), static_cast<time_t>(time)};
    ASSERT_EQ(_utime(path.c_str(), &times), 0) << path;
#else
    utimbuf times{static_cast<time_t>(time), static_cast<time_t>(time)};
    ASSERT_EQ(utime(path.c_str(), &times), 0) << path;
#endif
}

TEST(CopyFolder, FileSafeNames) {
    const struct {
        std::string Text;
        size_t Max;
        std::string Name;
    } cases[] = {
        {"会社", 64, "会社"},
        {"a<b>c:d\"e/f\\g|h?i*j", 64, "a_b_c_d_e_f_g_h_i_j"},
        {"tab\there\x7f\x01", 64, "tab_here__"},
        {"trailing. . ", 64, "trailing"},
        {"...", 64, "_"},
        {"", 64, "_"},
        {"CON", 64, "_CON"},
        {"nul.txt", 64, "_nul.txt"},
        {"Com1", 64, "_Com1"},
        {"LPT9 ", 64, "_LPT9"},
        {"COM0", 64, "COM0"},
        {"CONSOLE", 64, "CONSOLE"},
        {"表ソ", 64, "表ソ"},   // second bytes "\" and "\" stay in their characters
        {"ab表示", 5, "ab表"},  // cut before a character that does not fit
        {"ab\x95", 64, "ab"},   // a lone first half goes
        {"abcdef", 4, "abcd"},
        {"aux", 3, "_au"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TCopyFolder::FileSafeName(c.Text, c.Max), c.Name) << c.Text;
}

TEST(CopyFolder, CopyPathNamesAccountTimeIdAndKey) {
    TScratchFolder scratch;
    TCopyFolder folder(scratch.Path);
    const std::string sep(1, FileSystem::Separator);
    const std::string path =
        folder.CopyPath("会社:1", TMainDM::EncodeDateTime(2026, 12, 8, 9, 5, 2), "<a/b>", "d1");
    const std::string start =
        scratch.Path + sep + "Deleted" + sep + "会社_1" + sep + "20261208-090502-_a_b_-";
    EXPECT_EQ(path.substr(0, start.size()), start);
    EXPECT_EQ(path.size(), start.size() + 16 + 4) << path;  // the key and ".eml"
}

// Never the working folder: with no program folder nothing is written, found or removed.
TEST(CopyFolder, EmptyOrRelativeFolderIsNeverUsed) {
    TScratchFolder scratch;
    const std::string here = std::filesystem::current_path().string();
    std::filesystem::current_path(scratch.Path);
    const std::string stale = FileSystem::JoinPath(FileSystem::JoinPath("Deleted", "a"), "old.eml");
    ASSERT_TRUE(FileSystem::CreateFolders(FileSystem::JoinPath("Deleted", "a")));
    ASSERT_TRUE(FileSystem::WriteWhole(stale, "x"));
    SetModified(stale, 1000);
    for (const char* base : {"", ".", "folder"}) {
        TCopyFolder copies(base);
        EXPECT_FALSE(copies.Usable()) << base;
        EXPECT_EQ(copies.RemoveExpired(1800000000), 0u) << base;
        EXPECT_EQ(copies.CopyPath("a", 0, "u1", "d"), "") << base;
        EXPECT_EQ(copies.CopyOf("a", "old.eml", "u1", "2026/12/08 10:00:00"), "") << base;
    }
    EXPECT_TRUE(FileSystem::Exists(stale));
    std::filesystem::current_path(here);
}

// Ids and accounts that one file name part would mix up each get their own copy, found again
// by the name the history recorded and by nothing else.
TEST(CopyFolder, EachMessageHasItsOwnCopy) {
    TScratchFolder scratch;
    TCopyFolder copies(scratch.Path);
    const struct {
        const char* Account;
        const char* Id;
        const char* Digest;
    } messages[] = {
        {"Work", "a/b", "d"}, {"Work", "a:b", "d"},  {"Work", "a?b", "d"}, {"Work", "a_b", "d"},
        {"Work", "A_B", "d"}, {"Work", "a_b", "d2"}, {"Work.", "a_b", "d"}, {"Work ", "a_b", "d"},
        {"Work", "a-2", "d"},
    };
    std::vector<std::string> names;
    for (const auto& m : messages) {
        EXPECT_EQ(copies.KeptCopy(m.Account, m.Id, m.Digest), "") << m.Account << m.Id;
        const std::string path = copies.CopyPath(m.Account, 46000, m.Id, m.Digest);
        ASSERT_TRUE(FileSystem::CreateFolders(copies.AccountFolder(m.Account)));
        ASSERT_FALSE(FileSystem::Exists(path)) << path;  // NTFS would take it for another's
        ASSERT_TRUE(FileSystem::WriteWhole(path, std::string(m.Account) + m.Id + m.Digest));
        names.push_back(path.substr(copies.AccountFolder(m.Account).size() + 1));
    }
    for (size_t i = 0; i < std::size(messages); ++i) {
        const auto& m = messages[i];
        std::string bytes;
        ASSERT_TRUE(FileSystem::ReadWhole(copies.KeptCopy(m.Account, m.Id, m.Digest), bytes));
        EXPECT_EQ(bytes, std::string(m.Account) + m.Id + m.Digest);
        ASSERT_TRUE(FileSystem::ReadWhole(copies.CopyOf(m.Account, names[i], m.Id, ""), bytes));
        EXPECT_EQ(bytes, std::string(m.Account) + m.Id + m.Digest);
    }
    // A name edited into the history file never leads out of the account's folder.
    ASSERT_TRUE(FileSystem::WriteWhole(FileSystem::JoinPath(copies.Path(), "x.eml"), "x"));
    for (const char* name : {"../x.eml", "..\\x.eml", "x.txt", "missing.eml"})
        EXPECT_EQ(copies.CopyOf("Work", name, "a_b", ""), "") << name;
}

TEST(CopyFolder, CleanupIsDueAtStartAndThenDaily) {
    const int64_t day = TCopyFolder::kCleanupSeconds, t = 1800000000;
    const struct {
        int64_t Now, Last;
        bool Due;
    } cases[] = {{t, 0, true}, {t + day - 1, t, false}, {t + day, t, true}, {t - 1, t, true}};
    for (const auto& c : cases)
        EXPECT_EQ(TCopyFolder::CleanupDue(c.Now, c.Last), c.Due) << c.Now - t;
}


TEST(CopyFolder, RemovesCopiesOlderThanThirtyDays) {
    TScratchFolder scratch;
    TCopyFolder copies(scratch.Path);
    const int64_t now = 1800000000;
    const int64_t day = 86400;
    const struct {
        const char* Account;
        const char* File;
        int64_t Age;
        bool Kept;
    } files[] = {
        {"会社", "old.eml", 31 * day, false},     {"会社", "young.eml", 29 * day, true},
        {"私用", "OLD.EML", 30 * day + 1, false}, {"私用", "old.txt", 90 * day, true},
        {"私用", "future.eml", -day, true},
    };
    for (const auto& f : files) {
        const std::string folder = copies.AccountFolder(f.Account);
        ASSERT_TRUE(FileSystem::CreateFolders(folder));
        const std::string path = FileSystem::JoinPath(folder, f.File);
        ASSERT_TRUE(FileSystem::WriteWhole(path, "x"));
        SetModified(path, now - f.Age);
    }
    EXPECT_EQ(copies.RemoveExpired(now), 2u);
    for (const auto& f : files)
        EXPECT_EQ(FileSystem::Exists(FileSystem::JoinPath(copies.AccountFolder(f.Account), f.File)),
                  f.Kept)
            << f.File;
    EXPECT_EQ(TCopyFolder(FileSystem::JoinPath(scratch.Path, "none")).RemoveExpired(now), 0u);
}

TEST(CopyFolder, FindsTheNewestCopyOfTheIdTakenByTheDeletion) {
    TScratchFolder scratch;
    TCopyFolder copies(scratch.Path);
    const std::string folder = copies.AccountFolder("会社");
    ASSERT_TRUE(FileSystem::CreateFolders(folder));
    for (const char* name : {"20261208-090000-a_b.eml", "20261208-100000-a_b.eml",
                             "20261208-110000-a_b.eml", "20261208-093000-xa_b.eml"})
        ASSERT_TRUE(FileSystem::WriteWhole(FileSystem::JoinPath(folder, name), "x"));
    const struct {
        const char* Id;
        const char* DeletedAt;
        const char* Found;  // empty: none
    } cases[] = {
        {"a/b", "2026/12/08 10:00:05", "20261208-100000-a_b.eml"},
        {"a/b", "2026/12/08 10:00:00", "20261208-100000-a_b.eml"},
        {"a/b", "2026/12/08 08:59:59", ""},
        {"b", "2026/12/08 12:00:00", ""},  // the end of another id's name is not a match
        {"a/b", "not a time", ""},
    };
    for (const auto& c : cases) {
        const std::string found = copies.FindCopy("会社", c.Id, c.DeletedAt);
        EXPECT_EQ(found, *c.Found ? FileSystem::JoinPath(folder, c.Found) : "") << c.DeletedAt;
    }
    EXPECT_EQ(copies.FindCopy("私用", "a/b", "2026/12/08 12:00:00"), "");
}

}  // namespace
