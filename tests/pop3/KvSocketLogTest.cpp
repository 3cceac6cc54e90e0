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
        try {
            s->Connect();
            s->Top(1);
            s->Uidl(1);
        } catch (const EPop3Failure&) {
        }
        s->Quit();
        std::string expected = std::string("接続を試みます。\r\n") +
                               "サーバに接続しました。\r\n\r\n" + "Receive:0\r\n" + Greeting +
                               "\r\n" + c.Login;
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
    server.Script("TOP",
                  TFakeReply::Split({"+OK\r\nSubject: x\r\n", "From: y\r\n", "\r\n.\r\n"}, 250));
    auto s = SessionFor(server);
    s->LogEnabled = true;
    s->LogFileName = file;
    s->Connect();
    s->Top(1);
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

namespace {

TEST(KvSocketLog, CommandsOfAWindowComeBeforeTheirReplies) {
    const std::string file = "DelLog-test-window.txt";
    TFakePop3Server server;
    server.SetCapabilities({"PIPELINING"});
    server.SetMessages({{"Subject: x\r\n", 1, "u1"}, {"Subject: y\r\n", 2, "u2"}});
    auto s = SessionFor(server);
    s->LogEnabled = true;
    s->LogFileName = file;
    s->Connect();
    s->TopAll(2, nullptr, nullptr);
    const std::string log = ReadWholeFile(file);
    EXPECT_NE(log.find("Receive:11\r\n+OK\r\nPIPELINING\r\n.\r\n\r\n"), std::string::npos);
    // The batch closes with a STAT that shows whether the replies stayed in step.
    EXPECT_NE(
        log.find("Send:8\r\nTOP 1 0\r\n\r\nSend:8\r\nTOP 2 0\r\n\r\nSend:4\r\nSTAT\r\n\r\n"
                 "Receive:8 ヘッダ終了\r\n\r\nReceive:8 ヘッダ終了\r\n\r\nReceive:4\r\n+OK 2 "),
        std::string::npos);
    s.reset();
    std::remove(file.c_str());
}

// A login to the server and account whose last CAPA offered PIPELINING sends USER with PASS and
// CAPA with STAT; a refusal still names the step that was refused.
TEST(KvSocketLog, ALoginAfterPipeliningGoesAhead) {
    struct Case {
        const char* Name;
        bool Pipelined;       // the first session's CAPA offered PIPELINING
        bool FailedBetween;   // a refused login came between the two
        const char* User;     // of the second login
        const char* Refusal;  // scripted reply to the second USER, or nullptr
        bool Ahead;
        const char* Failure;
    };
    const Case cases[] = {
        {"same server and user", true, false, "user", nullptr, true, "(no failure)"},
        {"no PIPELINING last time", false, false, "user", nullptr, false, "(no failure)"},
        {"another user", true, false, "other", nullptr, false, "ユーザ名、パスワードが違います。"},
        {"USER refused, mailbox in use", true, false, "user", "-ERR [IN-USE] locked\r\n", true,
         "メールボックスは他のプログラムが使用中です。"},
        {"the login before failed", true, true, "user", nullptr, false, "(no failure)"},
    };
    const std::string file = "DelLog-test-ahead.txt";
    for (const auto& c : cases) {
        TFakePop3Server server;
        server.SetMessages({{"Subject: x\r\n", 1, "u1"}});
        if (c.Pipelined) server.SetCapabilities({"PIPELINING"});
        auto s = SessionFor(server);
        s->Connect(true);
        s->Quit();
        if (c.FailedBetween) {
            server.Script("USER", TFakeReply::Bytes("-ERR not now\r\n"));
            EXPECT_NE(FailureOf([&] { s->Connect(true); }), "(no failure)");
            s->Quit();
        }
        server.SetCapabilities({"PIPELINING"});
        if (c.Refusal) server.Script("USER", TFakeReply::Bytes(c.Refusal));
        s->UserName = c.User;
        s->LogEnabled = true;
        s->LogFileName = file;
        EXPECT_EQ(FailureOf([&] { s->Connect(true); }), c.Failure) << c.Name;
        s->Quit();
        const std::string log = ReadWholeFile(file);
        const bool ahead = log.find("Send:2\r\n") < log.find("Receive:1");
        EXPECT_EQ(ahead, c.Ahead) << c.Name << "\n" << log;
        if (c.Ahead && !c.Refusal) {
            EXPECT_NE(log.find("Send:11\r\nCAPA\r\n\r\nSend:4\r\nSTAT\r\n\r\nSend:7\r\nLIST\r\n"
                               "\r\nSend:9\r\nUIDL\r\n\r\nReceive:11"),
                      std::string::npos)
                << c.Name << "\n"
                << log;
        }
        s.reset();
        std::remove(file.c_str());
    }
}

#ifndef _WIN32
// A log that cannot be written stops once; the exchange goes on in step.
TEST(KvSocketLog, FailedWriteStopsTheLogNotTheListing) {
    TFakePop3Server server;
    server.SetMessages({{"Subject: x\r\n", 1, "u1"}, {"Subject: y\r\n", 2, "u2"}});
    auto s = SessionFor(server);
    s->LogEnabled = true;
    s->LogFileName = "/dev/full";  // every write fails: no space left
    int stops = 0;
    s->OnLogStopped = [&](TKvSocket& k) {
        ++stops;
        EXPECT_EQ(k.LogStopReason, "ディスクがいっぱいです");
    };
    std::string uid;
    s->Connect();
    uid = s->Uidl(2);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(s->MessageCount, 2);
    EXPECT_EQ(uid, "u2");
    EXPECT_TRUE(s->Connected());
}

// Another session's failed re-creation leaves a running log writing where it was. (Windows
// would not move a folder holding an open file.)
TEST(KvSocketLog, FailedRecreateLeavesTheOtherSessionsLog) {
    const std::string dir = "DelLog-test-dir", moved = "DelLog-test-moved";
    std::remove((moved + "/DelLog.txt").c_str());
    std::remove(moved.c_str());
    ASSERT_EQ(std::system(("mkdir " + dir).c_str()), 0);
    TFakePop3Server server;
    server.SetMessages({{"Subject: x\r\n", 1, "u1"}});
    auto writing = SessionFor(server), failing = SessionFor(server);
    for (auto* s : {writing.get(), failing.get()}) {
        s->LogEnabled = true;
        s->LogFileName = dir + "/DelLog.txt";
    }
    writing->Connect();
    ASSERT_EQ(std::rename(dir.c_str(), moved.c_str()), 0);  // the file's folder is gone
    EXPECT_NE(FailureOf([&] { failing->Connect(); }), "(no failure)");
    int stops = 0;
    writing->OnLogStopped = [&](TKvSocket&) { ++stops; };
    EXPECT_EQ(writing->Uidl(1), "u1");
    EXPECT_EQ(stops, 0);
    writing.reset();
    failing.reset();
    EXPECT_NE(ReadWholeFile(moved + "/DelLog.txt").find("Receive:9\r\n+OK 1 u1"),
              std::string::npos);
    std::remove((moved + "/DelLog.txt").c_str());
    std::remove(moved.c_str());
}
#endif

}  // namespace
