#pragma once
#include <string>
#include <vector>

#include "ui/Window.h"

class TAccountDirectory;
class TChPage;
class TRegistryAccessor;

// The header viewer: what decided the row's tick, when anything did, and learning's score with
// the clues that pushed it most each way, then every line of one
// message's header, decoded, one per list entry. A line
// can be copied, made a delete-check rule of the account, or made its designated header.
class TMailForm : public TWindow {
public:
    enum ControlId {
        IdHeadListBox = 100,
        IdReasonLabel,
        IdNazoButton = IDCANCEL,  // hidden under the list: Escape closes the viewer
        IdPopDel = 110,
        IdPopView,
        IdPopSel,
        IdPopAll,
    };
    enum class TLinePart { Name, Value };

    // The viewer of the header lines of the page in `slot` of `accounts` (the page whose worker
    // fetched them); the lookup marker on the last line is taken off there as well. The rule and
    // designated-header commands store through `registry` (none: they do nothing).
    TMailForm(TAccountDirectory& accounts, TRegistryAccessor* registry, int slot);
    ~TMailForm() override;

    std::string Caption = "ヘッダの表示";
    HMENU HeadPop = nullptr;

    // Shows the viewer modally over owner until it is closed (Escape or the close box).
    void ShowModal(HWND owner);

    // "Name: value": the name is the text up to and including the first ":", the value what
    // follows that ":" and one more character. Without ":" the name is empty and the value is
    // the line without its first character.
    static std::string SplitHeaderLine(const std::string& line, TLinePart part);

    // The pop-up menu's handlers (also reached through WM_COMMAND with the item ids).
    void HeadPopPopup();
    void PopDelClick();
    void PopViewClick();
    void PopSelClick();
    void PopAllClick();

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void CreateHeadPop();
    void ShowHeadPop(LPARAM screenPoint);
    // The indices of the chosen lines, in list order.
    std::vector<int> SelectedIndices() const;
    // The chosen line when exactly one is chosen; false otherwise.
    bool SelectedLine(std::string& line) const;
    std::string LineAt(int index) const;
    // Chooses the line at `index` alone unless it is already among the chosen ones, so that
    // the menu acts on the line it was opened over.
    void ChooseLineForMenu(int index);
    // Ctrl+C copies the chosen lines, Ctrl+A chooses every line; false for any other key.
    bool HandleListKey(WORD key);
    // The "新規" page stands for no account: an account dialog for it could never be saved.
    bool HasAccount() const { return Slot != 0; }
    TChPage& Page() const;

    TAccountDirectory& Accounts;
    TRegistryAccessor* Registry;
    int Slot;
    // The list below the reason's line, when there is one, in a client area of that size.
    void LayOut(int width, int height);
    HWND HeadListBox = nullptr;
    HWND ReasonLabel = nullptr;  // what decided the row's tick; none when nothing did
    int ReasonLines = 1;         // the reason's, and learning's score and clues when shown
    int LabelHeight() const;
    HWND NazoButton = nullptr;
};
