#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <thread>

#include "AllocationProbe.h"
#include "FakePop3Server.h"
#include "Pop3TestSession.h"
#include "pop3/KvSocket.h"
#include "pop3/Md5.h"

namespace {

using Lines = std::vector<std::string>;

const std::vector<TFakeMessage> TwoMessages = {
    {"Subject: first\r\nFrom: a@example.jp\r\n", 1200, "uid-one"},
    {"Subject: second\r\n", 3120, "uid-two"},
};

class KvSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        Server.SetMessages(TwoMessages);
        Session = SessionFor(Server);
    }
    // Connects; work runs after STAT.
    void ConnectAnd(const std::function<void(TKvSocket&)>& work) {
        Session->Connect();
        work(*Session);
    }
    TFakePop3Server Server;
    std::unique_ptr<TKvSocket> Session;
};

TEST_F(KvSocketTest, UserPassLoginSendsUserPassStatAndSetsCount) {
    int32_t countInHandler = -2;
    ConnectAnd([&](TKvSocket& s) { countInHandler = s.MessageCount; });
    EXPECT_EQ(countInHandler, 2);
    EXPECT_EQ(Server.Commands(), (Lines{"USER user", "PASS secret", "CAPA", "STAT"}));
    EXPECT_TRUE(Session->Connected());
    EXPECT_EQ(Session->CommandNumber, -1);
}

TEST_F(KvSocketTest, ApopDigestCoversExactlyTheTimeStamp) {
    struct Case {
        const char* Greeting;
        const char* Stamp;
    };
    const std::string longTail(300, 'x');
    const Case cases[] = {
        {"+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>\r\n",
         "<1896.697170952@dbc.mtview.ca.us>"},
        {"+OK <a@b> and more text after the stamp\r\n", "<a@b>"},
    };
    for (const auto& c : cases) {
        TFakePop3Server server;
        server.SetGreeting(c.Greeting);
        auto s = SessionFor(server);
        s->UseApop = true;
        s->Connect();
        EXPECT_EQ(
            server.Commands(),
            (Lines{"APOP user " + TMd5::Hex(std::string(c.Stamp) + "secret"), "CAPA", "STAT"}))
            << c.Greeting;
        EXPECT_EQ(s->MessageCount, 0);
    }
    // More than 255 characters after the stamp still leave just the stamp.
    TFakePop3Server server;
    server.SetGreeting("+OK <9@z> " + longTail + "\r\n");
    auto s = SessionFor(server);
    s->UseApop = true;
    s->Connect();
    EXPECT_EQ(server.Commands()[0], "APOP user " + TMd5::Hex("<9@z>secret"));
}

TEST_F(KvSocketTest, RefusedLoginStopsTheChainAndKeepsTheConnection) {
    struct Case {
        const char* Name;
        bool Apop;
        const char* ScriptPrefix;  // "" = the server's own refusal (wrong password)
        Lines Wire;
    };
    const Case cases[] = {
        {"USER refused", false, "USER", {"USER user"}},
        {"PASS refused", false, "PASS", {"USER user", "PASS wrong"}},
        {"APOP refused", true, "", {}},
    };
    for (const auto& c : cases) {
        TFakePop3Server server;
        if (*c.ScriptPrefix) server.Script(c.ScriptPrefix, TFakeReply::Bytes("-ERR no\r\n"));
        auto s = SessionFor(server);
        s->UseApop = c.Apop;
        s->Password = "wrong";
        EXPECT_EQ(FailureOf([&] { s->Connect(); }), "ユーザ名、パスワードが違います。") << c.Name;
        if (c.Apop) {
            EXPECT_EQ(server.Commands().size(), 1u) << c.Name;  // no STAT after the refusal
        } else {
            EXPECT_EQ(server.Commands(), c.Wire) << c.Name;
        }
        EXPECT_TRUE(s->Connected()) << c.Name;
        EXPECT_EQ(s->MessageCount, -1) << c.Name;
        EXPECT_EQ(s->CommandNumber, -1) << c.Name;
        EXPECT_EQ(s->ErrorText, "ユーザ名、パスワードが違います。") << c.Name;
    }
}

TEST_F(KvSocketTest, ApopWithoutTimeStampSendsNoDigest) {
    TFakePop3Server server;
    server.SetGreeting("+OK no stamp here\r\n");
    auto s = SessionFor(server);
    s->UseApop = true;
    EXPECT_EQ(FailureOf([&] { s->Connect(); }), "ユーザ名、パスワードが違います。");
    EXPECT_TRUE(server.Commands().empty());
}

