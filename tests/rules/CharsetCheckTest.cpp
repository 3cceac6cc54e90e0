#include <gtest/gtest.h>

#include "rules/CharsetCheck.h"

namespace {

TEST(CharsetCheck, FindsDeclaredCharsetsOfTheList) {
    const TCharsetCheck check(TCharsetCheck::DefaultList);
    const std::pair<const char*, const char*> cases[] = {
        {"=?gb2312?B?1tDOxA==?=", "GB2312"},
        {"=?GB2312?Q?=D6=D0?=", "GB2312"},
        {"Re: =?UTF-8?B?5Lit5paH?= =?big5?B?pKSk5Q==?=", "Big5"},
        {"=?koi8-r*ru?B?0NLJ18XU?=", "KOI8-R"},
        {"=?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?=", ""},
        {"=?GB2312?B?1tDOxA==", ""},  // no word without its end
        {"GB2312 said in plain text", ""},
        {"attachment; filename*=gb2312''%D6%D0.txt", "GB2312"},
        {"filename*0*=EUC-KR''%B0%A1", "EUC-KR"},
        {"x*=utf-8''%E4%B8%AD", ""},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(check.Find(value), expected) << value;

    const TCharsetCheck mine(" gbk , ,Big5");
    EXPECT_EQ(mine.Find("=?GBK?B?1tDOxA==?="), "gbk");  // spelled as the list spells it
    EXPECT_EQ(mine.Find("=?gb2312?B?1tDOxA==?="), "");
    EXPECT_TRUE(TCharsetCheck(" , ").Empty());
}

}  // namespace
