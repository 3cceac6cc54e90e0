#pragma once
#include <memory>
#include <string>
#include <vector>

#include "page/MainFrame.h"
#include "page/PageBridge.h"
#include "page/PageHost.h"
#include "settings/AccountStore.h"
#include "ui/TabSheet.h"
#include "worker/Connect.h"

class TPageControl;

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

    // The lamps a tab can show.
    static constexpr int LampCount = 4;

    // A page in slot `index` of `tabs`, asking `host` what the page cannot answer itself.
    TChPage(TPageHost& host, TPageControl& tabs, int index);
    ~TChPage();
    TChPage(const TChPage&) = delete;
    TChPage& operator=(const TChPage&) = delete;

    TPageHost& Host;
    TPageControl& Tabs;
    int Index;
    // The last command given, whether the worker took it or not.
    int Command = 0;
    std::vector<std::string> HeaderLines;
    std::unique_ptr<TTabSheet> TabSheet;
    std::unique_ptr<TMainFrame> Frame;
    std::vector<std::string> Rules;
    std::string KeyName;
    std::string Design;
    int AutoDelMode = 0;
    int Security = 0;        // the account's connection protection ("Security")
    std::string CertHash;    // fingerprint of the certificate trusted for the account, or empty
    int IndicatorState = 0;  // the lamp: 0 blue, 1 green, 2 red, 3 yellow
    bool LogEnabled = false;
    // The header viewer's subject, kept until the account's next header command.
    std::string HeaderSubject;
    // A header viewer has been asked for and not opened yet.
    bool HeaderPending = false;
    // How the connection that stands is protected, as the worker last said; empty when none.
    std::string Protection;
    std::unique_ptr<TPageBridge> Bridge;
    TConnectPtr Worker;

    // Fills the page from an account's settings: the one place they reach a page.
    void LoadAccount(const TAccountSettings& account);
    // The account name on the tab (room for the lamp when lamps are shown), and back.
    void SetAccountName(const std::string& name);
    std::string AccountName() const;
    // Stores the lamp and has the tabs drawn again; a state without a lamp is refused.
    void SetIndicatorState(int state);
    // Writes the slot into every place that holds it (Index, sheet Tag, frame Tag, worker).
    void SetIndex(int index);
    // Lays the page out in the tab's current size and the main window's view.
    void ArrangePage();
    // Gives the worker a command with the page as it stands, and wakes it.
    void RunCommand(int command);
    // What the command starts from: the login fields, the account's settings and, for a command
    // that acts on the ticked rows, the rows with their ticks, as the page holds them now.
    TCheckInputs CheckInputs(int command) const;
    // All rows of the mail list with their tick (selection).
    std::vector<TMailRow> Rows() const;
    void AddRow(const TMailRow& row);
    // How the connection that stands is protected; empty when none stands.
    void ShowProtection(const std::string& text);
};
