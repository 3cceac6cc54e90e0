#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#endif

#include "FakePop3Server.h"
#include "Pop3TestSession.h"
#include "pop3/KvSocket.h"

namespace {

using TClock = std::chrono::steady_clock;

// Splits a log into its entries; false when some stretch is not a whole entry.
bool SplitEntries(const std::string& log, std::vector<std::string>& entries) {
    const std::string fixed[] = {"接続を試みます。\r\n", "サーバに接続しました。\r\n\r\n",
                                 "Receive:8 ヘッダ途中\r\n", "Receive:8 ヘッダ終了\r\n\r\n"};
    size_t at = 0;
    while (at < log.size()) {
        size_t end = std::string::npos;
        for (const auto& f : fixed)
            if (log.compare(at, f.size(), f) == 0) end = at + f.size();
        if (end == std::string::npos) {
            // "Send:n" / "Receive:n[ ERROR]" CR LF, one line ending in CR LF, CR LF.
            if (log.compare(at, 5, "Send:") != 0 && log.compare(at, 8, "Receive:") != 0)
                return false;
            size_t head = log.find("\r\n", at);
            size_t line = head == std::string::npos ? head : log.find("\r\n", head + 2);
            if (line == std::string::npos || log.compare(line + 2, 2, "\r\n") != 0) return false;
            end = line + 4;
        }
        entries.push_back(log.substr(at, end - at));
        at = end;
    }
    return true;
}

TEST(KvSocketThreads, TwoSessionsLoggingIntoOneFileNeverInterleave) {
    const std::string file = "DelLog-test-threads.txt";
    const int rounds = 40;
    // Long unique ids make each entry big enough that an unguarded write would tear.
    const std::string idA(700, 'a'), idB(700, 'b');
    TFakePop3Server serverA, serverB;
    serverA.SetMessages({{"Subject: a\r\n", 1, idA}});
    serverB.SetMessages({{"Subject: b\r\n", 1, idB}});

    // Both sessions have re-created the log before either lists.
    std::mutex m;
    std::condition_variable cv;
    int connected = 0;
    auto meet = [&] {
        std::unique_lock<std::mutex> lock(m);
        ++connected;
        cv.notify_all();
        cv.wait(lock, [&] { return connected == 2; });
    };
    auto run = [&](TFakePop3Server& server, std::string& failure) {
        auto s = SessionFor(server);
        s->LogEnabled = true;
        s->LogFileName = file;
        failure = FailureOf([&] {
            s->Connect();
            meet();
            for (int i = 0; i < rounds; ++i) {
                s->Uidl(1);
                s->Top(1);
            }
        });
        s->Quit();
    };
    std::string failureA, failureB;
    std::thread a(run, std::ref(serverA), std::ref(failureA));
    std::thread b(run, std::ref(serverB), std::ref(failureB));
    a.join();
    b.join();
    EXPECT_EQ(failureA, "(no failure)");
    EXPECT_EQ(failureB, "(no failure)");

    std::vector<std::string> entries;
    ASSERT_TRUE(SplitEntries(ReadWholeFile(file), entries));
    int uidsA = 0, uidsB = 0;
    for (const auto& e : entries) {
        if (e == "Receive:9\r\n+OK 1 " + idA + "\r\n\r\n") ++uidsA;
        if (e == "Receive:9\r\n+OK 1 " + idB + "\r\n\r\n") ++uidsB;
    }
    EXPECT_EQ(uidsA, rounds);
    EXPECT_EQ(uidsB, rounds);
    std::remove(file.c_str());
}

struct AbortCase {
    const char* Name;
    std::function<void(TFakePop3Server&)> Arrange;
    std::function<void(TKvSocket&)> Work;  // after STAT
};

TEST(KvSocketThreads, AbortEndsABlockedWaitAndEveryLaterCommand) {
    const AbortCase cases[] = {
        {"silent greeting", [](TFakePop3Server& s) { s.ScriptGreeting(TFakeReply::Silence()); },
         nullptr},
        {"silent TOP", [](TFakePop3Server& s) { s.Script("TOP", TFakeReply::Silence()); },
         [](TKvSocket& k) { k.Top(1); }},
        {"header half sent",
         [](TFakePop3Server& s) { s.Script("TOP", TFakeReply::Bytes("+OK\r\nX: 1\r\n")); },
         [](TKvSocket& k) { k.Top(1); }},
    };
    for (const auto& c : cases) {
        TFakePop3Server server;
        server.SetMessages({{"Subject: x\r\n", 1, "u"}});
        c.Arrange(server);
        const int timeOut = 30000;  // far longer than the abort may take
        auto s = SessionFor(server, timeOut);
        std::atomic<bool> started{false};
        std::thread aborter([&] {
            while (server.ConnectionCount() == 0) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            started = true;
            s->Abort();
        });
        auto begin = TClock::now();
        std::string text = FailureOf([&] {
            s->Connect();
            if (c.Work) c.Work(*s);
        });
        auto waited = TClock::now() - begin;
        aborter.join();
        EXPECT_TRUE(started) << c.Name;
        EXPECT_EQ(text, "切断されています。") << c.Name;
        EXPECT_LT(waited, std::chrono::milliseconds(timeOut / 2)) << c.Name;
        EXPECT_FALSE(s->Connected()) << c.Name;
        EXPECT_EQ(s->CommandNumber, -1) << c.Name;

        // Once aborted, nothing reaches the server any more.
        EXPECT_EQ(FailureOf([&] { s->Connect(); }), "切断されています。") << c.Name;
        EXPECT_EQ(FailureOf([&] { s->List(1); }), "切断されています。") << c.Name;
        EXPECT_FALSE(s->Noop());
        EXPECT_EQ(server.ConnectionCount(), 1) << c.Name;
    }
}

// A name server that answers only when the test lets it (or after a long while, so that a
// session that waits for it fails the test instead of hanging it).
struct TSilentNameServer {
    std::mutex Guard;
    std::condition_variable Changed;
    bool Open = false;
    int Running = 0;