TEST_F(KvSocketTest, SingleLineRepliesAreParsed) {
    struct Case {
        const char* Command;  // script prefix
        const char* Reply;
        std::function<std::string(TKvSocket&)> Run;
        const char* Expected;
    };
    auto list = [](TKvSocket& s) { return std::to_string(s.List(1)); };
    auto uidl = [](TKvSocket& s) { return s.Uidl(1); };
    const Case cases[] = {
        {"LIST", "+OK 5 3120\r\n", list, "3120"},
        {"LIST", "+OK\r\n", list, "0"},
        {"LIST", "+OK 1 abc\r\n", list, "0"},
        {"LIST", "+OK    1   77   \r\n", list, "0"},
        {"UIDL", "+OK 7 <id@x>!%&\r\n", uidl, "<id@x>!%&"},
        {"UIDL", "+OK\r\n", uidl, ""},
        {"UIDL", "+OK 1 a\x01\xff\xfe\r\n", uidl, "a\x01\xff\xfe"},
        {"UIDL", "+OK 1 uid\n", uidl, "uid"},  // a bare LF ends the line too
    };
    for (const auto& c : cases) {
        TFakePop3Server server;
        server.SetMessages(TwoMessages);
        server.Script(c.Command, TFakeReply::Bytes(c.Reply));
        auto s = SessionFor(server);
        std::string got;
        s->Connect();
        got = c.Run(*s);
        EXPECT_EQ(got, c.Expected) << c.Reply;
    }
}

TEST_F(KvSocketTest, StatCountEdgeCases) {
    const std::pair<const char*, int32_t> cases[] = {
        {"+OK 0 0\r\n", 0},
        {"+OK\r\n", TKvSocket::NoCountInStat},
        {"+OK   3 1200\r\n", 3},
        {"+OK many\r\n", TKvSocket::NoCountInStat},
        {"+OK 99999999999 1\r\n", TKvSocket::NoCountInStat},
    };
    for (const auto& c : cases) {
        TFakePop3Server server;
        server.Script("STAT", TFakeReply::Bytes(c.first));
        auto s = SessionFor(server);
        s->Connect();
        EXPECT_EQ(s->MessageCount, c.second) << c.first;
    }
}

TEST(KvSocketParseNumber, Kinds) {
    EXPECT_EQ(TKvSocket::ParseNumber(TKvSocket::CommandStat, "3 1200"), 3);
    EXPECT_EQ(TKvSocket::ParseNumber(TKvSocket::CommandStat, ""), TKvSocket::NoCountInStat);
    EXPECT_EQ(TKvSocket::ParseNumber(TKvSocket::CommandStat, "-1 0"), TKvSocket::NoCountInStat);
    EXPECT_EQ(TKvSocket::ParseNumber(TKvSocket::CommandList, "1 1200"), 1200);
    EXPECT_EQ(TKvSocket::ParseNumber(TKvSocket::CommandList, "55"), 55);
    EXPECT_EQ(TKvSocket::ParseNumber(TKvSocket::CommandList, "1 -5"), 0);
    EXPECT_EQ(TKvSocket::ParseNumber(TKvSocket::CommandUidl, "1 2"), 0);
}

TEST_F(KvSocketTest, TopSplitsTheHeaderWhateverTheStatusLineAndSegments) {
    struct Case {
        const char* Name;
        std::vector<std::string> Parts;
        Lines Expected;
    };
    const Lines ab = {"Subject: a", "From: b", "", "."};
    const Case cases[] = {
        {"bare +OK", {"+OK\r\nSubject: a\r\nFrom: b\r\n\r\n.\r\n"}, ab},
        {"status with text", {"+OK 42 octets\r\nSubject: a\r\nFrom: b\r\n\r\n.\r\n"}, ab},
        {"bare LF inside", {"+OK\r\nSubject: a\nFrom: b\r\n\r\n.\r\n"}, ab},
        {"status alone first", {"+OK\r\n", "Subject: a\r\nFrom: b\r\n\r\n.\r\n"}, ab},
        {"status split", {"+O", "K\r", "\nSubject: a\r\nFrom: b\r\n\r\n.\r\n"}, ab},
        {"terminator split", {"+OK\r\nSubject: a\r\nFrom: b\r\n\r\n", ".", "\r", "\n"}, ab},
        {"terminator split after CR", {"+OK\r\nSubject: a\r\nFrom: b\r\n\r", "\n.\r\n"}, ab},
        {"-ERR inside header",
         {"+OK\r\nSubject: -ERR not an error\r\n\r\n.\r\n"},
         {"Subject: -ERR not an error", "", "."}},
        {"dot-stuffed line", {"+OK\r\n..hidden: x\r\n\r\n.\r\n"}, {".hidden: x", "", "."}},
        {"empty header", {"+OK\r\n.\r\n"}, {"."}},
        {"NUL and 8-bit bytes",
         {std::string("+OK\r\nX: a\0b\x82\xa0\r\n\r\n.\r\n", 20)},
         {std::string("X: a\0b\x82\xa0", 8), "", "."}},
    };
    for (const auto& c : cases) {
        TFakePop3Server server;
        server.SetMessages(TwoMessages);
        server.Script("TOP", TFakeReply::Split(c.Parts, 30));
        auto s = SessionFor(server);
        Lines got;
        s->Connect();
        got = s->Top(2);
        got.push_back("next uid " + s->Uidl(2));  // the stream stays in step
        Lines expected = c.Expected;
        expected.push_back("next uid uid-two");
        EXPECT_EQ(got, expected) << c.Name;
        EXPECT_EQ(server.Commands(),
                  (Lines{"USER user", "PASS secret", "CAPA", "STAT", "TOP 2 0", "UIDL 2"}));
    }
}

