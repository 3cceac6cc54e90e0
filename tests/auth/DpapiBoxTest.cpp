#include <gtest/gtest.h>

#include "auth/DpapiBox.h"

namespace {

TEST(DpapiBoxTest, SealsForThisUserOnly) {
    TDpapiBox box;
    std::string sealed, opened;
    ASSERT_TRUE(box.Seal("M.R3_BAY.-CWr!refresh", sealed));
    EXPECT_EQ(sealed.find("refresh"), std::string::npos);
    ASSERT_TRUE(box.Open(sealed, opened));
    EXPECT_EQ(opened, "M.R3_BAY.-CWr!refresh");
    EXPECT_FALSE(box.Open("not sealed", opened));
    EXPECT_FALSE(box.Seal("", sealed));
}

}  // namespace
