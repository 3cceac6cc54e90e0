#include <gtest/gtest.h>

#include "pop3/ScanListing.h"

namespace {

struct TListingCase {
    const char* Name;
    std::string Reply;
    int32_t Count;
    bool Valid;
    const char* Offending = "";  // what a refused listing reports
};

const std::string Id70(70, 'x');

// LIST and UIDL replies share their framing checks; the values are checked by each.
TEST(ScanListing, SizesAcceptOnlyEveryMessageOnce) {
    const TListingCase cases[] = {
        {"in order", "+OK\r\n1 100\r\n2 200\r\n.\r\n", 2, true},
        {"any order, more after the size", "+OK 2 messages\r\n2 200 x\r\n1 100\r\n.\r\n", 2, true},
        {"empty mailbox", "+OK\r\n.\r\n", 0, true},
        {"a number twice", "+OK\r\n1 100\r\n1 100\r\n.\r\n", 2, false, "1 100"},
        {"a later number twice", "+OK\r\n2 200\r\n2 200\r\n.\r\n", 2, false, "2 200"},
        {"a number skipped", "+OK\r\n1 100\r\n3 300\r\n.\r\n", 3, false, "listed 2 of 3 messages"},
        {"beyond the count", "+OK\r\n1 100\r\n3 300\r\n.\r\n", 2, false, "3 300"},
        {"more lines than messages", "+OK\r\n1 100\r\n2 200\r\n3 300\r\n.\r\n", 2, false, "3 300"},
        {"fewer lines than messages", "+OK\r\n1 100\r\n.\r\n", 2, false, "listed 1 of 2 messages"},
        {"number zero", "+OK\r\n0 100\r\n.\r\n", 1, false, "0 100"},
        {"size not a number", "+OK\r\n1 1k\r\n.\r\n", 1, false, "1 1k"},
        {"negative size", "+OK\r\n1 -5\r\n.\r\n", 1, false, "1 -5"},
        {"no blank", "+OK\r\n1\r\n.\r\n", 1, false, "1"},
        {"no end line", "+OK\r\n1 100\r\n", 1, false, "no \".\" line"},
        {"bytes after the end line", "+OK\r\n1 100\r\n.\r\nX\r\n", 1, false, "X"},
    };
    for (const auto& c : cases) {
        std::vector<int32_t> sizes;
        std::string offending;
        EXPECT_EQ(TScanListing::Sizes(c.Reply, c.Count, sizes, &offending), c.Valid) << c.Name;
        EXPECT_EQ(offending, c.Offending) << c.Name;
        EXPECT_EQ(sizes.size(), c.Valid ? static_cast<size_t>(c.Count) : 0u) << c.Name;
    }
    std::vector<int32_t> sizes;
    ASSERT_TRUE(TScanListing::Sizes("+OK\r\n2 200\r\n1 100\r\n.\r\n", 2, sizes));
    EXPECT_EQ(sizes, (std::vector<int32_t>{100, 200}));
}

TEST(ScanListing, UidsAreOneToSeventyPrintableCharacters) {
    const TListingCase cases[] = {
        {"70 characters", "+OK\r\n1 " + Id70 + "\r\n.\r\n", 1, true},
        {"71 characters", "+OK\r\n1 " + Id70 + "y\r\n.\r\n", 1, false},
        {"empty", "+OK\r\n1 \r\n.\r\n", 1, false},
        {"blank inside", "+OK\r\n1 a b\r\n.\r\n", 1, false},
        {"control character", "+OK\r\n1 a\x01\r\n.\r\n", 1, false},
        {"8-bit byte", "+OK\r\n1 a\x82\xa0\r\n.\r\n", 1, false},
        {"dot-stuffed line", "+OK\r\n..1 a\r\n.\r\n", 1, false},
        {"a number twice", "+OK\r\n1 a\r\n1 b\r\n.\r\n", 2, false},
        {"huge count from STAT", "+OK\r\n1 a\r\n.\r\n", 99999999, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> uids;
        EXPECT_EQ(TScanListing::Uids(c.Reply, c.Count, uids), c.Valid) << c.Name;
    }
    std::vector<std::string> uids;
    ASSERT_TRUE(TScanListing::Uids("+OK\r\n2 <b@x>\r\n1 a!~\n.\r\n", 2, uids));
    EXPECT_EQ(uids, (std::vector<std::string>{"a!~", "<b@x>"}));
}

}  // namespace