// Three TOP replies in one stream cut once at every byte: the commands went out together, so the
// replies must be taken in order from whatever the reads deliver.
TEST(KvSocketPipelining, RepliesSplitAtEveryByteOfAWindow) {
    const std::vector<TFakeMessage> three = {{"Subject: one\r\n", 1, "u1"},
                                             {"Subject: two\r\n", 2, "u2"},
                                             {"Subject: three\r\n", 3, "u3"}};
    const std::string stream =
        "+OK\r\nSubject: one\r\n\r\n.\r\n+OK 2\r\nSubject: two\r\n\r\n.\r\n+OK\r\nSubject: "
        "three\r\n.\r\n";
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        TFakePop3Server server;
        server.SetMessages(three);
        server.SetCapabilities({"PIPELINING"});
        server.Script("TOP 1", TFakeReply::Split({stream.substr(0, cut), stream.substr(cut)}, 5));
        server.Script("TOP 2", TFakeReply::Bytes(""));
        server.Script("TOP 3", TFakeReply::Bytes(""));
        auto s = SessionFor(server, 2000);
        Lines got;
        s->Connect();
        s->TopAll(3, nullptr, [&](int32_t n, const Lines& header) {
            got.push_back(std::to_string(n) + " " + header[0]);
        });
        got.push_back("next " + std::to_string(s->List(2)));  // the stream stays in step
        EXPECT_EQ(got, (Lines{"1 Subject: one", "2 Subject: two", "3 Subject: three", "next 2"}))
            << "cut at " << cut;
        if (HasFailure()) break;
    }
}

TEST(KvSocketPipelining, WindowIsBoundedAndWithoutPipeliningCommandsWait) {
    struct Case {
        std::vector<std::string> Capabilities;
        bool Pipelining;
    };
    const Case cases[] = {{{}, false}, {{"TOP", "USER"}, false}, {{"TOP", "pipelining"}, true}};
    std::vector<TFakeMessage> many;
    for (int i = 1; i <= 300; ++i) many.push_back({"Subject: m\r\n", i, "u" + std::to_string(i)});
    for (const auto& c : cases) {
        TFakePop3Server server;
        server.SetMessages(many);
        server.SetCapabilities(c.Capabilities);
        auto s = SessionFor(server);
        size_t headers = 0;
        long mostAhead = 0;
        s->Connect();
        s->TopAll(
            s->MessageCount,
            [&](int32_t n) {
                // Commands the server has received beyond the reply about to be read.
                const long received =
                    static_cast<long>(server.Commands().size()) - 4;  // after STAT
                mostAhead = std::max(mostAhead, received - n);
            },
            [&](int32_t, const Lines&) { ++headers; });
        EXPECT_EQ(headers, 300u);
        EXPECT_EQ(s->Capabilities.Pipelining, c.Pipelining);
        if (c.Pipelining) {
            EXPECT_GT(mostAhead, 0);
            EXPECT_LT(mostAhead, static_cast<long>(TPop3Pipeline::MaxCommands));
        } else {
            EXPECT_EQ(mostAhead, 0);
        }
    }
}

