#include "RegistryBackends.h"
#include "settings/SetupStore.h"

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

template <class Backend>
class SetupStoreTest : public RegistryTest<Backend> {
protected:
    TSetupStore Store{*this->Registry};

    // A complete "\Setup" as the close writes it, and a registered mail program.
    void StoreCompleteSetup() {
        TWindowSettings window{10, 20, 500, 700, false, false, kTabsAtBottom};
        TListSettings list;
        list.FontName = "ＭＳ ゴシック";
        list.FontSize = 12;
        list.FontStyle = 3;
        list.ColumnWidths = {0, 100, 90, 60, 40, 30, 80};
        ASSERT_TRUE(Store.SaveWindowSettings(window, 2, list));
        ASSERT_TRUE(Store.SaveLedSetting(false));
        auto& r = *this->Registry;
        r.SetRoot(TRegistryRoot::LocalMachine);
        this->Open("\\SOFTWARE\\Clients\\Mail").WriteString("", "Mailer");
        this->Open("\\SOFTWARE\\Clients\\Mail\\Mailer\\shell\\open\\command")
            .WriteString("", "\"%programFILES%\\Mailer\\m.exe\" /mail %ProgramFiles%");
        r.SetRoot(TRegistryRoot::CurrentUser);
    }
};
TYPED_TEST_SUITE(SetupStoreTest, TRegistryBackends);

struct VersionCase {
    const char* What;
    std::optional<int> Version;
    bool AsString;
    bool Kept;
};

TYPED_TEST(SetupStoreTest, OlderSetupIsDiscardedAndAccountsKept) {
    const VersionCase cases[] = {
        {"first start", std::nullopt, false, false},
        {"199", 199, false, false},
        {"200", 200, false, true},
        {"204", 204, false, true},
        {"mistyped", 204, true, false},
    };
    auto& r = *this->Registry;
    this->Open("\\Connect\\u@h").WriteString("Name", "kept");
    for (const auto& c : cases) {
        r.DeleteKey("\\Setup");
        if (c.Version) {
            auto& setup = this->Open("\\Setup");
            c.AsString ? setup.WriteString("Version", std::to_string(*c.Version))
                       : setup.WriteInteger("Version", *c.Version);
        }
        EXPECT_TRUE(this->Store.CheckSettingsVersion()) << c.What;
        EXPECT_EQ(r.KeyExists("\\Setup"), c.Kept) << c.What;
        ASSERT_TRUE(r.OpenKey("\\Connect\\u@h", false));
        EXPECT_EQ(r.ReadString("Name"), "kept");
    }
}

TYPED_TEST(SetupStoreTest, CompleteSetupLoadsWithMailerAndLed) {
    this->StoreCompleteSetup();
    const auto s = this->Store.LoadWindowSettings(kScreenWidth, kScreenHeight);
    EXPECT_TRUE(s.FromStore);
    EXPECT_EQ(s.Window.Top, 10);
    EXPECT_EQ(s.Window.Left, 20);
    EXPECT_EQ(s.Window.Height, 500);
    EXPECT_EQ(s.Window.Width, 700);
    EXPECT_FALSE(s.Window.Small);
    EXPECT_FALSE(s.Window.ToolBar);
    EXPECT_EQ(s.Window.TabPosition, kTabsAtBottom);
    EXPECT_FALSE(s.Led);
    EXPECT_EQ(s.MailerCommand, "\"C:\\Program Files\\Mailer\\m.exe\" /mail C:\\Program Files");
    EXPECT_EQ(this->Registry->Root(), TRegistryRoot::CurrentUser);
    EXPECT_EQ(this->Store.LoadActiveItem(3), 2);

    auto& r = this->Open("\\Setup");
    EXPECT_EQ(r.ReadInteger("Version"), 204);
    EXPECT_EQ(r.ReadString("FontName"), "ＭＳ ゴシック");
}

struct BrokenBlockCase {
    const char* What;
    const char* Value;  // made missing, or a string when Mistype
    bool Mistype;
    int Top, Left;  // centred at the size read before the block ended
};

TYPED_TEST(SetupStoreTest, IncompleteWindowBlockGivesEveryDefault) {
    const BrokenBlockCase cases[] = {
        {"Top missing", "Top", false, (1024 - 394) / 2, (1280 - 592) / 2},
        {"Width mistyped", "Width", true, (1024 - 500) / 2, (1280 - 592) / 2},
        {"Small missing", "Small", false, (1024 - 500) / 2, (1280 - 700) / 2},
        {"TabPosition mistyped", "TabPosition", true, (1024 - 500) / 2, (1280 - 700) / 2},
    };
    for (const auto& c : cases) {
        this->StoreCompleteSetup();
        auto& r = this->Open("\\Setup");
        r.DeleteValue(c.Value);
        if (c.Mistype) r.WriteString(c.Value, "1");
        const auto s = this->Store.LoadWindowSettings(kScreenWidth, kScreenHeight);
        EXPECT_FALSE(s.FromStore) << c.What;
        EXPECT_EQ(s.Window.Top, c.Top) << c.What;
        EXPECT_EQ(s.Window.Left, c.Left) << c.What;
        EXPECT_EQ(s.Window.Height, 480) << c.What;
        EXPECT_EQ(s.Window.Width, 640) << c.What;
        EXPECT_TRUE(s.Window.Small && s.Window.ToolBar) << c.What;
        EXPECT_EQ(s.Window.TabPosition, kTabsOnTop) << c.What;
        EXPECT_TRUE(s.Led) << c.What;  // "LED" is not read then
        EXPECT_EQ(s.MailerCommand, "") << c.What;
    }
}

