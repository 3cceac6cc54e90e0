#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "ui/MainFrame.h"
#include "ui/TabSheet.h"

class TPruneboxM;

// Everything of one account while the program runs: its tab, its controls, its rules.
class TChPage {
public:
    // Commands for the account's worker.
    enum : int {
        CommandConnect = 1,
        CommandDisconnect = 2,
        CommandDelete = 3,
        CommandNone = 4,
        CommandHeader = 5,
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

    // Writes the slot into every place that holds it (Index, sheet Tag, frame Tag).
    void SetIndex(int index);
    // Lays the page out in the tab's current size and the main window's view.
    void ArrangePage();
    // Gives the worker a command and wakes it.
    void RunCommand(int command);
};
