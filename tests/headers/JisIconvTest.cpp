// JIS X 0208 to Shift_JIS against glibc's iconv, an independent implementation of the mapping.
#include <errno.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include "headers/MainDM.h"

namespace {

class TIconv {
public:
    TIconv() : Handle(iconv_open("SHIFT_JIS", "ISO-2022-JP")) {}
    ~TIconv() {
        if (Handle != reinterpret_cast<iconv_t>(-1)) iconv_close(Handle);
    }
    bool Ok() const { return Handle != reinterpret_cast<iconv_t>(-1); }
    // False when iconv refuses the text (a code that JIS X 0208 leaves unassigned).
    bool Convert(const std::string& in, std::string& out) {
        iconv(Handle, nullptr, nullptr, nullptr, nullptr);
        out.assign(in.size() * 2 + 16, '\0');
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char* dst = &out[0];
        size_t dstLeft = out.size();
        if (iconv(Handle, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) return false;
        out.resize(out.size() - dstLeft);
        return true;
    }

private:
    iconv_t Handle;
};

std::string JisChar(int j1, int j2) {
    return std::string("\x1B$B") + char(j1) + char(j2) + "\x1B(B";
}

TEST(JisIconvTest, EveryJisX0208CodeMapsLikeIconv) {
    TIconv iconv;
    ASSERT_TRUE(iconv.Ok()) << "glibc iconv lacks ISO-2022-JP to SHIFT_JIS";
    int compared = 0;
    std::string all = "\x1B$B", expectedAll, sjis;
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            if (!iconv.Convert(JisChar(j1, j2), sjis)) continue;
            ASSERT_EQ(sjis.size(), 2u) << std::hex << j1 << ' ' << j2;
            const unsigned expected =
                static_cast<unsigned char>(sjis[0]) << 8 | static_cast<unsigned char>(sjis[1]);
            EXPECT_EQ(TMainDM::JisCharToSjis(static_cast<uint16_t>(j1 << 8 | j2)), expected)
                << std::hex << j1 << ' ' << j2;
            all += char(j1);
            all += char(j2);
            expectedAll += sjis;
            ++compared;
        }
    }
    // JIS X 0208 assigns 6879 codes.
    EXPECT_GE(compared, 6879);
    // The same codes as one text, as they arrive in a raw header.
    all += "\x1B(B";
    EXPECT_EQ(TMainDM::JisToSjis(all), expectedAll);
}

TEST(JisIconvTest, MixedTextConvertsLikeIconv) {
    TIconv iconv;
    ASSERT_TRUE(iconv.Ok());
    const std::string jis =
        "Re: \x1B$B%F%9%H\x1B(B (2) \x1B$B4A;z$H$R$i$,$J\x1B(B abc \x1B$B!!\x1B(B.";
    std::string expected;
    ASSERT_TRUE(iconv.Convert(jis, expected));
    EXPECT_EQ(TMainDM::JisToSjis(jis), expected);
    EXPECT_EQ(TMainDM::DecodeHeaderText(jis), expected);
}

}  // namespace
