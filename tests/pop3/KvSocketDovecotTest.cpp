// TKvSocket against the private Dovecot of tests/fixtures (see its README.md).
#include "pop3/KvSocket.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestMaildir.h"

namespace {

// What a listing after STAT saw: one TOP, LIST and UIDL per message, in order.
struct TListing {
    int Stats = 0;  // times the listing began
    int32_t Count = -1;
    std::vector<std::vector<std::string>> Headers;
    std::vector<int32_t> Sizes;
    std::vector<std::string> Ids;
};

std::unique_ptr<TKvSocket> NewSession(const std::string& user, bool apop,
                                      const std::string& password = TestEnv::DovecotPassword()) {
    auto session = std::make_unique<TKvSocket>();
    session->Host = "127.0.0.1";
    session->Port = TestEnv::DovecotPort();
    session->UserName = user;
    session->Password = password;
    session->UseApop = apop;
    session->TimeOut = 20000;
    return session;
}

// Connects and lists the whole mailbox after STAT.
TListing ConnectAndList(TKvSocket& session) {
    TListing listing;
    session.Connect();
    ++listing.Stats;
    listing.Count = session.MessageCount;
    for (int32_t n = 1; n <= session.MessageCount; ++n) {
        listing.Headers.push_back(session.Top(n));
        listing.Sizes.push_back(session.List(n));
        listing.Ids.push_back(session.Uidl(n));
    }
    return listing;
}

void ExpectListingOf(const TListing& listing, const std::string& user) {
    std::vector<TMaildirMessage> files = TestMaildir::Read(user);
    EXPECT_EQ(listing.Stats, 1);
    ASSERT_EQ(listing.Count, static_cast<int32_t>(files.size()));
    ASSERT_EQ(listing.Headers.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE("message " + std::to_string(i + 1) + " " + files[i].UniqueId);
        EXPECT_EQ(listing.Headers[i], files[i].TopLines());
        EXPECT_EQ(listing.Sizes[i], files[i].Pop3Size());
        EXPECT_EQ(listing.Ids[i], files[i].UniqueId);
    }
}

// Unique ids Dovecot lists on a new connection.
std::vector<std::string> IdsOnServer(const std::string& user) {
    auto session = NewSession(user, false);
    TListing listing = ConnectAndList(*session);
    session->Quit();
    return listing.Ids;
}

std::string Message(const std::string& subject) {
    return "Date: Mon, 13 Nov 2023 09:15:00 +0900\nFrom: a@example.jp\nSubject: " + subject +
           "\nMessage-ID: <" + subject + "@example.jp>\n\nbody of " + subject + "\n";
}

class KvSocketDovecotTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(TestEnv::DovecotPort(), 0) << "no Dovecot: run through scripts/test, or start "
                                                "tests/fixtures/dovecot.sh and source its env";
    }
};

struct TLoginCase {
    const char* User;
    bool Apop;
};

TEST_F(KvSocketDovecotTest, ListsEveryHeaderSizeAndIdOfTheJapaneseMailbox) {
    for (const TLoginCase& login : {TLoginCase{"jpuser", false}, TLoginCase{"jpapop", true}}) {
        SCOPED_TRACE(login.User);
        auto session = NewSession(login.User, login.Apop);
        TListing listing = ConnectAndList(*session);
        ExpectListingOf(listing, login.User);
        EXPECT_EQ(listing.Count, 15);
        EXPECT_TRUE(session->Connected());
        EXPECT_EQ(session->CommandNumber, -1);
        session->Quit();
        EXPECT_FALSE(session->Connected());
    }
}

