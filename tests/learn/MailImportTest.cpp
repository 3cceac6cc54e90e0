#include <gtest/gtest.h>

#include "../history/ScratchFolder.h"
#include "history/FileSystem.h"
#include "learn/MailImport.h"

namespace {

struct TRead {
    bool Ok;
    std::vector<std::string> Subjects;  // the first line of each header
    std::vector<std::string> Skipped;
};

TRead Read(const std::string& path, size_t cancelAfter = 1000) {
    TRead read;
    read.Ok = TMailImport::Read(
        path,
        [&](TMailImport::TLines header, double done) {
            EXPECT_TRUE(done > 0 && done <= 1) << done;
            read.Subjects.push_back(header.front());
            return read.Subjects.size() < cancelAfter;
        },
        read.Skipped);
    return read;
}

TEST(MailImportTest, EmlFolderGivesEachReadableHeaderAndNamesTheRest) {
    TScratchFolder scratch;
    const auto file = [&](const std::string& name, const std::string& text) {
        ASSERT_TRUE(FileSystem::WriteWhole(FileSystem::JoinPath(scratch.Path, name), text));
    };
    file("a.eml", "Subject: one\r\nFrom: a@example.jp\r\n\r\nbody\r\n");
    file("b.EML", "Subject: two\n folded\n\nbody\n");
    file("c.txt", "Subject: not mail\n\n");
    file("d.eml", "");
    file("e.eml", "\r\nno header\r\n");
    const TRead read = Read(scratch.Path);
    EXPECT_TRUE(read.Ok);
    EXPECT_EQ(read.Subjects, (std::vector<std::string>{"Subject: one", "Subject: two folded"}));
    EXPECT_EQ(read.Skipped,
              (std::vector<std::string>{FileSystem::JoinPath(scratch.Path, "d.eml"),
                                        FileSystem::JoinPath(scratch.Path, "e.eml")}));
    EXPECT_FALSE(Read(scratch.Path, 1).Ok) << "cancelled";
}

TEST(MailImportTest, MboxGivesTheHeaderAfterEachFromLine) {
    TScratchFolder scratch;
    const std::string mbox = FileSystem::JoinPath(scratch.Path, "Junk");
    ASSERT_TRUE(FileSystem::WriteWhole(
        mbox,
        "From a@example.jp Mon Jan  1 00:00:00 2024\r\n"
        "Subject: first\r\n\r\nbody\r\nFrom here on, not a separator\r\n>From quoted\r\n\r\n"
        "From b@example.jp Mon Jan  1 00:00:01 2024\n"
        "Subject: second\nX: y\n\n\n"
        "From c@example.jp Mon Jan  1 00:00:02 2024\n"
        "Subject: last, without a body\n"));
    const TRead read = Read(mbox);
    EXPECT_TRUE(read.Ok);
    EXPECT_EQ(read.Subjects, (std::vector<std::string>{"Subject: first", "Subject: second",
                                                       "Subject: last, without a body"}));
    const TRead cancelled = Read(mbox, 1);
    EXPECT_FALSE(cancelled.Ok);
    EXPECT_EQ(cancelled.Subjects.size(), 1u);
    EXPECT_FALSE(Read(FileSystem::JoinPath(scratch.Path, "missing")).Ok);
}

}  // namespace
