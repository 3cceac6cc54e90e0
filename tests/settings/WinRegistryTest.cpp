#include <windows.h>

#include "RegistryBackends.h"
#include "settings/AccountStore.h"
#include "settings/SetupStore.h"
#include "settings/WinRegistry.h"

namespace {

// What the registry itself holds for a value, read past the accessor.
struct TRawValue {
    DWORD Type = REG_NONE;
    std::string Data;
};

std::optional<TRawValue> RawValue(const std::string& keyPath, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    TRawValue value;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &value.Type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        value.Data.resize(size);
        rc = RegQueryValueExA(key, name, nullptr, &value.Type,
                              reinterpret_cast<BYTE*>(value.Data.data()), &size);
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return value;
}

std::string Dword(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Sz(const std::string& s) { return s + '\0'; }

class WinRegistryTest : public ::testing::Test {
protected:
    WinRegistryTest() : Registry(TWinBackend::Make(TestUserBase(), TestMachineBase())) {}
    ~WinRegistryTest() override { TWinBackend::Erase(TestUserBase(), TestMachineBase()); }

    struct TExpected {
        std::string Key;
        const char* Name;
        DWORD Type;
        std::string Data;
    };

    void ExpectValue(const TExpected& e) {
        const auto raw = RawValue(TestUserBase() + e.Key, e.Name);
        ASSERT_TRUE(raw) << e.Key << " " << e.Name;
        EXPECT_EQ(raw->Type, e.Type) << e.Name;
        EXPECT_EQ(raw->Data, e.Data) << e.Name;
    }

    std::unique_ptr<TRegistryAccessor> Registry;
};

TEST_F(WinRegistryTest, AccountValuesHaveTheirRegistryTypes) {
    TAccountSettings account;
    account.Name = "会社";
    account.Serv = "pop.example.jp:995";
    account.IDNum = "taro";
    account.APOPCheck = true;
    account.Pass = "abc";
    account.Design = "From:";
    account.AutoDelMode = kAutoDelHeaderSearch;
    account.Rules = {"Subject:,x"};
    ASSERT_TRUE(TAccountStore(*Registry).SaveAccount(account, "taro@pop.example.jp"));
    const std::string key = "\\Connect\\taro@pop.example.jp";
    const TExpected expected[] = {
        {key, "Name", REG_SZ, Sz("会社")},
        {key, "HostName", REG_SZ, Sz("pop.example.jp:995")},
        {key, "ID", REG_SZ, Sz("taro")},
        {key, "APOP", REG_DWORD, Dword(1)},
        {key, "PassWord", REG_BINARY, "\x3E\xBC\x3C"},
        {key, "Design", REG_SZ, Sz("From:")},
        {key + "\\AutoDel", "Enable", REG_DWORD, Dword(1)},
        {key + "\\AutoDel", "Mode", REG_DWORD, Dword(0)},
        {key + "\\AutoDel", "Rule0", REG_SZ, Sz("Subject:,x")},
    };
    for (const auto& e : expected) ExpectValue(e);
}

TEST_F(WinRegistryTest, WindowValuesHaveTheirRegistryTypes) {
    TSetupStore store(*Registry);
    TListSettings list;
    list.ColumnWidths = {0, 100, 90, 60, 40, 30, 80};
    ASSERT_TRUE(store.SaveWindowSettings({10, -20, 500, 700, true, false, kTabsAtBottom}, 3, list));
    ASSERT_TRUE(store.SaveLedSetting(true));
    const std::string key = "\\Setup";
    const TExpected expected[] = {
        {key, "Top", REG_DWORD, Dword(10)},
        {key, "Left", REG_DWORD, Dword(static_cast<uint32_t>(-20))},
        {key, "Version", REG_DWORD, Dword(204)},
        {key, "Item", REG_DWORD, Dword(3)},
        {key, "Small", REG_DWORD, Dword(1)},
        {key, "ToolBar", REG_DWORD, Dword(0)},
        {key, "TabPosition", REG_DWORD, Dword(1)},
        {key, "More", REG_DWORD, Dword(30)},
        {key, "Reason", REG_DWORD, Dword(80)},
        {key, "FontName", REG_SZ, Sz("ＭＳ Ｐゴシック")},
        {key, "FontStyle", REG_DWORD, Dword(0)},
        {key, "FontSize", REG_DWORD, Dword(9)},
        {key, "LED", REG_DWORD, Dword(1)},
    };
    for (const auto& e : expected) ExpectValue(e);
}

TEST_F(WinRegistryTest, ValuesWrittenByOtherProgramsReadByTheirKind) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (TestUserBase() + "\\Raw").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const auto set = [key](const char* name, DWORD type, const std::string& data) {
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
    };
    set("expand", REG_EXPAND_SZ, Sz("%ProgramFiles%\\m.exe"));
    set("unterminated", REG_SZ, "abc");
    set("qword", REG_QWORD, std::string(8, '\x01'));
    set("short dword", REG_DWORD, "\x01\x02");
    set("big endian", REG_DWORD_BIG_ENDIAN, Dword(1));
    RegCloseKey(key);

    ASSERT_TRUE(Registry->OpenKey("\\Raw", false));
    EXPECT_EQ(Registry->ReadString("expand"), "%ProgramFiles%\\m.exe");
    EXPECT_EQ(Registry->ReadString("unterminated"), "abc");
    EXPECT_FALSE(Registry->ReadInteger("qword"));
    EXPECT_FALSE(Registry->ReadInteger("short dword"));
    EXPECT_FALSE(Registry->ReadBool("big endian"));
    EXPECT_TRUE(Registry->ValueExists("big endian"));
}

TEST(WinRegistryRootTest, DefaultRootIsTheProgramsKey) {
    EXPECT_STREQ(kRegistryRootPath, "\\Software\\Korvane\\Prunebox");
    const char* const programKey = "Software\\Korvane\\Prunebox";
    HKEY key = nullptr;
    const bool existed = RegOpenKeyExA(HKEY_CURRENT_USER, programKey, 0, KEY_READ, &key) == 0;
    if (existed) RegCloseKey(key);

    TWinRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\", true));
    EXPECT_EQ(registry.CurrentPath(), programKey);
    ASSERT_TRUE(registry.WriteInteger("TestProbe", 7));
    const auto raw = RawValue(programKey, "TestProbe");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->Type, static_cast<DWORD>(REG_DWORD));
    // Leave the program's own settings as they were for whatever runs next in this prefix.
    EXPECT_TRUE(registry.DeleteValue("TestProbe"));
    registry.CloseKey();
    if (!existed) {
        EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, programKey), ERROR_SUCCESS);
    }
}

}  // namespace
