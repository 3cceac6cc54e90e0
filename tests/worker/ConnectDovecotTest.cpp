// The worker against the private Dovecot: listing Japanese mail, the rules, deleting, the viewer.
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TestMaildir.h"
#include "WorkerHarness.h"

namespace {

std::string DovecotServer() { return "127.0.0.1:" + std::to_string(TestEnv::DovecotPort()); }

#define NEED_DOVECOT() \
    if (TestEnv::DovecotPort() == 0) GTEST_SKIP() << "no Dovecot fixture"

std::string SimpleMail(int n) {
    return "From: sender" + std::to_string(n) + "@example.jp\nTo: taro@example.jp\nSubject: mail " +
           std::to_string(n) + "\nDate: Mon, 13 Nov 2023 09:15:00 +0900\n\nbody\n";
}

std::vector<std::string> SimpleMails(int count) {
    std::vector<std::string> mails;
    for (int n = 1; n <= count; ++n) mails.push_back(SimpleMail(n));
    return mails;
}

const std::vector<std::string> FixtureTitles = {
    "会議の資料について", "お見積もりの件", "生のJISの件名です",
    "長い件名を二つの行に折り返しました", "【添付】見積書の送付", "不明 (Prunebox)",
    "モモからの手紙", "Re: 週刊ニュース No.42", "【広告】当選のお知らせ",
    "Re: server said -ERR mailbox locked",
    // Blanks between encoded words go; with raw JIS in the value the encoded word stays as is.
    "とても長い件名のメールでエンコードされた語が三つに分かれています", "不明 (Prunebox)",
    "ＧＭＴの日付と全角英数", "長いヘッダ行", "=?ISO-2022-JP?B?GyRCJSIlbSVPGyhC?= 通信"};

TEST(ConnectDovecot, ListsTheJapaneseMailbox) {
    NEED_DOVECOT();
    TWorkerHarness account(DovecotServer(), "jpuser", TestEnv::Get("PB_DOVECOT_PASSWORD"));
    account.Page.DesignName = "X-ML-Name:";
    account.Run(TConnect::CmdConnect);

    EXPECT_EQ(account.Column(TMailRow::Title), FixtureTitles);
    const std::vector<std::string> senders = account.Column(TMailRow::Sender);
    ASSERT_EQ(senders.size(), 15u);
    EXPECT_EQ(senders[0], "山田 太郎");
    EXPECT_EQ(senders[1], "John Smith");
    EXPECT_EQ(senders[2], "佐藤 花子");
    EXPECT_EQ(senders[5], "noreply");
    EXPECT_EQ(account.Column(TMailRow::Attachment),
              (std::vector<std::string>{"", "", "", "", "あり", "", "Pet?", "html", "html", "", "",
                                        "", "", "", ""}));
    const std::vector<std::string> designated = account.Column(TMailRow::Designated);
    for (size_t i = 0; i < designated.size(); ++i) {
        EXPECT_EQ(designated[i], i == 8 ? "お得情報" : "なし") << "row " << i;
    }
    EXPECT_EQ(account.Column(TMailRow::Sent)[0], "11/13 (月) 09:15");
    EXPECT_EQ(account.Column(TMailRow::DateKey)[0], "2023111309150000");
    EXPECT_EQ(account.Column(TMailRow::DateKey)[1], "2023111422300000");  // -0500 in Japan time

    const std::vector<TMaildirMessage> files = TestMaildir::Read("jpuser");
    ASSERT_EQ(files.size(), 15u);
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(account.Column(TMailRow::Number)[i], std::to_string(i + 1));
        EXPECT_EQ(account.Column(TMailRow::Uidl)[i], files[i].UniqueId);
        EXPECT_EQ(account.Column(TMailRow::Size)[i], std::to_string(files[i].Pop3Size()));
    }
    EXPECT_EQ(account.TickedTitles().size(), 0u);
    EXPECT_EQ(account.Page.Lamp(), 3);
    EXPECT_TRUE(account.Page.ButtonsOn());
    EXPECT_FALSE(account.Page.LoginOn());
    EXPECT_EQ(account.Page.Status(1), "全 15通");
    EXPECT_EQ(account.Page.Status(2), "");

