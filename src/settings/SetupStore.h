#pragma once
#include <array>
#include <string>

#include "settings/RegistryAccessor.h"

// "Version" of the settings layout written now (version 2.04 times 100), and the oldest one kept.
constexpr int kSettingsVersion = 204;
constexpr int kOldestSettingsVersion = 200;
constexpr int kTabsOnTop = 0;
constexpr int kTabsAtBottom = 1;
// Mail list columns: title, sender, sent date, size, attachment, designated header, reason.
constexpr int kListColumns = 7;

// The main window's stored position and view.
struct TWindowSettings {
    int Top = 0;
    int Left = 0;
    int Height = 480;
    int Width = 640;
    bool Small = true;    // extended view: the check mark of MenuViewSmall, ToolButton6 pressed
    bool ToolBar = true;  // the check mark of MenuViewTool
    int TabPosition = kTabsOnTop;
};

// What the start-up reads besides the accounts.
struct TStartupSettings {
    TWindowSettings Window;
    bool FromStore = false;     // false: the stored window values were incomplete, defaults apply
    std::string MailerCommand;  // the default mail program's command line; empty when none
    bool Led = true;            // owner-drawn tabs with the access lamp
};

// Font and column widths of a mail list.
struct TListSettings {
    std::string FontName = "ＭＳ Ｐゴシック";
    int FontSize = 9;
    int FontStyle = 0;  // 1 bold, 2 italic, 4 underline, 8 strike-out
    // Narrow enough that the subject keeps 160 pixels in the built-in 640-pixel window.
    std::array<int, kListColumns> ColumnWidths = {220, 100, 100, 45, 35, 20, 70};
};

// What column 0's width is fitted to.
struct TListGeometry {
    int TabClientWidth = 0;  // client width of a tab page
    bool Small = true;       // extended view on
    int ScrollBarWidth = 0;  // the system's vertical scroll bar width
    // Column 5's width when no widths are stored: what its caption needs in the built-in font
    // (measured by the window); 0 keeps the built-in width.
    int DesignatedWidth = 0;
};

// The notification area and the notice of new mail, under "\Setup".
struct TResidentSettings {
    bool Tray = true;            // the icon in the notification area
    bool MinimizeToTray = true;  // minimising hides the window behind the icon
    bool Notify = true;          // the notice of new mail
    // "TrayHintShown": the window has once gone behind the icon and a notice said where
    bool HintShown = false;
};

// The global part of the settings store, under "\Setup".
class TSetupStore {
public:
    explicit TSetupStore(TRegistryAccessor& registry) : Registry(registry) {}

    // Discards a "\Setup" written by a layout older than kOldestSettingsVersion. False when
    // "\Setup" cannot be opened (nothing is deleted then) or its deletion fails.
    bool CheckSettingsVersion();
    // Window values, the mail program's command and the LED switch. The window values form one
    // block: the first missing or mistyped one gives every window value its default, centred
    // on a screen of the given size, and then neither the command nor "LED" is read.
    TStartupSettings LoadWindowSettings(int screenWidth, int screenHeight);
    // The default mail program's command line from the local machine's registry, with
    // "%ProgramFiles%" (any case) replaced; empty when not registered. The accessor is back at
    // the current user afterwards.
    std::string ReadMailerCommand();
    // Display index of the tab to activate: "Item" when it names one of `tabCount` tabs, else 0.
    int LoadActiveItem(int tabCount);
    // Font and column widths for a mail list, column 0 fitted to the rest.
    TListSettings LoadListSettings(const TListGeometry& geometry);

    bool SaveWindowSettings(const TWindowSettings& window, int activeItem,
                            const TListSettings& activeList, int version = kSettingsVersion);
    bool SaveLedSetting(bool on);

    // Missing or mistyped values read as on.
    TResidentSettings LoadResidentSettings();
    bool SaveResidentSettings(const TResidentSettings& settings);

    // The percent at which learning ticks a row ("LearnThreshold"); missing or outside 1..100
    // reads as DefaultLearnThreshold.
    static constexpr int DefaultLearnThreshold = 90;
    int LoadLearnThreshold();
    bool SaveLearnThreshold(int percent);

    // Whether Windows starts the program at logon: the Run value "Prunebox" is there. The
    // accessor is back at the current user afterwards.
    bool StartsWithWindows();
    // Writes the Run value for `programPath` (see RunCommand), or removes it.
    bool SaveStartWithWindows(bool on, const std::string& programPath);
    // The program's quoted path followed by " /tray": it starts in the notification area.
    static std::string RunCommand(const std::string& programPath);

    // The settings version for a program version text such as "2.04" (times 100, rounded).
    static int SettingsVersionNumber(const std::string& versionText);

private:
    // Column 0's width: what the tab page leaves after columns 1 to 5 and the scroll bar.
    static int FittedFirstColumn(const TListSettings& list, int availableWidth,
                                 const TListGeometry& geometry);

    TRegistryAccessor& Registry;
};
