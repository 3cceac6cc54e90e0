#include "pop3/Md5.h"

#include <gtest/gtest.h>

namespace {

struct DigestCase {
    const char* Text;
    const char* Digest;
};

// RFC 1321, appendix A.5, and the APOP example of RFC 1939 (time stamp + "tanstaaf").
const DigestCase Cases[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
    {"<1896.697170952@dbc.mtview.ca.us>tanstaaf", "c4c9334bac560ecc979e58001b3e22fb"},
};

TEST(Md5Test, KnownDigests) {
    for (const auto& c : Cases) EXPECT_EQ(TMd5::Hex(c.Text), c.Digest) << '"' << c.Text << '"';
}

TEST(Md5Test, PiecewiseUpdateEqualsOneUpdate) {
    // Lengths around the 56- and 64-byte padding boundaries, fed in uneven pieces.
    for (size_t length : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
        std::string text(length, '\0');
        for (size_t i = 0; i < length; ++i) text[i] = char(i * 7 + 3);
        TMd5 pieces;
        for (size_t i = 0; i < length; i += 13) pieces.Update(text.data() + i, std::min<size_t>(13, length - i));
        EXPECT_EQ(pieces.HexDigest(), TMd5::Hex(text)) << length;
    }
}

}  // namespace
