#include <gtest/gtest.h>

#include "auth/Base64.h"

namespace {

TEST(Base64Test, EncodesAndDecodesRfc4648Vectors) {
    const struct {
        const char* Bytes;
        const char* Text;
    } cases[] = {{"", ""},
                 {"f", "Zg=="},
                 {"fo", "Zm8="},
                 {"foo", "Zm9v"},
                 {"foob", "Zm9vYg=="},
                 {"fooba", "Zm9vYmE="},
                 {"foobar", "Zm9vYmFy"}};
    for (const auto& c : cases) {
        EXPECT_EQ(Base64::Encode(c.Bytes), c.Text);
        EXPECT_EQ(Base64::Decode(c.Text).value_or("?"), c.Bytes);
    }
}

TEST(Base64Test, UrlSafeAlphabetWithoutPadding) {
    EXPECT_EQ(Base64::EncodeUrl("\xfb\xff\xbf"), "-_-_");
    EXPECT_EQ(Base64::EncodeUrl("\xfb\xff"), "-_8");
    EXPECT_EQ(Base64::Encode("\xfb\xff"), "+/8=");
}

TEST(Base64Test, DecodeRefusesWhatIsNotBase64) {
    for (const char* text : {"Zg=", "Z===", "Zg=a", "Z=g=", "Zm9v!A==", "Zm 9v", "-_8=", "Zh==", "Zm9="})
        EXPECT_FALSE(Base64::Decode(text)) << text;
}

}  // namespace
