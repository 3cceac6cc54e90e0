#include <gtest/gtest.h>

#include "auth/FormText.h"

namespace {

TEST(FormTextTest, EscapesAllButUnreserved) {
    EXPECT_EQ(FormText::Escape("aZ09-._~ /:?&=+%\x01\xff"),
              "aZ09-._~%20%2F%3A%3F%26%3D%2B%25%01%FF");
    EXPECT_EQ(FormText::Join({{"a b", "c&d"}, {"e", ""}}), "a%20b=c%26d&e=");
}

TEST(FormTextTest, ParsesQueries) {
    const struct {
        const char* Query;
        bool Valid;
        const char* Name;
        const char* Value;  // nullptr: absent
    } cases[] = {
        {"code=a%2Bb+c&state=x", true, "code", "a+b c"},
        {"code=1&code=2", true, "code", "1"},
        {"flag&x=1", true, "flag", ""},
        {"&&x=1&&", true, "x", "1"},
        {"x=%4", false, "x", nullptr},
        {"x=%zz", false, "x", nullptr},
        {"", true, "x", nullptr},
    };
    for (const auto& c : cases) {
        std::map<std::string, std::string> fields;
        EXPECT_EQ(FormText::Parse(c.Query, fields), c.Valid) << c.Query;
        const auto found = fields.find(c.Name);
        if (c.Value)
            EXPECT_TRUE(found != fields.end() && found->second == c.Value) << c.Query;
        else
            EXPECT_TRUE(found == fields.end()) << c.Query;
    }
}

}  // namespace
