// The deletion history file: its exact bytes, whole batches, the newest lines kept, and a file
// that cannot be written left as it was.
#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "headers/MainDM.h"
#include "history/DeleteHistory.h"
#include "history/FileSystem.h"

namespace {

using TMails = std::vector<TDeletedMail>;

TDeletedMail Mail(const std::string& uidl, const std::string& subject = "件名") {
    return {"2026/12/08 09:15:02",
            "会社",
            TDeleteHistory::Automatic,
            "Subject:,未承諾広告",
            "2026/12/07 23:01:00",
            "差出人",
            subject,
            "1234",
            uidl};
}

TMails Numbered(int from, int count) {
    TMails mails;
    for (int i = from; i < from + count; ++i) mails.push_back(Mail(std::to_string(i)));
    return mails;
}

std::string FileText(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(FileSystem::ReadWhole(path, bytes)) << path;
    return bytes;
}

TEST(DeleteHistory, AppendsBatchesAsCsvAndReadsThemNewestFirst) {
    TScratchFolder scratch;
    // The second byte of "表" is "\": the folder's name must survive it.
    TDeleteHistory history(FileSystem::JoinPath(scratch.Path, "表示"));
    TMails mails;
    EXPECT_TRUE(history.Read(mails));  // no file yet: no lines
    EXPECT_TRUE(mails.empty());

    ASSERT_TRUE(history.Append({Mail("u1")}));
    EXPECT_EQ(FileText(history.Path()),
              "削除日時,アカウント,方法,理由,送信日時,差出人,件名,サイズ,UIDL\r\n"
              "2026/12/08 09:15:02,会社,自動,\"Subject:,未承諾広告\",2026/12/07 23:01:00,差出人,"
              "件名,1234,u1\r\n");

    const TMails batch = {Mail("u2", "a \"quoted\", two\r\nlines"), Mail("u3", "表")};
    ASSERT_TRUE(history.Append(batch));
    ASSERT_TRUE(history.Read(mails));
    EXPECT_EQ(mails, (TMails{batch[1], batch[0], Mail("u1")}));
}

TEST(DeleteHistory, KeepsTheNewestTenThousandLines) {
    TScratchFolder scratch;
    TDeleteHistory history(scratch.Path);
    const struct {
        int From, Count;  // the batch appended: uidls From..From+Count-1
        size_t Kept;      // lines afterwards
        const char* Oldest;
        const char* Newest;
    } steps[] = {
        {0, 9999, 9999, "0", "9998"},
        {9999, 3, 10000, "2", "10001"},           // the two oldest go
        {20000, 10002, 10000, "20002", "30001"},  // a batch longer than the file keeps its end
    };
    for (const auto& s : steps) {
        ASSERT_TRUE(history.Append(Numbered(s.From, s.Count)));
        TMails mails;
        ASSERT_TRUE(history.Read(mails));
        ASSERT_EQ(mails.size(), s.Kept) << s.From;
        EXPECT_EQ(mails.back().Uidl, s.Oldest);
        EXPECT_EQ(mails.front().Uidl, s.Newest);
    }
    EXPECT_EQ(FileText(history.Path()).rfind("削除日時,", 0), 0u);  // the header stays first
}

TEST(DeleteHistory, UnwritableHistoryIsSaidAndLeftAsItWas) {
    struct TCase {
        const char* What;
        std::function<std::string(const std::string& scratch)> Prepare;  // gives the folder
        std::function<void(const std::string& scratch)> Undo;
    };
    const std::vector<TCase> cases = {
        {"folder under a file",
         [](const std::string& s) {
             FileSystem::WriteWhole(FileSystem::JoinPath(s, "file"), "x");
             return FileSystem::JoinPath(FileSystem::JoinPath(s, "file"), "sub");
         },
         [](const std::string&) {}},
        {"a folder where the file goes",
         [](const std::string& s) {
             FileSystem::CreateFolders(FileSystem::JoinPath(s, "deleted.csv"));
             return s;
         },
         [](const std::string&) {}},
        {"the new file cannot be made beside it",
         [](const std::string& s) {
             TDeleteHistory(s).Append({Mail("old")});
             FileSystem::CreateFolders(FileSystem::JoinPath(s, "deleted.csv.tmp"));
             return s;
         },
         [](const std::string&) {}},
        {"read-only file",
         [](const std::string& s) {
             TDeleteHistory(s).Append({Mail("old")});
             SetReadOnly(FileSystem::JoinPath(s, "deleted.csv"), true);
             return s;
         },
         [](const std::string& s) { SetReadOnly(FileSystem::JoinPath(s, "deleted.csv"), false); }},
    };
    for (const auto& c : cases) {
        TScratchFolder scratch;
        const std::string folder = c.Prepare(scratch.Path);
        TDeleteHistory history(folder);
        TMails before, after;
        const bool readable = history.Read(before);

        const std::string problem = history.WriteProblem();
        EXPECT_NE(problem.find("自動削除をしませんでした"), std::string::npos) << c.What;
        EXPECT_NE(problem.find(history.Path()), std::string::npos) << c.What;
        EXPECT_FALSE(history.Append({Mail("new")})) << c.What;
        EXPECT_EQ(history.Read(after), readable) << c.What;
        EXPECT_EQ(after, before) << c.What;
        c.Undo(scratch.Path);
    }
    TScratchFolder scratch;
    EXPECT_EQ(TDeleteHistory(scratch.Path).WriteProblem(), "");
}

TEST(DeleteHistory, TimesAreWrittenInFull) {
    EXPECT_EQ(TDeleteHistory::TimeText(TMainDM::EncodeDateTime(2026, 12, 8, 9, 5, 2)),
              "2026/12/08 09:05:02");
}

}  // namespace
