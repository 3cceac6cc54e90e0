// The general settings dialog over a started main window, on the real registry.
#include "dialogs/GeneralSetup.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstdlib>
#include <optional>

#include "DialogScript.h"
#include "GuiTest.h"
#include "StartedMain.h"
#include "app/MainCommands.h"
#include "settings/SettingsKeys.h"
#include "settings/WinRegistry.h"

namespace {

using GuiTest::TDialogScript;
using GuiTest::TScriptStep;

struct TListFont {
    std::string Name;
    int Height;
    bool operator==(const TListFont& other) const {
        return Name == other.Name && Height == other.Height;
    }
};

TListFont FontOf(HWND list) {
    LOGFONTA face{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)), sizeof face, &face);
    return {face.lfFaceName, std::abs(face.lfHeight)};
}

int RowHeight(HWND list) {
    RECT row{};
    row.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    return row.bottom - row.top;
}

std::optional<int32_t> StoredSetup(const char* name, bool asBool = false) {
    TWinRegistry registry(TestRegistryBase);
    if (!registry.OpenKey(kSetupKey, false)) return std::nullopt;
    if (asBool) {
        auto value = registry.ReadBool(name);
        return value ? std::optional<int32_t>(*value) : std::nullopt;
    }
    return registry.ReadInteger(name);
}

// Runs the dialog on `started` with the steps; the last one must close it.
void RunSetup(TStarted& started, std::vector<TScriptStep> steps) {
    TDialogScript script(std::move(steps));
    // Through the menu: the main window applies what the dialog returns.
    started.Main.Commands->HandleCommand(TMainCommands::IdMenuSetAll);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(script.Unexpected, std::vector<std::string>{});
}

TEST(GeneralSetupTest, ShowsTheActiveListsFontTheTabSideAndTheLampDisplay) {
    TStarted started;  // the "新規" page, with the lists' font of a first start
    std::string fontLine;
    bool top = false, bottom = true, led = false;
    RunSetup(started, {{"全体の設定", [&](HWND dialog) {
                            fontLine = GuiTest::Text(dialog, TGeneralSetup::IdFontEdit);
                            top = GuiTest::IsChecked(dialog, TGeneralSetup::IdTabTop);
                            bottom = GuiTest::IsChecked(dialog, TGeneralSetup::IdTabBottom);
                            led = GuiTest::IsChecked(dialog, TGeneralSetup::IdLEDCheck);
                            GuiTest::ClickButton(dialog, TGeneralSetup::IdCancelButton);
                        }}});
    EXPECT_EQ(fontLine, "Name: ＭＳ Ｐゴシック;  Size: 9");
    EXPECT_TRUE(top);
    EXPECT_FALSE(bottom);
    EXPECT_TRUE(led);
    EXPECT_EQ(TGeneralSetup::FontDescription("Arial", 12), "Name: Arial;  Size: 12");
}

