#include <gtest/gtest.h>

#include <string>

#include "ui/Clipboard.h"

namespace {

template <typename TChar>
std::basic_string<TChar> ClipboardData(UINT format) {
    std::basic_string<TChar> text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(format)) {
        text = static_cast<const TChar*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

TEST(ClipboardTest, TextGoesOnAsShiftJisAndAsUnicode) {
    const struct {
        const char* Text;
        const wchar_t* Unicode;
    } cases[] = {
        {"", L""},
        {"Subject: test\r\n", L"Subject: test\r\n"},
        {"件名,山田 太郎,03/15 (木) 14:05\r\n", L"件名,山田 太郎,03/15 (木) 14:05\r\n"},
        {"ｶﾅ～①", L"ｶﾅ～①"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(PutClipboardText(nullptr, c.Text));
        EXPECT_EQ(ClipboardData<char>(CF_TEXT), c.Text);
        EXPECT_EQ(ClipboardData<wchar_t>(CF_UNICODETEXT), c.Unicode) << c.Text;
    }
}

}  // namespace
