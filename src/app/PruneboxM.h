#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "settings/RegistryAccessor.h"
#include "settings/SettingsKeys.h"
#include "settings/SetupStore.h"
#include "page/ChPage.h"
#include "ui/PageControl.h"
#include "ui/Window.h"

class TMainCommands;

// Messages from the account workers; the numbers are fixed because the workers rely on them.
constexpr UINT WM_PB_CONFIRM_DELETE = 0x465;  // sent: wParam, lParam -> question text
constexpr UINT WM_PB_SHOW_HEADER = 0x466;     // posted: lParam -> decoded subject
constexpr UINT WM_PB_ASK_PASSWORD = 0x467;    // sent: lParam -> slot (2 hex digits) + caption

// The main window: the account tabs and the table of their pages.
class TPruneboxM : public TWindow {
public:
    static constexpr const char* ClassName = "TPruneboxM";
    static constexpr int MaxPages = 64;
    // Beyond this many pages every change of the count warns.
    static constexpr int WarnPageCount = 60;
    // System menu commands added at start-up.
    static constexpr UINT SysSeparator = 10, SysCenter = 11;

    TPruneboxM();
    ~TPruneboxM() override;

    RECT NormalBounds{};
    int PageCount = 0;
    HBITMAP LedImages[4]{};
    std::string MailerCommand;
    int ConfirmResult = 0;
    std::array<std::unique_ptr<TChPage>, MaxPages> Pages;
    std::unique_ptr<TRegistryAccessor> Registry;
    // The menu bar, the tool bar's buttons and their commands.
    std::unique_ptr<TMainCommands> Commands;
    // The program's key under the current user (tests give their own).
    std::string RegistryBase = kRegistryRootPath;
    TPageControl MainPage;
    // View state: extended view ("拡張(&B)") and the tool bar ("ツールバー").
    bool ExtendedView = true;
    bool ToolBarVisible = true;
    // From the window settings, read before the tabs are made: lamps on the tabs ("LED")
    // and where the tabs sit.
    bool LedTabs = true;
    TTabPosition TabPosition = TTabPosition::Top;
    // Runs when the window has been destroyed (the program ends its message loop).
    std::function<void()> OnClosed;

    // Creates the window and runs the start-up sequence.
    void Create();
    int ActiveSlot() const;
    void SetPageCount(int n);
    // A new page in slot PageCount; refused with the page-count warning when all slots are
    // used (returns null then).
    TChPage* AddPage();
    void RemoveAccount(int slot);
    // Safe from any thread: the state is stored at once, the tabs are redrawn on the UI thread.
    void SetIndicatorState(int slot, int state);
    void RedrawTabs();
    void MainPageDrawTab(HDC dc, int tabIndex, const RECT& rect, bool active);
    // Every page's mail list takes this font (size in points, style bits as stored), from the
    // last slot down; the close stores it.
    void SetListFont(const std::string& name, int pointSize, int style);
    // The tabs move at once; the close stores the position.
    void SetTabPosition(TTabPosition position);

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TMainCommands;  // the view commands show and lay out the bars
    void FormCreate();
    void FormClose();
    void FormResize();
    void MainPageChange();
    void CenterOnDesktop();
    void RecordNormalBounds();
    void AddSystemMenuItems();
    void LoadLedImages();
    LRESULT ConfirmDelete(const char* text);
    LRESULT ShowHeader(int slot, const char* subject);
    LRESULT AskPassword(const char* text);
    static LRESULT CALLBACK AppMessage(int code, WPARAM wParam, LPARAM lParam);

    void LoadWindowSettings();
    void LoadAccounts();
    void ApplyListSettings();
    void SaveWindowSettings();
    TListSettings ActiveListSettings() const;

    TListSettings ListSettings;  // font and widths the lists were given at start
    HFONT ListFont = nullptr;
    HWND Bevel1 = nullptr, ToolBar1 = nullptr, Bevel2 = nullptr;
    HHOOK MessageHook = nullptr;
    DWORD UiThreadId = 0;
};

// The one main window of the program.
extern TPruneboxM* PruneboxM;