TYPED_TEST(SetupStoreTest, FirstStartCentresOnSmallScreensTowardZero) {
    ASSERT_TRUE(this->Store.CheckSettingsVersion());
    const auto s = this->Store.LoadWindowSettings(501, 300);
    EXPECT_EQ(s.Window.Top, -47);  // (300 - 394) / 2
    EXPECT_EQ(s.Window.Left, -45);
    EXPECT_TRUE(this->Registry->KeyExists("\\Setup"));
}

TYPED_TEST(SetupStoreTest, OutsideEditsFallBack) {
    this->StoreCompleteSetup();
    auto& r = this->Open("\\Setup");
    r.WriteInteger("TabPosition", 2);
    r.WriteString("LED", "off");
    this->Open("\\SOFTWARE\\Clients\\Mail").WriteString("", "");  // in the user's hive
    const auto s = this->Store.LoadWindowSettings(kScreenWidth, kScreenHeight);
    EXPECT_TRUE(s.FromStore);
    EXPECT_EQ(s.Window.TabPosition, kTabsOnTop);
    EXPECT_TRUE(s.Led);

    const std::pair<int, int> items[] = {{3, 0}, {-1, 0}, {0, 0}, {2, 2}};
    for (auto [stored, expected] : items) {
        this->Open("\\Setup").WriteInteger("Item", stored);
        EXPECT_EQ(this->Store.LoadActiveItem(3), expected) << stored;
    }
    this->Open("\\Setup").WriteString("Item", "1");
    EXPECT_EQ(this->Store.LoadActiveItem(3), 0);
}

TYPED_TEST(SetupStoreTest, MailerCommandIsEmptyWithoutARegisteredProgram) {
    EXPECT_EQ(this->Store.ReadMailerCommand(), "");
    auto& r = *this->Registry;
    r.SetRoot(TRegistryRoot::LocalMachine);
    this->Open("\\SOFTWARE\\Clients\\Mail").WriteString("", "Nowhere");
    r.SetRoot(TRegistryRoot::CurrentUser);
    EXPECT_EQ(this->Store.ReadMailerCommand(), "");
    EXPECT_EQ(r.Root(), TRegistryRoot::CurrentUser);
}

TYPED_TEST(SetupStoreTest, ListSettingsFitColumnZero) {
    const TListGeometry small{800, true, 17};
    const TListGeometry basic{800, false, 17};
    // Nothing stored: built-in font and widths; column 0 loses 16 whatever the view.
    for (const auto& g : {small, basic}) {
        const auto list = this->Store.LoadListSettings(g);
        EXPECT_EQ(list.FontName, "ＭＳ Ｐゴシック");
        EXPECT_EQ(list.FontSize, 9);
        EXPECT_EQ(list.FontStyle, 0);
        EXPECT_EQ(list.ColumnWidths,
                  (std::array<int, 7>{800 - 16 - 370 - 17 - 7, 100, 100, 45, 35, 20, 70}));
    }
    // The designated-header column as wide as its caption needs; column 0 gives up the room.
    const TListGeometry measured{800, true, 17, 64};
    EXPECT_EQ(this->Store.LoadListSettings(measured).ColumnWidths,
              (std::array<int, 7>{800 - 16 - 414 - 17 - 7, 100, 100, 45, 35, 64, 70}));
    this->StoreCompleteSetup();
    EXPECT_EQ(this->Store.LoadListSettings(measured).ColumnWidths[5], 30);  // as stored
    auto list = this->Store.LoadListSettings(small);
    EXPECT_EQ(list.FontName, "ＭＳ ゴシック");
    EXPECT_EQ(list.FontSize, 12);
    EXPECT_EQ(list.FontStyle, 3);
    EXPECT_EQ(list.ColumnWidths,
              (std::array<int, 7>{800 - 16 - 400 - 17 - 7, 100, 90, 60, 40, 30, 80}));
    EXPECT_EQ(this->Store.LoadListSettings(basic).ColumnWidths[0], 800 - 400 - 17 - 7);
    EXPECT_EQ(this->Store.LoadListSettings({100, true, 17}).ColumnWidths[0], 0);

    // Stored before the reason column: the other widths stay, the reason gets its default.
    this->Open("\\Setup").DeleteValue("Reason");
    EXPECT_EQ(this->Store.LoadListSettings(small).ColumnWidths,
              (std::array<int, 7>{800 - 16 - 390 - 17 - 7, 100, 90, 60, 40, 30, 70}));

    this->Open("\\Setup").DeleteValue("More");
    list = this->Store.LoadListSettings(basic);
    EXPECT_EQ(list.FontSize, 9);
    EXPECT_EQ(list.ColumnWidths[5], 20);
}

