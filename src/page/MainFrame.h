#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "rules/RuleSet.h"
#include "ui/KvPanel.h"
#include "ui/Window.h"
#include "worker/MailRow.h"

// What the rules read of a listed row, kept beside the list so that the row can be decided again
// when the rules change: as much memory as the listed headers take, gone with the row.
struct TRowBasis {
    bool RuleTicked = false;  // the rules' last decision
    std::vector<std::string> HeaderLines;
    int64_t Size = 0;
};

// The controls of one account page: login fields, mail list, buttons, status bar.
class TMainFrame : public TWindow {
public:
    static constexpr const char* ClassName = "TMainFrame";
    enum ControlId {
        IdServ = 101,
        IdAPOPCheck,
        IdIDNum,
        IdPass,
        IdMailView = 110,
        IdLogon = 121,
        IdDelete,
        IdKill,
        IdStatusBar = 130,
        IdRightHead = 140,
        IdAllowSender,
        IdBlockSender,
        IdBlockDomain,
    };

    // The buttons, the double click and the menu give their worker command to runCommand.
    TMainFrame(HWND sheet, int tag, std::function<void(int command)> runCommand);

    int Tag;
    TKvPanel KvPanel1;  // buttons; disabled while the worker runs
    TKvPanel KvPanel2;  // login fields
    HWND Serv = nullptr, APOPCheck = nullptr, IDNum = nullptr, Pass = nullptr;
    HWND Logon = nullptr, Delete = nullptr, Kill = nullptr;
    HWND MailView = nullptr;
    HWND StatusBar1 = nullptr;

    // The context menu's sender-list commands (IdAllowSender, IdBlockSender, IdBlockDomain) on
    // the row at the index given.
    std::function<void(int command, int row)> SenderCommand;
    // The user ticked or unticked the row at the index given (never called for the program's
    // own changes of a tick).
    std::function<void(int row, bool ticked)> HandTicked;

    // Text of status panel 0..2 as shown (panels 1 and 2 are centred).
    void SetStatusText(int panel, const std::string& text);
    std::string StatusText(int panel) const;
    // Panel 0's tool tip; empty for none.
    void SetStatusTip(const std::string& text);
    std::string StatusTip() const;
    void SetStatusWidths();
    // The width the designated-header column needs to show its caption in the list's font.
    static int DesignatedColumnWidth(HFONT listFont);
    // How the standing connection is protected, in a status part of its own at the right end;
    // the part is there only while the text is not empty.
    void ShowProtection(const std::string& text);
    // Parts of the status bar: 3, or 4 while a protection is shown (its text is in part 3).
    int StatusPartCount() const;

    int RowCount() const;
    int ColumnCount() const;
    std::string CellText(int index, int column) const;
    int SelectedCount() const;
    // All rows of the mail list in the list's order with their tick (selection), what the rules
    // decided and why; without their header lines. Kept beside the list as they were given and
    // changed: under Wine every cell read back costs a message to the list, about 30 µs.
    std::vector<TMailRow> Rows() const;
    void AddRow(const TMailRow& row);
    // The message number of the row at `index` on the worker's present connection.
    void SetMessageNumber(int index, const std::string& number);
    // What the rules read of the row at `index`; nullptr for a row that came without a header.
    const TRowBasis* BasisOf(int index) const;
    // Decides every row again: a row whose tick differs from the rules' last decision was
    // ticked or unticked by hand and keeps its tick; the others take the new one. Every row
    // takes the new decision as the rules' last and its reason.
    void Redecide(const TRuleSet& rules);
    // The row at `index` as kept beside the list (tick and rules' decision aside), or nullptr.
    const TMailRow* ListedRow(int index) const;
    // Ticks or unticks the row at `index` for the program (not a hand tick).
    void SetSelected(int index, bool selected);

    // Event handlers.
    void LogonClick(int tag);
    void MailViewSelectItem();
    void MailViewColumnClick(int column);
    void MailViewDblClick();
    void MailViewCustomDraw();

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    LRESULT MailViewNotify(const NMHDR& header);
    void MailViewContextMenu(LPARAM lParam);
    void SortMailView(int column);
    // The row under a context menu opened at `lParam`, or the focused one from the keyboard.
    int ContextRow(LPARAM lParam) const;
    LPARAM RowKey(int index) const;
    int ProgramTicks = 0;  // inside SetSelected: the selection changes are not the user's
    std::function<void(int command)> RunCommand;
    int ProtectionWidth = 0;
    // By each row's lParam, a key that stays with the row when the list is sorted.
    std::unordered_map<LPARAM, TRowBasis> Basis;
    // Every row as Rows() gives it (tick aside), by its key, and the keys in the list's order.
    std::unordered_map<LPARAM, TMailRow> Listed;
    std::vector<LPARAM> Order;
    LPARAM NextRowKey = 1;
    // The list's order after a sort, read once.
    void ReadOrder();
    void SetCell(int index, int column, const std::string& text);
};
