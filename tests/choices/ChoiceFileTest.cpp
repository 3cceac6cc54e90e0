// The choice file: one per mailbox, replaced whole, and a damaged one set aside and said.
#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "choices/ChoiceFile.h"
#include "history/FileSystem.h"

namespace {

TEST(ChoiceFile, KeepsTheChoicesOfEachMailboxApart) {
    TScratchFolder scratch;
    const TMailIdentity mail{"u1", 10, "d"};
    TChoiceRecord kept;
    kept.Listed({mail}, 100);
    kept.SetChoice(mail, TChoice::Keep, 100);
    ASSERT_TRUE(TChoiceFile(scratch.Path, "taro@pop.example.jp").Save(kept));
    const struct {
        std::string Key;
        TChoice Choice;
    } cases[] = {
        {"taro@pop.example.jp", TChoice::Keep},
        {"Taro@pop.example.jp", TChoice::None},  // one file name on NTFS, another mailbox
        {"taro@pop.example.jp:110", TChoice::None},
    };
    for (const auto& c : cases) {
        TChoiceFile file(scratch.Path, c.Key);
        EXPECT_EQ(file.Load().ChoiceOf(mail), c.Choice) << c.Key;
        EXPECT_EQ(file.Problem(), "") << c.Key;
    }
    EXPECT_EQ(TChoiceFile("", "taro@pop.example.jp").FilePath(), "");
    EXPECT_FALSE(TChoiceFile("", "taro@pop.example.jp").Save(kept));
}

TEST(ChoiceFile, ADamagedFileIsSetAsideAndWhatReadIsUsed) {
    TScratchFolder scratch;
    const TMailIdentity mail{"u1", 10, "d"};
    TChoiceRecord kept;
    kept.Listed({mail, {"u2", 20, "e"}}, 100);
    kept.SetChoice(mail, TChoice::Keep, 100);
    TChoiceFile file(scratch.Path, "a@b");
    ASSERT_TRUE(file.Save(kept));
    std::string text;
    ASSERT_TRUE(FileSystem::ReadWhole(file.FilePath(), text));
    ASSERT_TRUE(FileSystem::WriteWhole(file.FilePath(), text.substr(0, text.size() - 12)));

    const TChoiceRecord read = file.Load();
    EXPECT_EQ(read.ChoiceOf(mail), TChoice::Keep);
    EXPECT_NE(file.Problem().find("壊れていた"), std::string::npos) << file.Problem();
    EXPECT_FALSE(FileSystem::Exists(file.FilePath()));
    std::string aside;
    ASSERT_TRUE(FileSystem::ReadWhole(file.FilePath() + TChoiceFile::AsideSuffix, aside));
    EXPECT_EQ(aside, text.substr(0, text.size() - 12));
}

}  // namespace