// A session that lists the whole mailbox sends LIST and UIDL with STAT to a server that pipelines;
// the listings are then answered from what came back, and only until another command goes out.
TEST(KvSocketListsAtLogin, ListingsGoOutWithStat) {
    struct Case {
        const char* Name;
        bool Pipelining;
        const char* Prefix;  // a scripted reply, or nullptr
        const char* Reply;
        bool NoopFirst;  // another command between the login and the listings
        Lines AtStat;    // the commands the server had when Connect returned
        Lines After;     // the commands ListAll and UidlAll added
        const char* Failure;
    };
    const Lines login = {"USER user", "PASS secret", "CAPA"};
    auto with = [&](Lines tail) {
        Lines all = login;
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    };
    const Case cases[] = {
        {"pipelining", true, nullptr, nullptr, false, with({"STAT", "LIST", "UIDL"}), {}, ""},
        {"no pipelining", false, nullptr, nullptr, false, with({"STAT"}), {"LIST", "UIDL"}, ""},
        {"UIDL listing refused",
         true,
         "UIDL",
         "-ERR no\r\n",
         false,
         with({"STAT", "LIST", "UIDL", "UIDL 1", "UIDL 2"}),
         {},
         ""},
        {"NOOP between",
         true,
         nullptr,
         nullptr,
         true,
         with({"STAT", "LIST", "UIDL"}),
         {"NOOP", "LIST", "UIDL"},
         ""},
        {"STAT refused", true, "STAT", "-ERR locked\r\n", false, {}, {}, "通信エラー"},
        {"LIST refused", true, "LIST", "-ERR no\r\n", false, {}, {}, "通信エラー"},
        {"STAT without a count",
         true,
         "STAT",
         "+OK many\r\n",
         false,
         with({"STAT", "LIST", "UIDL"}),
         {},
         ""},
    };
    for (const auto& c : cases) {
        TFakePop3Server server;
        server.SetMessages(TwoMessages);
        if (c.Pipelining) server.SetCapabilities({"PIPELINING"});
        if (c.Prefix) server.Script(c.Prefix, TFakeReply::Bytes(c.Reply));
        auto s = SessionFor(server);
        Lines atStat;
        std::vector<int32_t> sizes;
        Lines uids;
        const auto connectAndList = [&] {
            s->Connect(true);
            atStat = server.Commands();
            if (s->MessageCount == TKvSocket::NoCountInStat) return;
            if (c.NoopFirst) s->Noop();
            sizes = s->ListAll();
            uids = s->UidlAll();
        };
        EXPECT_EQ(FailureOf(connectAndList), c.Failure[0] ? c.Failure : "(no failure)")
            << c.Name;
        if (c.Failure[0]) {
            EXPECT_FALSE(s->Connected()) << c.Name;
            continue;
        }
        EXPECT_EQ(atStat, c.AtStat) << c.Name;
        const Lines all = server.Commands();
        const Lines after(all.begin() + static_cast<long>(atStat.size()), all.end());
        EXPECT_EQ(after, c.After) << c.Name;
        if (s->MessageCount == TKvSocket::NoCountInStat) continue;
        EXPECT_EQ(sizes, (std::vector<int32_t>{1200, 3120})) << c.Name;
        EXPECT_EQ(uids, (Lines{"uid-one", "uid-two"})) << c.Name;
    }
}

TEST_F(KvSocketTest, RefusedUidlListingFallsBackToOneUidlPerMessage) {
    Server.Script("UIDL", TFakeReply::Bytes("-ERR not supported\r\n"));
    std::vector<std::string> uids;
    ConnectAnd([&](TKvSocket& s) { uids = s.UidlAll(); });
    EXPECT_EQ(uids, (Lines{"uid-one", "uid-two"}));
    EXPECT_EQ(Server.Commands(),
              (Lines{"USER user", "PASS secret", "CAPA", "STAT", "UIDL", "UIDL 1", "UIDL 2"}));
}

TEST_F(KvSocketTest, SingleLineReplySplitOverSegmentsIsReadWhole) {
    Server.Script("UIDL 1", TFakeReply::Split({"+OK 1 uid", "-one\r", "\n"}, 40));
    std::string uid;
    int32_t size = 0;
    ConnectAnd([&](TKvSocket& s) {
        uid = s.Uidl(1);
        size = s.List(2);
    });
    EXPECT_EQ(uid, "uid-one");
    EXPECT_EQ(size, 3120);
}

TEST_F(KvSocketTest, BytesWaitingBeforeACommandAreRepliesOutOfStep) {
    // A stray line after the UIDL reply must not become the reply to LIST.
    Server.Script("UIDL 1", TFakeReply::Bytes("+OK 1 uid-one\r\n+OK 1 999\r\n"));
    ConnectAnd([&](TKvSocket& s) {
        s.Uidl(1);
        EXPECT_THROW(s.List(2), EPop3Desync);
    });
    EXPECT_FALSE(Session->Connected());
    EXPECT_EQ(Server.Commands().back(), "UIDL 1");
}

