#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <string>

#include "app/CommandHost.h"
#include "page/AccountTable.h"
#include "ui/PageControl.h"

class TRegistryAccessor;

// The main window's menu bar and tool bar and what each command does. Several items and
// buttons share one handler and differ by their Tag; commands that would disturb a working
// account act only while the active page's button panel is enabled.
class TMainCommands {
public:
    // Menu items and tool buttons; a WM_COMMAND with one of these ids is a command.
    enum CommandId {
        IdMenuSosaCon = 1001,
        IdMenuSosaKill,
        IdMenuSosaDel,
        IdMenuSosaMCon,
        IdMunuSosaMKill,
        IdMunuSosaMail,
        IdExit1,
        IdMenuEditCopy = 1011,
        IdMenuEditRev,
        IdMenuEditAll,
        IdMenuEditDel,
        IdMenuViewTool = 1021,
        IdMenuViewSmall,
        IdMenuViewHead,
        IdMenuViewHistory,
        IdMenuSetAll = 1031,
        IdMenuSetAccount,
        IdMenuSetDel,
        IdMenuSetAdd,
        IdMenuSetSenders,
        IdMenuSetLearn,
        IdMenuHelpHelp = 1041,
        IdMenuHelpAbout,
        IdToolButton1 = 1101,
        IdToolButton5,
        IdToolButton4,
        IdToolButton7,
        IdToolButton6,
        IdToolButton11,
        IdToolButton12,
        IdToolButton13,
        IdToolButton8,
        IdToolButton2,
    };

    // What a handler learns of the item or button that was chosen.
    struct TSender {
        int Id;
        const char* Name;
        int Tag;
    };

    // The commands of the main window `mainWindow` (owned by `host`), over its pages and tabs.
    TMainCommands(TCommandHost& host, HWND mainWindow, TAccountTable& accounts, TPageControl& tabs,
                  HWND toolBar, TRegistryAccessor& registry);
    ~TMainCommands();
    TMainCommands(const TMainCommands&) = delete;
    TMainCommands& operator=(const TMainCommands&) = delete;

    HMENU MainMenu1 = nullptr;

    // A WM_COMMAND of the main window; false when the id is none of ours.
    bool HandleCommand(int id);
    // The tool bar asking for a button's hint; false when the notification is none of ours.
    bool HandleNotify(const NMHDR& header, LRESULT& result);
    // Shortcut keys of the menu, for any message taken from the queue for the main window or
    // its children: the command is posted to the main window and the key turned into WM_NULL.
    void TranslateShortcut(MSG& message);
    // The check marks and ToolButton6 from the main window's view state.
    void ShowViewState();

    // The hint of a tool button; empty for none.
    static std::string Hint(int id);

    // Handlers; the sender is the item or button chosen.
    void MenuSosaConClick(const TSender& sender);
    void MenuSosaMConClick(const TSender& sender);
    void MunuSosaMailClick(const TSender& sender);
    void Exit1Click(const TSender& sender);
    void MenuEditCopyClick(const TSender& sender);
    void MenuEditRevClick(const TSender& sender);
    void MenuViewToolClick(const TSender& sender);
    void MenuViewSmallClick(const TSender& sender);
    void MenuViewHeadClick(const TSender& sender);
    void MenuViewHistoryClick(const TSender& sender);
    void MenuSetAllClick(const TSender& sender);
    void MenuSetSendersClick(const TSender& sender);
    void MenuSetLearnClick(const TSender& sender);
    void MenuSetAddClick(const TSender& sender);
    void MenuSetDelClick(const TSender& sender);
    void MenuHelpHelpClick(const TSender& sender);
    void MenuHelpAboutClick(const TSender& sender);

private:
    void CreateMainMenu();
    void CreateToolButtons();
    // The guard: the active page exists and its worker is idle.
    bool ActivePageIdle() const;

    int ActiveSlot() const { return Accounts.ActiveSlot(); }

    TCommandHost& Host;
    HWND MainWindow;
    TAccountTable& Accounts;
    TPageControl& Tabs;
    HWND ToolBar1;
    TRegistryAccessor& Registry;
    HIMAGELIST ImageList1 = nullptr;
};
