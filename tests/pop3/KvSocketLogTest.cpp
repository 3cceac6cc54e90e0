#include <gtest/gtest.h>

#include "FakePop3Server.h"
#include "Pop3TestSession.h"
#include "pop3/KvSocket.h"
#include "pop3/Md5.h"

namespace {

const char Greeting[] = "+OK POP3 server ready <1896.697170952@fake.example>\r\n";

struct LogCase {
    const char* Name;
    bool Apop;
    const char* Password;
    std::string Login;  // the log entries between the greeting and STAT (or the end)
    bool LoggedIn;
};

const std::string UserPassLogin =
    "Send:1\r\nUSER user\r\n\r\n"
    "Receive:1\r\n+OK\r\n\r\n"
    "Send:2\r\nPASS パスワード\r\n\r\n"
    "Receive:2\r\n+OK Logged in.\r\n\r\n";

const LogCase Cases[] = {
    {"USER/PASS", false, "secret", UserPassLogin, true},
    {"APOP", true, "secret",
     "Send:3\r\nAPOP ユーザ名 MD5Digest\r\n"  // the masked line carries no CR LF of its own
     "Receive:3\r\n+OK Logged in.\r\n\r\n",
     true},
    {"PASS refused", false, "wrong",
     "Send:1\r\nUSER user\r\n\r\n"
     "Receive:1\r\n+OK\r\n\r\n"
     "Send:2\r\nPASS パスワード\r\n\r\n"
     "Receive:2 ERROR\r\n-ERR [AUTH] Authentication failed.\r\n\r\n",
     false},
};

TEST(KvSocketLog, BytesOfALoginAndListing) {
    for (const auto& c : Cases) {
        const std::string file = std::string("DelLog-test-") + (c.Apop ? "apop" : "user") + ".txt";
        TFakePop3Server server;
        server.SetMessages({{"Subject: x\r\n", 100, "u1"}});
        auto s = SessionFor(server);
        s->UseApop = c.Apop;
        s->Password = c.Password;
        s->LogEnabled = true;
        s->LogFileName = file;
        s->OnStat = [](TKvSocket& k) {
            k.Top(1);
            k.Uidl(1);
        };
        try {
            s->Connect();
        } catch (const EPop3Failure&) {
        }
        s->Quit();
        std::string expected = std::string("接続を試みます。\r\n") + "サーバに接続しました。\r\n\r\n" +
                               "Receive:0\r\n" + Greeting + "\r\n" + c.Login;
        if (c.LoggedIn)
            expected +=
                "Send:11\r\nCAPA\r\n\r\n"
                "Receive:11 ERROR\r\n-ERR Unknown command.\r\n\r\n"
                "Send:4\r\nSTAT\r\n\r\n"
                "Receive:4\r\n+OK 1 100\r\n\r\n"
                "Send:8\r\nTOP 1 0\r\n\r\n"
                "Receive:8 ヘッダ終了\r\n\r\n"
                "Send:9\r\nUIDL 1\r\n\r\n"
                "Receive:9\r\n+OK 1 u1\r\n\r\n";
        expected +=
            "Send:10\r\nQUIT\r\n\r\n"
            "Receive:10\r\n+OK Logging out.\r\n\r\n";
        std::string log = ReadWholeFile(file);
        EXPECT_EQ(log, expected) << c.Name;
        EXPECT_EQ(log.find(c.Password), std::string::npos) << c.Name;
        EXPECT_EQ(log.find(TMd5::Hex("<1896.697170952@fake.example>secret")), std::string::npos);
        s.reset();
        std::remove(file.c_str());
    }
}

TEST(KvSocketLog, EachTopBlockBeforeTheLastIsLoggedAsMiddle) {
    const std::string file = "DelLog-test-top.txt";
    TFakePop3Server server;
    server.SetMessages({{"Subject: x\r\n", 100, "u1"}});
    // Long pauses so that each part arrives in a read of its own.
    server.Script("TOP", TFakeReply::Split({"+OK\r\nSubject: x\r\n", "From: y\r\n", "\r\n.\r\n"}, 250));
    auto s = SessionFor(server);
    s->LogEnabled = true;
    s->LogFileName = file;
    s->OnStat = [](TKvSocket& k) { k.Top(1); };
    s->Connect();
    std::string log = ReadWholeFile(file);
    EXPECT_NE(log.find("Send:8\r\nTOP 1 0\r\n\r\n"
                       "Receive:8 ヘッダ途中\r\n"
                       "Receive:8 ヘッダ途中\r\n"
                       "Receive:8 ヘッダ終了\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(log.find("Subject: x"), std::string::npos);  // header data is never logged
    s.reset();
    std::remove(file.c_str());
}

TEST(KvSocketLog, EveryConnectStartsTheFileAfresh) {
    const std::string file = "DelLog-test-again.txt";
    TFakePop3Server server;
    auto s = SessionFor(server);
    s->LogEnabled = true;
    s->LogFileName = file;
    s->Connect();
    s->Quit();
    s->Connect();
    std::string log = ReadWholeFile(file);
    EXPECT_EQ(log.rfind("接続を試みます。", 0), 0u);
    EXPECT_EQ(log.find("QUIT"), std::string::npos);
    s.reset();
    std::remove(file.c_str());
}

TEST(KvSocketLog, UncreatableFileFailsBeforeConnecting) {
    TFakePop3Server server;
    auto s = SessionFor(server);
    s->LogEnabled = true;
    s->LogFileName = "no-such-directory/DelLog.txt";
    std::string text = FailureOf([&] { s->Connect(); });
    EXPECT_NE(text, "(no failure)");
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(s->Connected());
    EXPECT_EQ(server.ConnectionCount(), 0);
}

}  // namespace
