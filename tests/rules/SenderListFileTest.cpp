#include <gtest/gtest.h>

#include "rules/SenderListFile.h"

namespace {

using TList = std::vector<std::string>;

TEST(SenderListFile, ReadsUtf8AndShiftJisLinesAndWritesThemBack) {
    struct TCase {
        const char* What;
        std::string Bytes;
        TList Entries;
        TList Refused;
    };
    const TCase cases[] = {
        {"UTF-8 with its mark, CR LF",
         "\xEF\xBB\xBFTaro@Example.jp\r\n\r\n*.x.jp\r\nexample.co.jp\r\ntaro@example.jp",
         {"taro@example.jp", "example.co.jp"},
         {"3行目: 「*.x.jp」は登録できません。"}},
        {"UTF-8 without a mark, LF",
         "a.example\n\xE4\xBE\x8B.jp\n",
         {"a.example"},
         {"2行目: 「例.jp」は登録できません。"}},
        {"Shift_JIS",
         "例.jp\r\nb.example\r\n",
         {"b.example"},
         {"1行目: 「例.jp」は登録できません。"}},
    };
    for (const TCase& c : cases) {
        const SenderListFile::TImport read = SenderListFile::Import(c.Bytes);
        EXPECT_EQ(read.Entries, c.Entries) << c.What;
        ASSERT_EQ(read.Refused.size(), c.Refused.size()) << c.What;
        for (size_t i = 0; i < c.Refused.size(); ++i)
            EXPECT_EQ(read.Refused[i].rfind(c.Refused[i], 0), 0u) << read.Refused[i];
    }
    const TList entries = {"a.example", "taro@b.example"};
    EXPECT_EQ(SenderListFile::Export(entries), "a.example\r\ntaro@b.example\r\n");
    EXPECT_EQ(SenderListFile::Import(SenderListFile::Export(entries)).Entries, entries);
}

}  // namespace
