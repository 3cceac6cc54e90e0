#include "rules/ReasonText.h"

#include <gtest/gtest.h>

namespace {

TEST(ReasonTextTest, RuleStringsReadAsSentencesOtherReasonsStay) {
    const struct {
        const char* Reason;
        const char* Shown;
    } cases[] = {
        {"Subject:,未承諾広告", "件名に「未承諾広告」"},
        {"From:,@spam.example", "差出人に「@spam.example」"},
        {"SUBJECT:,sale", "件名に「sale」"},
        {"X-Mailer:,Bulk, Pro", "X-Mailerに「Bulk, Pro」"},
        {"未承諾", "ヘッダに「未承諾」"},
        {"拒否リスト: bargain.example.net", "拒否リスト: bargain.example.net"},
        {"許可リスト", "許可リスト"},
        {"認証失敗: dmarc=fail", "認証失敗: dmarc=fail"},
        {"文字コード: GB2312", "文字コード: GB2312"},
        {"サイズ: 120KB", "サイズ: 120KB"},
        {"PostPet", "PostPet"},
        {"学習: 97%", "学習: 97%"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ReasonText::Sentence(c.Reason), c.Shown) << c.Reason;
}

}  // namespace
