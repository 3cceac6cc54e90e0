// A RETR reply streamed to its copy: exactly the message's bytes whatever the cuts, and no file
// left behind for a copy that is not whole.
#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "history/FileSystem.h"
#include "history/MessageCopy.h"

namespace {

struct TCopyCase {
    const char* What;
    std::string Reply;  // after the status line
    std::string Message;
    size_t Used;  // bytes of the reply through its "." line
};

const TCopyCase CopyCases[] = {
    {"plain", "Subject: a\r\n\r\nbody\r\n.\r\n", "Subject: a\r\n\r\nbody\r\n", 23},
    {"dot-stuffing undone", "a\r\n..b\r\n...\r\n..\r\n.\r\n", "a\r\n.b\r\n..\r\n.\r\n", 20},
    {"empty message", ".\r\n", "", 3},
    {"the next reply is not taken", "x\r\n.\r\n+OK 2\r\n", "x\r\n", 6},
    {"a line starts only after CR LF", "a\n.\r\nb\r.\r\n.\r\n", "a\n.\r\nb\r.\r\n", 13},
    {"dot and CR without LF", ".\rx\r\n.\r\n", "\rx\r\n", 8},
    {"any bytes", std::string("\x82\xa0\0\xff\r\n.\r\n", 9), std::string("\x82\xa0\0\xff\r\n", 6),
     9},
};

std::string FileText(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(FileSystem::ReadWhole(path, bytes)) << path;
    return bytes;
}

TEST(MessageCopy, WritesExactlyTheMessageWhateverTheCuts) {
    TScratchFolder scratch;
    for (const auto& c : CopyCases) {
        for (const size_t cut : {c.Reply.size(), size_t{1}, size_t{2}}) {
            TMessageCopy copy;
            const std::string path = FileSystem::JoinPath(scratch.Path, "m.eml");
            ASSERT_TRUE(copy.Open(path));
            size_t used = 0;
            for (size_t at = 0; at < c.Reply.size() && !copy.Ended(); at += cut)
                used += copy.Feed(c.Reply.data() + at, std::min(cut, c.Reply.size() - at));
            EXPECT_EQ(used, c.Used) << c.What << " cut " << cut;
            ASSERT_TRUE(copy.Finish()) << c.What << " cut " << cut;
            EXPECT_EQ(FileText(path), c.Message) << c.What << " cut " << cut;
            FileSystem::RemoveFile(path);
        }
    }
}

// Takes only the first bytes, as a full disk does.
class TShortCopy : public TMessageCopy {
protected:
    size_t Write(const char* bytes, size_t count) override {
        const size_t taken = std::min(count, Room);
        Room -= taken;
        return TMessageCopy::Write(bytes, taken);
    }
    size_t Room = 4;
};

TEST(MessageCopy, CopyThatIsNotWholeLeavesNoFile) {
    TScratchFolder scratch;
    const std::string path = FileSystem::JoinPath(scratch.Path, "m.eml");
    {
        TShortCopy copy;
        ASSERT_TRUE(copy.Open(path));
        copy.FeedLine("Subject: long\r\n");
        copy.FeedLine(".\r\n");
        EXPECT_TRUE(copy.Ended());
        EXPECT_FALSE(copy.Finish());
        EXPECT_FALSE(FileSystem::Exists(path));
    }
    {
        TMessageCopy copy;  // the connection dropped before the "." line
        ASSERT_TRUE(copy.Open(path));
        copy.FeedLine("Subject: x\r\n");
        EXPECT_FALSE(copy.Finish());
        EXPECT_FALSE(FileSystem::Exists(path));
    }
    {
        TMessageCopy copy;  // RETR failed: never finished
        ASSERT_TRUE(copy.Open(path));
        copy.FeedLine("Subject: x\r\n");
    }
    EXPECT_FALSE(FileSystem::Exists(path));
}

TEST(MessageCopy, MakesItsFolderAndNeverReplacesAnotherCopy) {
    TScratchFolder scratch;
    const std::string folder =
        FileSystem::JoinPath(FileSystem::JoinPath(scratch.Path, "表示"), "a");
    const std::string path = FileSystem::JoinPath(folder, "m.eml");
    const char* expected[] = {"m.eml", "m-2.eml", "m-3.eml"};
    for (const char* name : expected) {
        TMessageCopy copy;
        ASSERT_TRUE(copy.Open(path));
        EXPECT_EQ(copy.Path(), FileSystem::JoinPath(folder, name));
        copy.FeedLine(std::string(name) + "\r\n");
        copy.FeedLine(".\r\n");
        ASSERT_TRUE(copy.Finish());
    }
    EXPECT_EQ(FileText(path), "m.eml\r\n");
    TMessageCopy copy;
    EXPECT_FALSE(copy.Open(FileSystem::JoinPath(FileSystem::JoinPath(path, "under a file"), "x")));
}

}  // namespace
