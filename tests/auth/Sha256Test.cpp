#include <gtest/gtest.h>

#include "auth/Pkce.h"
#include "auth/Sha256.h"

namespace {

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) text += {digits[c >> 4], digits[c & 15]};
    return text;
}

TEST(Sha256Test, KnownDigests) {
    // FIPS 180-4 examples, and lengths around the padding boundary.
    const struct {
        std::string Text;
        const char* Digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(1000, 'a'),
         "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(TSha256::Of(c.Text)), c.Digest) << c.Text.size();
}

TEST(Sha256Test, PkceChallengeOfRfc7636Example) {
    EXPECT_EQ(TPkce::ChallengeOf("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    const TPkce pkce = TPkce::New();
    EXPECT_EQ(pkce.Verifier.size(), 43u);
    EXPECT_EQ(pkce.Challenge, TPkce::ChallengeOf(pkce.Verifier));
    EXPECT_NE(TPkce::New().Verifier, pkce.Verifier);
    EXPECT_EQ(TPkce::NewState().size(), 22u);
}

}  // namespace
