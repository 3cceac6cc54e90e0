#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "page/MailList.h"
#include "rules/RuleSet.h"
#include "ui/KvPanel.h"
#include "ui/StatusBar.h"
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
        IdAllowSender,
        IdBlockSender,
        IdBlockDomain,
        IdLearnUnwanted,
        IdLearnWanted,
    };

    // The buttons, the double click and the menu give their worker command to runCommand.
    TMainFrame(HWND sheet, int tag, std::function<void(int command)> runCommand);

    int Tag;
    TKvPanel KvPanel1;  // buttons; disabled while the worker runs
    TKvPanel KvPanel2;  // login fields
    HWND Serv = nullptr, APOPCheck = nullptr, IDNum = nullptr, Pass = nullptr;
    HWND Logon = nullptr, Delete = nullptr, Kill = nullptr;
    HWND MailView = nullptr;
    TStatusBar StatusBar1;

    // The context menu's sender-list commands (IdAllowSender, IdBlockSender, IdBlockDomain) and
    // learning commands (IdLearnUnwanted, IdLearnWanted) on the row at the index given.
    std::function<void(int command, int row)> SenderCommand;
    // The user ticked or unticked the row at the index given (never called for the program's
    // own changes of a tick).
    std::function<void(int row, bool ticked)> HandTicked;

    // The width the designated-header column needs to show its caption in the list's font.
    static int DesignatedColumnWidth(HFONT listFont);
    // The mail list's rows: the list view shows them and asks for the text of what it draws.
    // Ticks are the list view's selection, read into the rows when they are asked for.
    const TMailList& Mails();
    int RowCount() const { return static_cast<int>(List.Count()); }
    int ColumnCount() const;
    std::string CellText(int index, int column) const;
    int SelectedCount() const;
    std::vector<TMailRow> Rows() { return Mails().Rows(); }
    // Rows are added to the model; the list view learns their count with ShowRows, once a batch.
    void AddRow(TMailRow row);
    void ShowRows();
    void ClearRows();
    // The message number of the row at `index` on the worker's present connection.
    void SetMessageNumber(int index, const std::string& number);
    // Ticks or unticks the row at `index` for the program (not a hand tick).
    void SetTicked(int index, bool ticked);
    // Ticks every row (1), none (2), or turns every tick over (0).
    void TickAll(int how);
    // The title column takes the width the other columns leave in the list, until the user
    // sets its width.
    void FitTitleColumn();
    // Decides every row again (see TMailList::Redecide) and redraws once.
    void Redecide(const TRuleSet& rules);
    // The list stops drawing until the last hold is released, then draws once.
    void HoldListDrawing();
    void ReleaseListDrawing();
    bool ListDrawingHeld() const { return ListHolds > 0; }

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
    void MailViewGetText(NMHDR& header);
    // Makes the list view's selection the model's ticks for `rows`.
    void PushTicks(const std::vector<size_t>& rows);
    void SetSelected(int index, bool selected);
    std::function<void(int command)> RunCommand;
    // The user changed the selection: the rows' ticks are read from it, and each change told
    // to HandTicked, once the burst of notifications is over or when the rows are asked for.
    void SyncTicks();
    void MarkTicksStale();
    void MailViewHeaderNotify(const NMHDR& header);
    HWND MailHeader = nullptr;
    bool TitleWidthSet = false;
    bool HiddenMayShow = true;  // a column changed since a paint last looked at the hidden ones
    TMailList List;
    size_t ShownCount = 0;    // the rows the list view knows of
    bool TicksStale = false;  // the user changed the selection since it was read
    bool SyncPosted = false;
    bool Pushing = false;     // the model's ticks are being given to the list view
    int ListHolds = 0;
    // Under Wine each row a tick changes is invalidated by a round trip to the server: more
    // rows than this are drawn once instead.
    static constexpr size_t ManyTicks = 32;
    std::string CellBuffer;
};