    const std::vector<std::string> flow =
        account.Page.Events({"status0 接", "buttons", "login", "lamp", "status1"});
    EXPECT_EQ(flow, (std::vector<std::string>{
                        "status1 ", "lamp 0", "status0 接続中...", "buttons 0", "login 0", "lamp 2",
                        "status0 接続しました。", "status1 全 15通", "lamp 3", "buttons 1"}));
    // Connect while connected changes nothing.
    account.Page.ClearEvents();
    account.Run(TConnect::CmdConnect);
    EXPECT_TRUE(account.Page.Events().empty());

    account.Run(TConnect::CmdDisconnect);
    EXPECT_EQ(account.Page.Status(0), "サーバとの接続を切断しました。");
    EXPECT_EQ(account.Page.CurrentRows().size(), 0u);
    account.ExpectIdleDisconnected();
}

TEST(ConnectDovecot, ApopLogin) {
    NEED_DOVECOT();
    TWorkerHarness account(DovecotServer(), "jpapop", TestEnv::Get("PB_DOVECOT_PASSWORD"));
    account.Page.Apop = true;
    account.Run(TConnect::CmdConnect);
    EXPECT_EQ(account.Column(TMailRow::Title), FixtureTitles);
    account.Run(TConnect::CmdDisconnect);
}

struct TRuleCase {
    const char* Name;
    std::vector<std::string> Rules;
    int Mode;
    std::vector<int> Ticked;  // message numbers
};

class ConnectDovecotRules : public ::testing::TestWithParam<TRuleCase> {};