TEST(GeneralSetupTest, OkGivesEveryListTheActiveListsFontAndStoresTheLampSwitch) {
    struct TCase {
        bool UntickLed;
        bool StoredLed;
    };
    for (const TCase c : {TCase{false, true}, TCase{true, false}}) {
        TStarted started(2);
        TPruneboxM& main = started.Main;
        // Only the active list has the big font; another list has a row to measure.
        HFONT big = CreateFontA(-27, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0,
                                0, 0, 0, "ＭＳ ゴシック");
        HWND active = main.Accounts.Pages[main.ActiveSlot()]->Frame->MailView;
        SendMessageA(active, WM_SETFONT, reinterpret_cast<WPARAM>(big), TRUE);
        HWND other = main.Accounts.Pages[0]->Frame->MailView;
        LVITEMA row{};
        row.mask = LVIF_TEXT;
        row.pszText = const_cast<char*>("row");
        SendMessageA(other, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
        const int rowBefore = RowHeight(other);

        RunSetup(started, {{"全体の設定", [&](HWND dialog) {
                                if (c.UntickLed)
                                    SendMessageA(
                                        GuiTest::FindControl(dialog, TGeneralSetup::IdLEDCheck),
                                        BM_SETCHECK, BST_UNCHECKED, 0);
                                GuiTest::ClickButton(dialog, TGeneralSetup::IdOKButton);
                            }}});
        const TListFont expected{"ＭＳ ゴシック", 27};
        for (int slot = 0; slot < main.Accounts.PageCount; ++slot)
            EXPECT_EQ(FontOf(main.Accounts.Pages[slot]->Frame->MailView), expected) << slot;
        EXPECT_GT(RowHeight(other), rowBefore);
        EXPECT_EQ(StoredSetup("LED", true), std::optional<int32_t>(c.StoredLed));
        // The tabs keep their lamps in this run, and the dialog says so when opened again.
        EXPECT_TRUE(main.MainPage.OwnerDraw());
        bool ledShown = false;
        RunSetup(started, {{"全体の設定", [&](HWND dialog) {
                                ledShown = GuiTest::IsChecked(dialog, TGeneralSetup::IdLEDCheck);
                                GuiTest::ClickButton(dialog, TGeneralSetup::IdCancelButton);
                            }}});
        EXPECT_TRUE(ledShown);
        // The close stores the lists' font, the one the dialog gave them.
        SendMessageA(main.Handle, WM_CLOSE, 0, 0);
        TWinRegistry registry(TestRegistryBase);
        ASSERT_TRUE(registry.OpenKey(kSetupKey, false));
        EXPECT_EQ(registry.ReadString("FontName"), std::optional<std::string>("ＭＳ ゴシック"));
        EXPECT_EQ(registry.ReadInteger("FontSize"), std::optional<int32_t>(20));
        DeleteObject(big);
    }
}

TEST(GeneralSetupTest, BottomMovesTheTabsAtOnceAndTheCloseStoresIt) {
    TStarted started(1);
    TPruneboxM& main = started.Main;
    RunSetup(started, {{"全体の設定", [&](HWND dialog) {
                            GuiTest::ClickButton(dialog, TGeneralSetup::IdTabBottom);
                            GuiTest::ClickButton(dialog, TGeneralSetup::IdOKButton);
                        }}});
    EXPECT_EQ(main.MainPage.TabPosition(), TTabPosition::Bottom);
    EXPECT_TRUE(GetWindowLongA(main.MainPage.Handle, GWL_STYLE) & TCS_BOTTOM);
    const RECT tab = main.MainPage.TabRect(0), page = main.MainPage.DisplayRect();
    EXPECT_GE(tab.top, page.bottom);
    // The active page is laid out in the smaller area above the tabs.
    RECT sheet{};
    GetWindowRect(main.Accounts.Pages[main.ActiveSlot()]->TabSheet->Handle, &sheet);
    EXPECT_EQ(sheet.bottom - sheet.top, page.bottom - page.top);

    SendMessageA(main.Handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(StoredSetup("TabPosition"), std::optional<int32_t>(1));
}

TEST(GeneralSetupTest, CancelledFontDialogChangesNothingAChosenSizeIsShown) {
    TStarted started(1);
    std::string before, afterCancel, afterChoice;
    const std::string fontDialog = "フォントの指定";
    RunSetup(started, {
                          {"全体の設定",
                           [&](HWND dialog) {
                               before = GuiTest::Text(dialog, TGeneralSetup::IdFontEdit);
                               GuiTest::ClickButton(dialog, TGeneralSetup::IdFontButton);
                           }},
                          {fontDialog, [&](HWND font) { GuiTest::ClickButton(font, IDCANCEL); }},
                          {"全体の設定",
                           [&](HWND dialog) {
                               afterCancel = GuiTest::Text(dialog, TGeneralSetup::IdFontEdit);
                               GuiTest::ClickButton(dialog, TGeneralSetup::IdFontButton);
                           }},
                          {fontDialog,
                           [&](HWND font) {
                               // The size box of the common font dialog.
                               HWND size = GetDlgItem(font, 0x472);
                               SendMessageA(size, CB_SELECTSTRING, -1,
                                            reinterpret_cast<LPARAM>("20"));
                               SendMessageA(font, WM_COMMAND, MAKEWPARAM(0x472, CBN_SELCHANGE),
                                            reinterpret_cast<LPARAM>(size));
                               GuiTest::ClickButton(font, IDOK);
                           }},
                          {"全体の設定",
                           [&](HWND dialog) {
                               afterChoice = GuiTest::Text(dialog, TGeneralSetup::IdFontEdit);
                               GuiTest::ClickButton(dialog, TGeneralSetup::IdCancelButton);
                           }},
                      });
    EXPECT_EQ(afterCancel, before);
    EXPECT_NE(afterChoice.find(";  Size: 20"), std::string::npos) << afterChoice;
    // Cancel of the settings dialog: the lists keep their font.
    EXPECT_EQ(FontOf(started.Main.Accounts.Pages[1]->Frame->MailView).Name, "ＭＳ Ｐゴシック");
}

TEST(GeneralSetupTest, TheSettingsMenuItemOpensIt) {
    TStarted started;
    TDialogScript script({{"全体の設定", [](HWND dialog) {
                               GuiTest::ClickButton(dialog, TGeneralSetup::IdCancelButton);
                           }}});
    SendMessageA(started.Main.Handle, WM_COMMAND, TMainCommands::IdMenuSetAll, 0);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(script.Unexpected, std::vector<std::string>{});
}

TEST(GeneralSetupTest, ResidentTicksRoundTripAndOkAppliesTheIconAndTheStartAtOnce) {
    TStarted started;
    HWND main = started.Main.Handle;
    const int ticks[] = {TGeneralSetup::IdTrayCheck, TGeneralSetup::IdMinimizeCheck,
                         TGeneralSetup::IdNotifyCheck, TGeneralSetup::IdStartCheck};
    auto runKeyValue = [] {
        TWinRegistry registry(TestRegistryBase);
        registry.SetRoot(TRegistryRoot::CurrentUserHive);
        return registry.OpenKey(kRunKey, false) ? registry.ReadString(kRunValueName) : std::nullopt;
    };
    // Each pass flips every tick; the next pass sees what the last one stored.
    std::vector<bool> seen;
    const std::vector<bool> first = {true, true, true, false};
    const std::vector<bool> second = {false, false, false, true};
    for (int pass = 0; pass < 2; ++pass) {
        RunSetup(started, {{"全体の設定", [&](HWND dialog) {
                                seen.clear();
                                for (int id : ticks) {
                                    const bool on = GuiTest::IsChecked(dialog, id);
                                    seen.push_back(on);
                                    SendMessageA(GuiTest::FindControl(dialog, id), BM_SETCHECK,
                                                 on ? BST_UNCHECKED : BST_CHECKED, 0);
                                }
                                GuiTest::ClickButton(dialog, TGeneralSetup::IdOKButton);
                            }}});
        const bool on = pass == 1;  // what the pass stored
        EXPECT_EQ(seen, pass == 0 ? first : second);
        EXPECT_EQ(StoredSetup("Tray", true), std::optional<int32_t>(on));
        EXPECT_EQ(StoredSetup("MinimizeToTray", true), std::optional<int32_t>(on));
        EXPECT_EQ(StoredSetup("Notify", true), std::optional<int32_t>(on));
        EXPECT_EQ(started.Main.Tray.Icon.Wanted(), on);
        NOTIFYICONDATAA icon{};
        icon.cbSize = sizeof icon;
        icon.hWnd = main;
        icon.uID = TTrayIcon::Id;
        EXPECT_EQ(Shell_NotifyIconA(NIM_MODIFY, &icon) != FALSE, on);
        char path[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, path, sizeof path);
        EXPECT_EQ(
            runKeyValue(),
            on ? std::nullopt : std::optional<std::string>("\"" + std::string(path) + "\" /tray"));
    }
}

// Every box is reached by its access key; the two that act through the icon are grey without it.
TEST(GeneralSetupTest, AccessKeysTickTheBoxesAndTheIconsOwnAreGreyWithoutIt) {
    TStarted started;
    const struct {
        char Key;
        int Id;
    } keys[] = {{'L', TGeneralSetup::IdLEDCheck},      {'M', TGeneralSetup::IdMinimizeCheck},
                {'N', TGeneralSetup::IdNotifyCheck},   {'W', TGeneralSetup::IdStartCheck},
                {'D', TGeneralSetup::IdTabBottom},     {'U', TGeneralSetup::IdTabTop},
                {'I', TGeneralSetup::IdTrayCheck}};
    std::vector<int> toggled;
    std::vector<bool> iconsOwn;
    RunSetup(started, {{"全体の設定", [&](HWND dialog) {
                            for (const auto& k : keys) {
                                const bool before = GuiTest::IsChecked(dialog, k.Id);
                                MSG key{};
                                key.hwnd = GetFocus();
                                key.message = WM_SYSCHAR;
                                key.wParam = static_cast<WPARAM>(k.Key);
                                key.lParam = 1 << 29;  // Alt held
                                IsDialogMessageA(dialog, &key);
                                if (GuiTest::IsChecked(dialog, k.Id) != before)
                                    toggled.push_back(k.Id);
                            }
                            // The icon is off now.
                            for (int id : {TGeneralSetup::IdMinimizeCheck,
                                           TGeneralSetup::IdNotifyCheck})
                                iconsOwn.push_back(
                                    IsWindowEnabled(GuiTest::FindControl(dialog, id)) != FALSE);
                            GuiTest::ClickButton(dialog, TGeneralSetup::IdCancelButton);
                        }}});
    std::vector<int> all;
    for (const auto& k : keys) all.push_back(k.Id);
    EXPECT_EQ(toggled, all);
    EXPECT_EQ(iconsOwn, (std::vector<bool>{false, false}));
}

}  // namespace
