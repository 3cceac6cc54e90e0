// The program started behind its icon checks two Dovecot mailboxes on its own: it deletes only
// what a rule ticked on the account that asks for it, keeps the history and the copies, leaves
// the mailboxes unlocked, and picks up mail delivered later.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ProgramWindow.h"
#include "TestEnv.h"
#include "TestMaildir.h"
#include "app/TrayMenu.h"
#include "history/CopyFolder.h"
#include "history/DeleteHistory.h"
#include "history/FileSystem.h"
#include "pop3/KvSocket.h"
#include "settings/AccountStore.h"
#include "settings/SettingsKeys.h"
#include "settings/WinRegistry.h"

namespace {

std::string Mail(const std::string& subject) {
    return "From: a@example.jp\nSubject: " + subject +
           "\nDate: Mon, 7 Dec 2026 10:00:00 +0900\n\n" + "body of " + subject +
           "\n.line that starts with a dot\n";
}

// LF as CR LF: the message as the server sends it.
std::string AsSent(const std::string& bytes) {
    std::string sent;
    for (const char c : bytes) {
        if (c == '\n') sent += '\r';
        sent += c;
    }
    return sent;
}

bool WaitUntil(const std::function<bool()>& done, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (done()) return true;
        Sleep(100);
    }
    return done();
}

void StoreAccount(const std::string& name, const std::string& user, bool deleteTicked) {
    TWinRegistry registry;
    TAccountSettings account;
    account.Name = name;
    account.Serv = "127.0.0.1:" + std::to_string(TestEnv::DovecotPort());
    account.IDNum = user;
    account.Pass = TestEnv::DovecotPassword();
    account.AutoDelMode = kAutoDelHeaderSearch;
    account.Rules = {"Subject:,spam"};
    account.CheckEvery = 1;
    account.DeleteTicked = deleteTicked;
    account.KeepCopy = deleteTicked;
    ASSERT_TRUE(TAccountStore(registry).SaveAccount(
        account, TAccountStore::AccountKeyName(user, "127.0.0.1")));
}

// A login of our own: refused while another session holds the mailbox.
bool CanLogIn(const std::string& user) {
    TKvSocket session;
    session.Host = "127.0.0.1";
    session.Port = static_cast<uint16_t>(TestEnv::DovecotPort());
    session.UserName = user;
    session.Password = TestEnv::DovecotPassword();
    try {
        session.Connect();
    } catch (const std::exception&) {
        return false;
    }
    return session.Quit();
}

TEST(PeriodicCheckTest, TrayStartChecksBothAccountsAndDeletesOnlyWhatTheRuleTicked) {
    if (TestEnv::DovecotPort() == 0) GTEST_SKIP() << "no Dovecot fixture";
    const std::string rootKey = std::string(kRegistryRootPath).substr(1);
    RegDeleteTreeA(HKEY_CURRENT_USER, rootKey.c_str());
    const std::string folder = FileSystem::ProgramDataFolder();
    ASSERT_FALSE(folder.empty());
    std::filesystem::remove(FileSystem::JoinPath(folder, "deleted.csv"));
    std::filesystem::remove_all(TCopyFolder(folder).Path());

    const std::string spam = Mail("spam offer");
    TestMaildir deleting("auto", {Mail("hello"), spam, Mail("minutes")});
    TestMaildir keeping("keep", {Mail("spam too"), Mail("news")});
    StoreAccount("自動", deleting.User(), true);
    StoreAccount("見るだけ", keeping.User(), false);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = std::string("\"") + PRUNEBOX_EXE + "\" /tray";
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    TProgramGuard guard{process};
    // A start behind the icon under load can take longer than a plain one.
    HWND main = FindMainWindow(process.dwProcessId, 30);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsWindowVisible(main));

    const std::vector<std::string> kept = {deleting.UniqueId(1), deleting.UniqueId(3)};
    EXPECT_TRUE(WaitUntil([&] { return deleting.RemainingIds() == kept; }, 60));
    std::vector<TDeletedMail> history;
    EXPECT_TRUE(
        WaitUntil([&] { return TDeleteHistory(folder).Read(history) && history.size() == 1; }, 20));
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].Account, "自動");
    EXPECT_EQ(history[0].Method, TDeleteHistory::Automatic);
    EXPECT_EQ(history[0].Reason, "Subject:,spam");
    EXPECT_EQ(history[0].Uidl, deleting.UniqueId(2));
    std::string copy;
    EXPECT_TRUE(FileSystem::ReadWhole(
        TCopyFolder(folder).CopyOf("自動", history[0].CopyName, deleting.UniqueId(2),
                                   history[0].DeletedAt),
        copy));
    EXPECT_EQ(copy, AsSent(spam));

    // The other account only looked; neither mailbox is held.
    EXPECT_EQ(keeping.RemainingIds().size(), 2u);
    EXPECT_TRUE(WaitUntil([&] { return CanLogIn(deleting.User()); }, 10));
    EXPECT_TRUE(WaitUntil([&] { return CanLogIn(keeping.User()); }, 10));

    // Mail that arrives later goes at the next check.
    deleting.Deliver(Mail("more spam"));
    PostMessageA(main, WM_COMMAND, TrayMenu::IdCheckAll, 0);
    EXPECT_TRUE(WaitUntil([&] { return deleting.RemainingIds() == kept; }, 30));
    EXPECT_TRUE(
        WaitUntil([&] { return TDeleteHistory(folder).Read(history) && history.size() == 2; }, 20));

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    RegDeleteTreeA(HKEY_CURRENT_USER, rootKey.c_str());
}

}  // namespace
