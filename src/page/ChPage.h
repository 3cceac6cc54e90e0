#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "settings/AccountStore.h"
#include "page/MainFrame.h"
#include "page/PageBridge.h"
#include "ui/TabSheet.h"
#include "worker/Connect.h"

class TPruneboxM;

// Everything of one account while the program runs: its tab, its controls, its rules, its
// worker. The worker reaches the page only through its bridge.
class TChPage {
public:
    // Commands for the account's worker.
    enum : int {
        CommandConnect = TConnect::CmdConnect,
        CommandDisconnect = TConnect::CmdDisconnect,
        CommandDelete = TConnect::CmdDelete,
        CommandNone = TConnect::CmdNone,
        CommandHeader = TConnect::CmdHeader,
    };

    TChPage(TPruneboxM& main, int index);
    ~TChPage();
    TChPage(const TChPage&) = delete;
    TChPage& operator=(const TChPage&) = delete;

    TPruneboxM& Main;
    int Index;
    int Command = 0;
    std::vector<std::string> HeaderLines;
    std::unique_ptr<TTabSheet> TabSheet;
    std::unique_ptr<TMainFrame> Frame;
    std::vector<std::string> Rules;
    std::string KeyName;
    std::string Design;
    int AutoDelMode = 0;
    std::atomic<int> IndicatorState{0};
    bool LogEnabled = false;
    // The header viewer's subjects, kept until the account's next header command.
    std::string HeaderSubject, HeaderSecondSubject;
    std::unique_ptr<TPageBridge> Bridge;
    TConnectPtr Worker;

    // Fills the page from a stored account (tab caption with room for the lamp when shown).
    void LoadAccount(const TAccountSettings& account);
    // Writes the slot into every place that holds it (Index, sheet Tag, frame Tag, worker).
    void SetIndex(int index);
    // Lays the page out in the tab's current size and the main window's view.
    void ArrangePage();
    // Gives the worker a command and wakes it.
    void RunCommand(int command);
    // All rows of the mail list with their tick (selection).
    std::vector<TMailRow> Rows() const;
    void AddRow(const TMailRow& row);
};
