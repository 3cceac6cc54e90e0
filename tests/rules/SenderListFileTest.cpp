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
        {"UTF-16 with its mark, as Notepad's Unicode writes it",
         std::string("\xFF\xFE" "a\0.\0j\0p\0\r\0\n\0\x8B\x4F.\0j\0p\0\r\0\n\0" "b\0.\0j\0p\0", 34),
         {"a.jp", "b.jp"},
         {"2行目: 「例.jp」は登録できません。"}},
        {"UTF-16 big-endian",
         std::string("\xFE\xFF\0a\0.\0j\0p\0\n", 12),
         {"a.jp"},
         {}},
        {"comments",
         "# allowed senders\r\n  #a.jp\r\nb.jp\r\n",
         {"b.jp"},
         {}},
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