TYPED_TEST(SetupStoreTest, SetupThatCannotBeCreatedFailsCleanly) {
    this->Lock("");
    auto& r = *this->Registry;
    ASSERT_TRUE(r.OpenKey("\\", false));  // the program's key is current before each call
    EXPECT_FALSE(this->Store.CheckSettingsVersion());
    EXPECT_FALSE(this->Store.LoadWindowSettings(kScreenWidth, kScreenHeight).FromStore);
    EXPECT_FALSE(this->Store.SaveLedSetting(false));
    ASSERT_TRUE(r.OpenKey("\\", false));
    EXPECT_FALSE(this->Store.SaveWindowSettings(TWindowSettings(), 0, TListSettings()));
    EXPECT_EQ(this->Store.LoadActiveItem(3), 0);
    ASSERT_TRUE(r.OpenKey("\\", false));
    EXPECT_FALSE(r.ValueExists("LED"));
    EXPECT_FALSE(r.ValueExists("Top"));
    EXPECT_FALSE(r.KeyExists("\\Setup"));
}

TYPED_TEST(SetupStoreTest, ResidentSwitchesDefaultToOnAndLoadAsSaved) {
    auto& r = *this->Registry;
    const auto defaults = this->Store.LoadResidentSettings();  // no "\Setup" yet
    EXPECT_TRUE(defaults.Tray && defaults.MinimizeToTray && defaults.Notify);
    this->Open("\\Setup").WriteString("Tray", "0");  // mistyped: the default
    EXPECT_TRUE(this->Store.LoadResidentSettings().Tray);

    const TResidentSettings cases[] = {
        {false, true, true}, {true, false, true}, {true, true, false}};
    for (const auto& c : cases) {
        ASSERT_TRUE(this->Store.SaveResidentSettings(c));
        const auto loaded = this->Store.LoadResidentSettings();
        EXPECT_EQ(loaded.Tray, c.Tray);
        EXPECT_EQ(loaded.MinimizeToTray, c.MinimizeToTray);
        EXPECT_EQ(loaded.Notify, c.Notify);
    }
    ASSERT_TRUE(r.OpenKey("\\Setup", false));
    EXPECT_EQ(r.ReadInteger("Notify"), 0);
}

TYPED_TEST(SetupStoreTest, LearnThresholdOutsideItsRangeReadsAsTheDefault) {
    EXPECT_EQ(this->Store.LoadLearnThreshold(), TSetupStore::DefaultLearnThreshold);
    const std::pair<int, int> cases[] = {{75, 75}, {1, 1},    {100, 100},
                                         {0, 90},  {101, 90}, {-5, 90}};
    for (const auto& [stored, read] : cases) {
        ASSERT_TRUE(this->Store.SaveLearnThreshold(stored));
        EXPECT_EQ(this->Store.LoadLearnThreshold(), read) << stored;
    }
}

TYPED_TEST(SetupStoreTest, StartWithWindowsWritesAndRemovesTheRunValue) {
    const std::string program = "C:\\Program Files\\表示\\Prunebox.exe";
    auto& r = *this->Registry;
    this->Open("\\Setup");
    EXPECT_FALSE(this->Store.StartsWithWindows());
    EXPECT_TRUE(this->Store.SaveStartWithWindows(false, program));  // nothing to remove
    ASSERT_TRUE(this->Store.SaveStartWithWindows(true, program));
    EXPECT_TRUE(this->Store.StartsWithWindows());
    EXPECT_EQ(r.Root(), TRegistryRoot::CurrentUser);
    EXPECT_FALSE(r.KeyExists("\\Software"));  // not below the program's own key

    r.SetRoot(TRegistryRoot::CurrentUserHive);
    ASSERT_TRUE(r.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", false));
    EXPECT_EQ(r.ReadString("Prunebox"), "\"C:\\Program Files\\表示\\Prunebox.exe\" /tray");
    r.WriteString("Other", "kept");
    r.SetRoot(TRegistryRoot::CurrentUser);

    ASSERT_TRUE(this->Store.SaveStartWithWindows(false, program));
    EXPECT_FALSE(this->Store.StartsWithWindows());
    r.SetRoot(TRegistryRoot::CurrentUserHive);
    ASSERT_TRUE(r.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", false));
    EXPECT_EQ(r.ReadString("Other"), "kept");
}

TYPED_TEST(SetupStoreTest, SettingsVersionFromText) {
    EXPECT_EQ(TSetupStore::SettingsVersionNumber("2.04"), 204);
    EXPECT_EQ(TSetupStore::SettingsVersionNumber("2.1"), 210);
}

}  // namespace