TEST_P(ConnectDovecotRules, TickTheMatchingRows) {
    NEED_DOVECOT();
    const TRuleCase& c = GetParam();
    TWorkerHarness account(DovecotServer(), "jpuser", TestEnv::Get("PB_DOVECOT_PASSWORD"));
    account.Page.RuleList = c.Rules;
    account.Page.Mode = c.Mode;
    account.Run(TConnect::CmdConnect);
    std::vector<int> ticked;
    for (const TMailRow& row : account.Page.CurrentRows()) {
        if (row.Ticked) ticked.push_back(std::stoi(row.Columns[TMailRow::Number]));
    }
    EXPECT_EQ(ticked, c.Ticked);
    EXPECT_EQ(account.Page.Status(2),
              c.Ticked.empty() ? "" : "削除予定 " + std::to_string(c.Ticked.size()) + "通");
    account.Run(TConnect::CmdDisconnect);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ConnectDovecotRules,
    ::testing::Values(
        // Every Received line is tested, continuation lines included.
        TRuleCase{"Received", {"Received:,relay1.example.net", "Received:,4F2A31C0001"}, 1, {1, 9}},
        TRuleCase{"DecodedSubject", {"Subject:,見積"}, 1, {2, 5}},
        // A missing header decodes to "なし"; the one mail that has it is not taken for missing.
        TRuleCase{"MissingHeader",
                  {"X-ML-Name:,し"},
                  1,
                  {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}},
        TRuleCase{"RulesIgnoredInPetMode", {"Subject:,見積"}, 2, {7}},
        TRuleCase{"PetModeNeedsRules", {}, 2, {}}, TRuleCase{"NoMode", {"Subject:,見積"}, 0, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ConnectDovecot, EmptyRuleListSwitchesTheModeOff) {
    NEED_DOVECOT();
    TWorkerHarness account(DovecotServer(), "jpuser", TestEnv::Get("PB_DOVECOT_PASSWORD"));
    account.Page.Mode = 2;
    account.Run(TConnect::CmdConnect);
    EXPECT_EQ(account.Page.CurrentMode(), 0);
    account.Run(TConnect::CmdDisconnect);
}

TEST(ConnectDovecot, DeleteRemovesExactlyTheTickedMail) {
    NEED_DOVECOT();
    TestMaildir box("wdel", SimpleMails(5));
    TWorkerHarness account(DovecotServer(), box.User(), TestEnv::Get("PB_DOVECOT_PASSWORD"));
    account.Run(TConnect::CmdConnect);
    ASSERT_EQ(account.Page.CurrentRows().size(), 5u);
    account.TickNumbers({2, 4});
    account.Run(TConnect::CmdDelete);
    EXPECT_EQ(account.Page.Events({"confirm"}),
              std::vector<std::string>{"confirm mail 2\r\nmail 4\r\n\r\nを削除しますか?"});
    EXPECT_EQ(box.RemainingIds(),
              (std::vector<std::string>{box.UniqueId(1), box.UniqueId(3), box.UniqueId(5)}));
    EXPECT_EQ(account.Page.Status(0), "サーバとの接続を切断しました。");
    EXPECT_EQ(account.Page.CurrentRows().size(), 0u);
    account.ExpectIdleDisconnected();
}

TEST(ConnectDovecot, CancelledConfirmationRemovesNothing) {
    NEED_DOVECOT();
    TestMaildir box("wcancel", SimpleMails(3));
    TWorkerHarness account(DovecotServer(), box.User(), TestEnv::Get("PB_DOVECOT_PASSWORD"));
    account.Run(TConnect::CmdConnect);
    account.TickNumbers({1, 3});
    account.Page.ConfirmAnswer = 2;
    account.Page.ClearEvents();
    account.Run(TConnect::CmdDelete);
    EXPECT_EQ(
        account.Page.Events(),
        (std::vector<std::string>{"beep 48", "buttons 0",
                                  "confirm mail 1\r\nmail 3\r\n\r\nを削除しますか?", "buttons 1"}));
    EXPECT_EQ(account.TickedTitles(), (std::vector<std::string>{"mail 1", "mail 3"}));
    EXPECT_EQ(account.Page.Lamp(), 3);
    account.Run(TConnect::CmdDisconnect);
    EXPECT_EQ(box.RemainingIds().size(), 3u);
}

TEST(ConnectDovecot, ConfirmationTextWithThreeAndTwelveRows) {
    NEED_DOVECOT();
    TestMaildir box("wconfirm", SimpleMails(12));
    TWorkerHarness account(DovecotServer(), box.User(), TestEnv::Get("PB_DOVECOT_PASSWORD"));
    account.Run(TConnect::CmdConnect);
    account.Page.ConfirmAnswer = 2;
    account.TickNumbers({3, 7, 11});
    account.Run(TConnect::CmdDelete);
    account.TickNumbers({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    account.Run(TConnect::CmdDelete);
    std::string ten;
    for (int n = 1; n <= 10; ++n) ten += "mail " + std::to_string(n) + "\r\n";
    EXPECT_EQ(
        account.Page.Events({"confirm"}),
        (std::vector<std::string>{"confirm mail 3\r\nmail 7\r\nmail 11\r\n\r\nを削除しますか?",
                                  "confirm " + ten + "\r\n他 2通のメールを削除しますか?"}));
    account.Run(TConnect::CmdDisconnect);
    EXPECT_EQ(box.RemainingIds().size(), 12u);
}

TEST(ConnectDovecot, HeaderForTheViewer) {
    NEED_DOVECOT();
    TWorkerHarness account(DovecotServer(), "jpuser", TestEnv::Get("PB_DOVECOT_PASSWORD"));
    account.Run(TConnect::CmdConnect);
    account.TickNumbers({4});
    account.Run(TConnect::CmdHeader);
    EXPECT_EQ(account.Page.Events({"viewer"}),
              std::vector<std::string>{"viewer 長い件名を二つの行に折り返しました|なし"});
    const std::vector<std::string> lines = account.Page.CurrentHeaderLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Subject: 長い件名を二つの行に折り返しました");
    EXPECT_EQ(lines.front().compare(0, 5, "Date:"), 0);
    EXPECT_EQ(account.Page.Lamp(), 3);
    EXPECT_TRUE(account.Page.ButtonsOn());
    account.Run(TConnect::CmdDisconnect);
}

TEST(ConnectDovecot, EmptyMailbox) {
    NEED_DOVECOT();
    TestMaildir box("wempty", {});
    TWorkerHarness account(DovecotServer(), box.User(), TestEnv::Get("PB_DOVECOT_PASSWORD"));
    account.Run(TConnect::CmdConnect);
    EXPECT_EQ(account.Page.Status(0), "メールがありません。");
    EXPECT_EQ(account.Page.CurrentRows().size(), 0u);
    account.ExpectIdleDisconnected();
}

}  // namespace
