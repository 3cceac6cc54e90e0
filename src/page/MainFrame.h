#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ui/KvPanel.h"
#include "ui/Window.h"
#include "worker/MailRow.h"

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
    std::vector<std::string> Row(int index) const;
    std::string CellText(int index, int column) const;
    int SelectedCount() const;
    // All rows of the mail list with their tick (selection).
    std::vector<TMailRow> Rows() const;
    void AddRow(const TMailRow& row);

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
    std::function<void(int command)> RunCommand;
    int ProtectionWidth = 0;
};
