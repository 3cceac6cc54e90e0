#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/TrayIcon.h"

// The icon's tip.
namespace {

TEST(TrayIconTest, TipListsTheAccountsWithWaitingMailAsFarAsItHolds) {
    // Fourteen accounts with waiting mail need more than the tip's room: five lines of 15
    // bytes fit with the "..." after "Prunebox" and the heading.
    const std::string heading = "\n削除チェックのないメール:";
    std::vector<TTrayAccount> many;
    for (int i = 0; i < 14; ++i) many.push_back({"  Account" + std::to_string(i), 100 + i});
    std::string manyTip = TTrayIcon::Title + heading;
    for (int i = 0; i < 5; ++i)
        manyTip += "\nAccount" + std::to_string(i) + " " + std::to_string(100 + i) + "通";
    manyTip += "\n...";

    struct TCase {
        std::vector<TTrayAccount> Accounts;
        std::string Tip;
    };
    const TCase cases[] = {
        {{}, "Prunebox"},
        {{{"  仕事", 0}, {" 家 ", 3}, {"spare", 12}},
         "Prunebox" + heading + "\n家 3通\nspare 12通"},
        {many, manyTip},
        // A failed check says so whatever the count it last saw, above the counts.
        {{{"spare", 2}, {"仕事", 5, true}, {"家", 0, true}},
         "Prunebox\n仕事 エラー\n家 エラー" + heading + "\nspare 2通"},
        // ... and says when only a new sign-in can help.
        {{{"仕事", 0, true, true}, {"家", 0, true}},
         "Prunebox\n仕事 サインインが必要です\n家 エラー"},
    };
    for (const TCase& c : cases) {
        const std::string tip = TTrayIcon::TipText(c.Accounts);
        EXPECT_EQ(tip, c.Tip);
        EXPECT_LE(tip.size(), TTrayIcon::TipBytes);
    }
}

}  // namespace
