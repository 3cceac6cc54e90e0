#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/CommandHost.h"
#include "app/MainTray.h"
#include "page/AccountTable.h"
#include "page/ChPage.h"
#include "page/PageHost.h"
#include "settings/RegistryAccessor.h"
#include "settings/SettingsKeys.h"
#include "settings/SetupStore.h"
#include "ui/PageControl.h"
#include "ui/Window.h"

class TMainCommands;
class TPeriodicChecks;

// The main window: the account tabs, the table of their pages, and the host of every page.
class TPruneboxM : public TWindow, public TPageHost, public TCommandHost, TMainTray::TOwner {
public:
    static constexpr const char* ClassName = "TPruneboxM";
    // System menu commands added at start-up.
    static constexpr UINT SysSeparator = 10, SysCenter = 11;

    TPruneboxM();
    ~TPruneboxM() override;

    RECT NormalBounds{};
    HBITMAP LedImages[TChPage::LampCount]{};
    std::string MailerCommand;
    std::unique_ptr<TRegistryAccessor> Registry;
    // The menu bar, the tool bar's buttons and their commands.
    std::unique_ptr<TMainCommands> Commands;
    // The program's key under the current user (tests give their own).
    std::string RegistryBase = kRegistryRootPath;
    TPageControl MainPage;
    // The account pages; the dialogs' account list.
    TAccountTable Accounts{*this, MainPage, *this};
    // View state: extended view ("拡張(&B)") and the tool bar ("ツールバー").
    bool ExtendedView = true;
    bool ToolBarVisible = true;
    // From the window settings, read before the tabs are made: lamps on the tabs ("LED")
    // and where the tabs sit.
    bool LedTabs = true;
    TTabPosition TabPosition = TTabPosition::Top;
    // Runs when the window has been destroyed (the program ends its message loop).
    std::function<void()> OnClosed;
    // The notification-area icon, there while "Tray" is on.
    TMainTray Tray{*this, Accounts};
    // Every account's periodic checks; made at start-up.
    std::unique_ptr<TPeriodicChecks> Checks;

    // Creates the window and runs the start-up sequence.
    void Create();
    int ActiveSlot() const { return Accounts.ActiveSlot(); }
    // Shows the window hidden behind the icon (or minimised) and brings it forward.
    void ShowFromTray() override;
    // The window goes behind the icon when minimised: the shell shows the icon and the user
    // wants it. Without the icon a hidden window could not be reached again.
    bool MinimizesToTray() const { return Tray.Icon.Shown() && Resident.MinimizeToTray; }
    // Tip and image of the icon from the pages: rows on each page that are not ticked.
    void UpdateTray();
    // Copies of deleted mail are kept for a month: removed at start and once a day after.
    void RemoveExpiredCopies();
    void MainPageDrawTab(HDC dc, int tabIndex, const RECT& rect, bool active);
    // One item at the end of a system menu; a plain "Error" box when it cannot be added.
    static void AppendSystemMenuItem(HWND owner, HMENU menu, UINT flags, UINT id,
                                     const char* caption);

    // The page host.
    void LampChanged(int slot) override;
    int ConfirmDelete(const std::string& text) override;
    std::string AskPassword(const std::string& accountName) override;
    bool AskTrustCertificate(const std::string& accountKey, const std::string& text,
                             const std::string& hash) override;
    void ShowHeaderLater(int slot) override;
    bool ExtendedViewShown() const override { return ExtendedView; }
    std::shared_ptr<TLearner> Learner() const override { return SharedLearner; }
    int LearnThreshold() const override { return LearnPercent; }
    void SetLearnThreshold(int percent) override;
    TSenderLists SenderLists() const override;
    bool AddSender(TSenderListKind list, const std::string& entry) override;
    bool RemoveSender(TSenderListKind list, const std::string& entry) override;
    void RefreshTokenChanged(const std::string& accountKey, const std::string& token) override;
    void CheckEnded(int slot, const TCheckResult& result) override;

    // The commands' host. The list font is set from the last slot down, and the close stores
    // it as it stores the tab position.
    bool ToolBarShown() const override { return ToolBarVisible; }
    void ShowToolBar(bool shown) override;
    void SetExtendedView(bool shown) override { ExtendedView = shown; }
    std::string MailerCommandLine() const override { return MailerCommand; }
    void SetListFont(const std::string& name, int pointSize, int style) override;
    void SetTabPosition(TTabPosition position) override;
    void RemoveAccount(int slot) override;
    void RedrawTabs() override;
    TResidentSettings ResidentSettings() const override { return Resident; }
    void SetResidentSettings(const TResidentSettings& settings) override;
    // Every page decides its rows again by its rules and the sender lists as stored now.
    void RulesChanged() override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void FormClose();
    void FormResize();
    // The window moved to a screen of another DPI: its sizes and fonts follow, and it takes the
    // rectangle the system suggests.
    void DpiChanged(int dpi, const RECT& suggested);
    void MainPageChange();
    void CenterOnDesktop();
    void RecordNormalBounds();
    void AddSystemMenuItems();
    void LoadLedImages();
    void ShowHeader(int slot);
    // Minimised behind the icon; the first time, a notice says where the window went.
    void HideBehindIcon();
    // The icon's menu.
    void TrayCheckAll() override;
    void TrayExit() override { FormClose(); }
    // The control that had the focus when the window lost the activation gets it back when the
    // window is active again; the active page's mail list when that control cannot take it.
    void RememberFocus();
    void RestoreFocus();
    static LRESULT CALLBACK AppMessage(int code, WPARAM wParam, LPARAM lParam);

    void LoadWindowSettings();
    void LoadAccounts();
    void ApplyListSettings();
    void SaveWindowSettings();
    TListSettings ActiveListSettings() const;

    TListSettings ListSettings;  // font and widths the lists were given at start
    TResidentSettings Resident;
    int64_t LastCopyCleanup = 0;  // seconds since 1970; 0: not yet
    std::shared_ptr<TLearner> SharedLearner;
    int LearnPercent = TSetupStore::DefaultLearnThreshold;
    HFONT ListFont = nullptr;
    HWND Bevel1 = nullptr, ToolBar1 = nullptr, Bevel2 = nullptr;
    HHOOK MessageHook = nullptr;
    HWND FocusBefore = nullptr;
    DWORD UiThreadId = 0;
};

// The one main window of the program.
extern TPruneboxM* PruneboxM;
