#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "history/DeleteHistory.h"
#include "ui/Window.h"

// The deletion history as a list, newest first, with the file's columns (when, subject and
// sender first); a click on a column sorts by it. Ctrl+C copies the chosen lines as the file
// writes them; a button opens the folder that holds the file; a double click or Enter opens the
// copy kept of the line's message. The window can be sized.
class TDeleteHistoryView : public TWindow {
public:
    enum ControlId {
        IdList = 501,
        IdFolderButton,
        IdCloseButton = IDCANCEL,
    };

    // `folder`: the program's folder, where the history lives.
    explicit TDeleteHistoryView(std::string folder);

    // Shows the window modally, centred on owner.
    void ShowModal(HWND owner);

    // The chosen lines as CSV records, in the list's order.
    std::string ChosenLines() const;

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void FillList();
    // The lines as Mails holds them now.
    void ShowMails();
    void ListColumnClick(int column);
    void LayOut(int width, int height);
    void CopyChosen();
    void OpenFolder();
    void OpenCopy(int row);
    bool HandleListKey(WORD key);

    HWND Owner = nullptr;
    HWND List = nullptr;
    std::string Folder;
    std::vector<TDeletedMail> Mails;  // as listed: newest first until sorted
    int SortColumn = 0;               // the list's column Mails is in the order of
    bool Descending = true;
    SIZE SmallestWindow{};
};