TEST_F(KvSocketDovecotTest, ListsUnusualHeadersByteForByte) {
    std::string manyReceived;  // a header of about 200 KB: the TOP reply takes many reads
    for (int i = 0; i < 3000; ++i)
        manyReceived += "Received: from relay" + std::to_string(i) + ".example.net by mx.example.jp; " +
                        "Mon, 13 Nov 2023 09:15:00 +0900\n";
    const std::vector<std::string> messages = {
        Message("plain"),
        "Subject: crlf line ends\r\nFrom: b@example.jp\r\n\r\nbody\r\n",
        "Subject: header only, no empty line\nFrom: c@example.jp\n",
        "Subject: \x8c\x8f\x96\xbc Shift_JIS and \xe4\xbb\xb6 UTF-8 bytes\nFrom: d@example.jp\n\nx\n",
        "-ERR-Trace: a field whose name starts like a negative reply\nSubject: -ERR\n\nx\n",
        "Subject: a line that starts with a dot follows\n.dot-stuffed by the server\n\nx\n",
        manyReceived + "Subject: many Received lines\n\nx\n",
        "",  // an empty file
    };
    TestMaildir mailbox("kvlist", messages);
    auto session = NewSession(mailbox.User(), false);
    TListing listing = ConnectAndList(*session);
    ExpectListingOf(listing, mailbox.User());
    EXPECT_EQ(listing.Headers.at(6).size(), 3000u + 3u);
    session->Quit();
}

TEST_F(KvSocketDovecotTest, EmptyMailboxGivesCountZero) {
    TestMaildir mailbox("kvempty", {});
    auto session = NewSession(mailbox.User(), true);
    TListing listing = ConnectAndList(*session);
    EXPECT_EQ(listing.Stats, 1);
    EXPECT_EQ(listing.Count, 0);
    EXPECT_EQ(session->MessageCount, 0);
    session->Quit();
}

TEST_F(KvSocketDovecotTest, DeleteTakesEffectOnlyWithQuitAndOnlyForTheGivenMessages) {
    struct TCase {
        const char* Name;
        bool Apop;
        std::vector<int32_t> Delete;
        bool Quit;
        std::vector<size_t> Remaining;  // message numbers as created
    };
    const TCase cases[] = {
        {"one message, USER/PASS", false, {2}, true, {1, 3, 4}},
        {"first and last, APOP", true, {1, 4}, true, {2, 3}},
        {"every message", false, {1, 2, 3, 4}, true, {}},
        {"connection dropped without QUIT", false, {3}, false, {1, 2, 3, 4}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TestMaildir mailbox("kvdele", {Message("one"), Message("two"), Message("three"), Message("four")});
        {
            auto session = NewSession(mailbox.User(), c.Apop);
            session->Connect();
            for (int32_t n : c.Delete) session->Dele(n);
            EXPECT_TRUE(session->Connected());
            if (c.Quit) session->Quit();
        }  // without Quit, the session closes the socket when it goes
        std::vector<std::string> expected;
        for (size_t n : c.Remaining) expected.push_back(mailbox.UniqueId(n));
        // A new connection sees the same: Dovecot has finished with the old one.
        EXPECT_EQ(IdsOnServer(mailbox.User()), expected);
        EXPECT_EQ(mailbox.RemainingIds(), expected);
    }
}

TEST_F(KvSocketDovecotTest, NoopIsTrueWhileConnectedAndFalseAfterQuit) {
    auto session = NewSession("jpuser", false);
    bool duringStat = false;
    session->Connect();
    duringStat = session->Noop();
    EXPECT_TRUE(duringStat);
    EXPECT_TRUE(session->Noop());
    EXPECT_EQ(session->CommandNumber, -1);
    session->Quit();
    EXPECT_FALSE(session->Noop());
    EXPECT_FALSE(session->Connected());
}

TEST_F(KvSocketDovecotTest, RefusedPasswordLeavesTheConnectionOpenAndTheSessionReusable) {
    for (const TLoginCase& login : {TLoginCase{"jpuser", false}, TLoginCase{"jpapop", true}}) {
        SCOPED_TRACE(login.User);
        auto session = NewSession(login.User, login.Apop, "wrong-password");
        int stats = 0;
        try {
            session->Connect();
            ++stats;
            ADD_FAILURE() << "login with a wrong password accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), "ユーザ名、パスワードが違います。");
        }
        EXPECT_EQ(stats, 0);
        EXPECT_EQ(session->MessageCount, -1);
        EXPECT_TRUE(session->Connected());
        session->Quit();
        EXPECT_FALSE(session->Connected());

        session->Password = TestEnv::DovecotPassword();
        TListing listing = ConnectAndList(*session);
        EXPECT_EQ(listing.Count, 15);
        session->Quit();
    }
}

}  // namespace