// One command at a time, a listing still closes with a STAT that must repeat the count: a "."
// and a "+OK" line in a header the server did not stuff would shift every later header by one.
TEST(KvSocketLockStep, ListingClosesWithTheSameCount) {
    const std::vector<TFakeMessage> three = {{"Subject: one\r\n", 1, "u1"},
                                             {"Subject: two\r\n", 2, "u2"},
                                             {"Subject: three\r\n", 3, "u3"}};
    const struct {
        const char* Name;
        const char* Command;
        TFakeReply Reply;
        bool InStep;
    } cases[] = {
        {"plain", "NOOP", TFakeReply::Bytes(""), true},
        {"forged end of a header", "TOP 1",
         TFakeReply::Split({"+OK\r\nSubject: one\r\n.\r\n", "+OK\r\nSubject: forged\r\n\r\n.\r\n"},
                           50),
         false},
        {"closing STAT without a count", "STAT", TFakeReply::Bytes("+OK\r\n"), false},
        {"closing STAT with another count", "STAT", TFakeReply::Bytes("+OK 4 10\r\n"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakePop3Server server;
        server.SetMessages(three);
        auto s = SessionFor(server, 2000);
        Lines got;
        bool outOfStep = false;
        s->Connect();
        server.Script(c.Command, c.Reply);  // after the opening STAT
        try {
            s->TopAll(3, nullptr, [&](int32_t n, const Lines& header) {
                got.push_back(std::to_string(n) + " " + header[0]);
            });
        } catch (const EPop3Desync&) {
            outOfStep = true;
        }
        EXPECT_EQ(outOfStep, !c.InStep);
        EXPECT_EQ(s->Connected(), c.InStep);
        if (c.InStep) {
            EXPECT_EQ(got, (Lines{"1 Subject: one", "2 Subject: two", "3 Subject: three"}));
            EXPECT_EQ(server.Commands().back(), "STAT");
        }
    }
}

TEST_F(KvSocketTest, DeleTakesEffectAtQuit) {
    ConnectAnd([](TKvSocket& s) { s.Dele(1); });
    EXPECT_EQ(Server.Messages().size(), 2u);
    Session->Quit();
    EXPECT_FALSE(Session->Connected());
    EXPECT_EQ(Server.Commands(),
              (Lines{"USER user", "PASS secret", "CAPA", "STAT", "DELE 1", "QUIT"}));
    ASSERT_EQ(Server.Messages().size(), 1u);
    EXPECT_EQ(Server.Messages()[0].Uid, "uid-two");
    // The next connection sees the renumbered mailbox.
    Session->Connect();
    EXPECT_EQ(Session->MessageCount, 1);
    EXPECT_EQ(Session->Uidl(1), "uid-two");
}

TEST_F(KvSocketTest, HostNameIsLookedUp) {
    Session->Host = "localhost";
    Session->Connect();
    EXPECT_EQ(Session->MessageCount, 2);
}

TEST_F(KvSocketTest, ConnectWhileConnectedDoesNothing) {
    Session->Connect();
    Session->Connect();
    EXPECT_EQ(Server.ConnectionCount(), 1);
}

TEST_F(KvSocketTest, NoopAndQuitOnAClosedSessionContactNothing) {
    EXPECT_FALSE(Session->Noop());
    Session->Quit();
    EXPECT_EQ(Server.ConnectionCount(), 0);
}

TEST_F(KvSocketTest, NoopResults) {
    Server.Script("NOOP", TFakeReply::Bytes("-ERR later\r\n"));
    Session->Connect();
    EXPECT_FALSE(Session->Noop());
    EXPECT_TRUE(Session->Connected());  // a refused NOOP leaves the connection
    EXPECT_TRUE(Session->Noop());
    EXPECT_EQ(Session->CommandNumber, -1);
}

TEST_F(KvSocketTest, LineBreakInsideACommandIsRefused) {
    Session->UserName = "user\r\nDELE 1";
    EXPECT_EQ(FailureOf([&] { Session->Connect(); }), "通信エラー");
    EXPECT_TRUE(Server.Commands().empty());
}

// The failures of the session: text raised and whether the connection is left open.
TEST(KvSocketFailures, TextsAndConnectionState) {
    struct Case {
        const char* Name;
        std::function<void(TFakePop3Server&, TKvSocket&)> Arrange;
        std::function<void(TKvSocket&)> Act;  // after STAT, or null: the failure is in Connect
        const char* Text;
        bool StaysConnected;
    };
    auto reply = [](const char* prefix, TFakeReply r) {
        return [=](TFakePop3Server& srv, TKvSocket&) { srv.Script(prefix, r); };
    };
    auto nothing = [](TFakePop3Server&, TKvSocket&) {};
    auto pipelining = [](const char* prefix, TFakeReply r) {
        return [=](TFakePop3Server& srv, TKvSocket&) {
            srv.SetCapabilities({"TOP", "PIPELINING"});
            srv.Script(prefix, r);
        };
    };
    auto topAll = [](TKvSocket& s) { s.TopAll(s.MessageCount, nullptr, nullptr); };
    auto uidlAll = [](TKvSocket& s) { s.UidlAll(); };
    auto listAll = [](TKvSocket& s) { s.ListAll(); };
    // One byte every 40 ms: each read is within the time-out, the whole reply is not.
    std::vector<std::string> trickle;
    for (char c : std::string("+OK 1 slowly-arriving-unique-id\r\n"))
        trickle.push_back(std::string(1, c));
    const std::string longLine(70 * 1024, 'A');
    const std::string hugeHeader = "+OK\r\n" + std::string(5 * 1024 * 1024, 'H');
    const Case cases[] = {
        {"negative greeting",
         [](TFakePop3Server& srv, TKvSocket&) {
             srv.ScriptGreeting(TFakeReply::Bytes("-ERR busy\r\n"));
         },
         nullptr, "通信エラー", false},
        {"silent greeting",
         [](TFakePop3Server& srv, TKvSocket&) { srv.ScriptGreeting(TFakeReply::Silence()); },
         nullptr, "タイムアウトしました。", false},
        {"negative STAT", reply("STAT", TFakeReply::Bytes("-ERR locked\r\n")), nullptr,
         "通信エラー", false},
        {"negative LIST", nothing, [](TKvSocket& s) { s.List(9); }, "通信エラー", false},
        {"negative UIDL", reply("UIDL", TFakeReply::Bytes("-ERR no\r\n")),
         [](TKvSocket& s) { s.Uidl(1); }, "通信エラー", false},
        {"negative TOP", reply("TOP", TFakeReply::Bytes("-ERR no\r\n")),
         [](TKvSocket& s) { s.Top(1); }, "通信エラー", false},
        {"negative DELE", nothing, [](TKvSocket& s) { s.Dele(9); }, "通信エラー", false},
        {"neither +OK nor -ERR", reply("LIST", TFakeReply::Bytes("HELLO\r\n")),
         [](TKvSocket& s) { s.List(1); }, "通信エラー", false},
        {"silence", reply("LIST", TFakeReply::Silence()), [](TKvSocket& s) { s.List(1); },
         "タイムアウトしました。", false},
        {"silence inside TOP", reply("TOP", TFakeReply::Bytes("+OK\r\nSubject: x\r\n")),
         [](TKvSocket& s) { s.Top(1); }, "タイムアウトしました。", false},
        {"closed mid-line", reply("UIDL", TFakeReply::Drop("+OK 1 ab")),
         [](TKvSocket& s) { s.Uidl(1); }, "タイムアウトしました。", false},
        {"closed mid-header", reply("TOP", TFakeReply::Drop("+OK\r\nSubject: x\r\n")),
         [](TKvSocket& s) { s.Top(1); }, "タイムアウトしました。", false},
        {"endless line", reply("UIDL", TFakeReply::Bytes(longLine)),
         [](TKvSocket& s) { s.Uidl(1); }, "通信エラー", false},
        {"endless header", reply("TOP", TFakeReply::Bytes(hugeHeader)),
         [](TKvSocket& s) { s.Top(1); }, "通信エラー", false},
        {"+OKAY is not +OK", reply("LIST", TFakeReply::Bytes("+OKAY 1 2\r\n")),
         [](TKvSocket& s) { s.List(1); }, "通信エラー", false},
        {"CAPA answered with garbage", reply("CAPA", TFakeReply::Bytes("HELLO\r\n")), nullptr,
         "通信エラー", false},
        {"CAPA never answered", reply("CAPA", TFakeReply::Silence()), nullptr,
         "タイムアウトしました。", false},
        {"reply trickling in",
         [=](TFakePop3Server& srv, TKvSocket& s) {
             s.TimeOut = 100;
             srv.Script("UIDL", TFakeReply::Split(trickle, 40));
         },
         [](TKvSocket& s) { s.Uidl(1); }, "タイムアウトしました。", false},
        {"drop inside a window", pipelining("TOP 2", TFakeReply::Drop("+OK\r\nSubj")), topAll,
         "タイムアウトしました。", false},
        {"UIDL lists a number twice",
         reply("UIDL", TFakeReply::Bytes("+OK\r\n1 a\r\n1 b\r\n.\r\n")), uidlAll, "通信エラー",
         false},
        {"UIDL skips one", reply("UIDL", TFakeReply::Bytes("+OK\r\n2 b\r\n.\r\n")), uidlAll,
         "通信エラー", false},
        {"UIDL beyond STAT", reply("UIDL", TFakeReply::Bytes("+OK\r\n1 a\r\n2 b\r\n3 c\r\n.\r\n")),
         uidlAll, "通信エラー", false},
        {"LIST of more lines than messages",
         reply("LIST", TFakeReply::Bytes("+OK\r\n1 1\r\n2 2\r\n3 3\r\n.\r\n")), listAll,
         "通信エラー", false},
        {"command after failure", reply("LIST", TFakeReply::Bytes("-ERR\r\n")),
         [](TKvSocket& s) {
             try {
                 s.List(1);
             } catch (const EPop3Failure&) {
             }
             s.Uidl(1);
         },
         "切断されています。", false},
    };
    for (const auto& c : cases) {
        TFakePop3Server server;
        server.SetMessages(TwoMessages);
        auto s = SessionFor(server, 300);
        c.Arrange(server, *s);
        const auto connectAndAct = [&] {
            s->Connect();
            if (c.Act) c.Act(*s);
        };
        EXPECT_EQ(FailureOf(connectAndAct), c.Text) << c.Name;
        EXPECT_EQ(s->Connected(), c.StaysConnected) << c.Name;
        EXPECT_EQ(s->CommandNumber, -1) << c.Name;
    }
}

TEST(KvSocketFailures, BeforeAnyConnection) {
    TKvSocket s;
    s.Host = "127.0.0.1";
    EXPECT_EQ(FailureOf([&] { s.List(1); }), "切断されています。");

    s.Host = "no-such-host.invalid";
    EXPECT_EQ(FailureOf([&] { s.Connect(); }), "通信出来ません。");
    EXPECT_FALSE(s.Connected());

    int closedPort;
    {
        TFakePop3Server gone;
        closedPort = gone.Port();
    }
    s.Host = "127.0.0.1";
    s.Port = closedPort;
    EXPECT_EQ(FailureOf([&] { s.Connect(); }), "接続できません。");
    EXPECT_FALSE(s.Connected());
    EXPECT_EQ(s.CommandNumber, -1);
}

// RFC 2449 response codes tell a locked mailbox, a login too soon and a passing trouble of the
// server from a wrong password; the server's words travel with the failure, made safe to show.
TEST(KvSocketFailures, ResponseCodesGiveTheirTextAndKind) {
    struct Case {
        const char* Command;
        std::string Reply;
        const char* Text;
        TFailureKind Kind;
        std::string ServerText;
        std::optional<int32_t> LoginDelay = std::nullopt;  // as an earlier session's CAPA announced it
    };
    const char* const inUse = "メールボックスは他のプログラムが使用中です。";
    const char* const wrong = "ユーザ名、パスワードが違います。";
    const Case cases[] = {
        {"PASS", "-ERR [IN-USE] locked", inUse, TFailureKind::InUse, "-ERR [IN-USE] locked"},
        {"PASS", "-ERR [LOGIN-DELAY] wait",
         "ログインの間隔が短すぎるため、サーバに断られました。しばらく待ってから接続してください。",
         TFailureKind::LoginDelay, "-ERR [LOGIN-DELAY] wait"},
        {"PASS", "-ERR [LOGIN-DELAY] wait",
         "ログインの間隔が短すぎるため、サーバに断られました。前のログインから 15 分たってから"
         "接続してください。",
         TFailureKind::LoginDelay, "-ERR [LOGIN-DELAY] wait", 900},
        {"PASS", "-ERR [SYS/TEMP] busy", "通信エラー", TFailureKind::Temporary,
         "-ERR [SYS/TEMP] busy"},
        {"PASS", "-ERR [AUTH] bad", wrong, TFailureKind::LoginRefused, "-ERR [AUTH] bad"},
        {"USER", "-ERR no", wrong, TFailureKind::LoginRefused, "-ERR no"},
        {"STAT", "-ERR [IN-USE] mailbox locked", inUse, TFailureKind::InUse,
         "-ERR [IN-USE] mailbox locked"},
        {"STAT", "-ERR [sys/temp] later", "通信エラー", TFailureKind::Temporary,
         "-ERR [sys/temp] later"},
        {"STAT", "-ERR oops", "通信エラー", TFailureKind::CommError, "-ERR oops"},
        {"STAT", "-ERR [IN-USE] a\x1b[2Jb" + std::string(300, 'x'), inUse, TFailureKind::InUse,
         "-ERR [IN-USE] a[2Jb" + std::string(181, 'x')},
    };
    for (const auto& c : cases) {
        TFakePop3Server server;
        server.Script(c.Command, TFakeReply::Bytes(c.Reply + "\r\n"));
        auto s = SessionFor(server);
        s->LoginDelay = c.LoginDelay;
        try {
            s->Connect();
            ADD_FAILURE() << c.Reply << ": no failure";
        } catch (const EPop3Failure& e) {
            EXPECT_STREQ(e.what(), c.Text) << c.Reply;
            EXPECT_EQ(e.Kind(), c.Kind) << c.Reply;
            EXPECT_EQ(e.Command(), c.Command) << c.Reply;
            EXPECT_EQ(e.ServerText(), c.ServerText) << c.Reply;
            EXPECT_EQ(e.Detail(), std::string(c.Command) + ": " + c.ServerText) << c.Reply;
        }
    }
}

#if !defined(NDEBUG) && !defined(_WIN32)
TEST(KvSocketOwnership, AnotherThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TFakePop3Server server;
    auto s = SessionFor(server);
    s->Connect();
    EXPECT_DEATH(std::thread([&] { s->Noop(); }).join(), "does not own it");
    EXPECT_TRUE(s->Noop());  // the owner goes on
}
#endif

TEST(KvSocketFailures, LoginDelayFromCapaIsKept) {
    TFakePop3Server server;
    server.Script("CAPA", TFakeReply::Bytes("+OK\r\nUSER\r\nLOGIN-DELAY 900 USER\r\n.\r\n"));
    auto s = SessionFor(server);
    EXPECT_FALSE(s->LoginDelay);
    s->Connect();
    EXPECT_EQ(s->LoginDelay, 900);
}

// RETR hands the message on as it is read: whole and exact however the reads cut it, never held
// whole, cut off once it runs far past its listed size, only its status line logged, and the
// replies kept in step with the commands.
TEST(KvSocketRetr, MessageComesInPiecesAsRead) {
    struct TCase {
        std::string Name;
        TFakeReply Reply;
        std::string Text;  // what the reply carries after its status line
        int32_t ListedSize;
        std::string Outcome;  // "+OK", "-ERR", "desync" or the failure's text
        bool Pipelining;
    };
    const std::string text = "Subject: x\r\n\r\n..dot\r\nlast\r\n.\r\n";
    const std::string reply = "+OK 29 octets\r\n" + text;
    std::vector<TCase> cases;
    for (size_t cut = 1; cut < reply.size(); ++cut)
        cases.push_back({"cut at " + std::to_string(cut),
                         TFakeReply::Split({reply.substr(0, cut), reply.substr(cut)}, 5), text, 29,
                         "+OK", false});
    cases.push_back({"empty", TFakeReply::Bytes("+OK\r\n.\r\n"), ".\r\n", 0, "+OK", false});
    cases.push_back({"refused", TFakeReply::Bytes("-ERR locked\r\n"), "", 29, "-ERR", false});
    // Read by read, in parts made before the probe: the server allocates nothing large either.
    const std::string line = std::string(1022, 'a') + "\r\n";
    std::vector<std::string> parts(64, std::string());
    for (std::string& part : parts)
        for (int i = 0; i < 64; ++i) part += line;
    std::string large;
    for (const std::string& part : parts) large += part;
    parts.insert(parts.begin(), "+OK\r\n");
    parts.push_back(".\r\n");
    cases.push_back({"4 MiB", TFakeReply::Split(parts, 0), large + ".\r\n",
                     static_cast<int32_t>(large.size()), "+OK", false});
    parts.resize(4);  // 192 KiB that never end, for a message listed at 100 octets
    cases.push_back({"endless", TFakeReply::Split(parts, 0), large, 100, "通信エラー", false});
    const std::string stray = "+OK\r\n.\r\n+OK stray\r\n";
    // One at a time, the stray bytes stop the next command (see BytesWaitingBeforeACommand...).
    cases.push_back({"more after it", TFakeReply::Bytes(stray), ".\r\n", 0, "+OK", false});
    cases.push_back({"more after it, ahead", TFakeReply::Bytes(stray), ".\r\n", 0, "desync", true});
    const char logName[] = "DelLog-test-retr.txt";
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakePop3Server server;
        server.SetMessages(TwoMessages);
        if (c.Pipelining) server.SetCapabilities({"PIPELINING"});
        server.Script("RETR 2", c.Reply);
        auto s = SessionFor(server, 2000);
        s->LogEnabled = true;
        s->LogFileName = logName;
        s->Connect();
        size_t handed = 0;
        bool exact = true;
        std::string outcome;
        {
            TAllocationProbe probe;
            try {
                outcome = s->Retr(2, c.ListedSize,
                                  [&](const char* bytes, size_t count) {
                                      exact =
                                          exact && c.Text.compare(handed, count, bytes, count) == 0;
                                      handed += count;
                                  })
                              ? "+OK"
                              : "-ERR";
            } catch (const EPop3Desync&) {
                outcome = "desync";
            } catch (const EPop3Failure& failure) {
                outcome = failure.what();
            }
            EXPECT_LT(probe.Largest(), 1024u * 1024u);
        }
        EXPECT_EQ(outcome, c.Outcome);
        EXPECT_TRUE(exact);
        // Cut off within twice the listed size and the slack, before any of it went on.
        if (outcome == "+OK" || outcome == "-ERR")
            EXPECT_EQ(handed, c.Text.size());
        else
            EXPECT_LE(handed, 2 * static_cast<size_t>(c.ListedSize) + TKvSocket::MessageSlack);
        EXPECT_EQ(s->Connected(), outcome == "+OK" || outcome == "-ERR");
        if (s->Connected() && c.Name == "more after it") {
            EXPECT_THROW(s->Uidl(2), EPop3Desync);
        } else if (s->Connected()) {
            EXPECT_EQ(s->Uidl(2), "uid-two");
        }
        s->Quit();
        const std::string log = ReadWholeFile(logName);
        EXPECT_EQ(log.find("..dot"), std::string::npos);
        EXPECT_EQ(log.find("aaaa"), std::string::npos);
        if (outcome == "+OK" && c.Text == text) {
            EXPECT_NE(log.find("Receive:13\r\n+OK 29 octets\r\n"), std::string::npos);
        }
        std::remove(logName);
        if (HasFailure()) break;
    }
}

}  // namespace