    THostLookup::TResolver Resolver(bool answers) {
        return [this, answers](const std::string&, uint32_t& address) {
            std::unique_lock<std::mutex> lock(Guard);
            ++Running;
            Changed.notify_all();
            if (!answers) Changed.wait_for(lock, std::chrono::seconds(10), [this] { return Open; });
            address = htonl(INADDR_LOOPBACK);
            --Running;
            Changed.notify_all();
            return true;
        };
    }
    ~TSilentNameServer() {
        std::unique_lock<std::mutex> lock(Guard);
        Open = true;
        Changed.notify_all();
        Changed.wait(lock, [this] { return Running == 0; });
    }
};

TEST(KvSocketThreads, ALookupThatNeverAnswersEndsAtAbortOrTimeOut) {
    const int longTimeOut = 30000;  // far longer than the abort may take
    const struct {
        const char* Name;
        bool Answers;
        int TimeOut;
        bool Abort;
        const char* Failure;
        bool System = false;  // the system's lookup of "localhost" instead
    } cases[] = {
        {"abort", false, longTimeOut, true, "切断されています。"},
        {"time-out", false, 300, false, "タイムアウトしました。"},
        {"answers", true, longTimeOut, false, "(no failure)"},
        {"the system's lookup", true, longTimeOut, false, "(no failure)", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakePop3Server server;
        TSilentNameServer names;
        auto s = SessionFor(server, c.TimeOut);
        s->Host = c.System ? "localhost" : "never.answers.invalid";
        if (!c.System) s->Resolver = names.Resolver(c.Answers);
        std::thread aborter([&] {
            if (!c.Abort) return;
            std::unique_lock<std::mutex> lock(names.Guard);
            names.Changed.wait(lock, [&] { return names.Running > 0; });
            lock.unlock();
            s->Abort();
        });
        const auto begin = TClock::now();
        EXPECT_EQ(FailureOf([&] { s->Connect(); }), c.Failure);
        const auto waited = TClock::now() - begin;
        aborter.join();
        EXPECT_LT(waited, std::chrono::milliseconds(longTimeOut / 6));
        EXPECT_EQ(server.ConnectionCount(), c.Answers ? 1 : 0);
        s->Quit();
    }
}

TEST(KvSocketThreads, AbortBeforeConnectOpensNothing) {
    TFakePop3Server server;
    auto s = SessionFor(server);
    std::thread([&] { s->Abort(); }).join();
    EXPECT_EQ(FailureOf([&] { s->Connect(); }), "切断されています。");
    EXPECT_EQ(server.ConnectionCount(), 0);
}

}  // namespace
