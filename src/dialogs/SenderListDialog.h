#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/Window.h"

class TRegistryAccessor;

// The sender lists all accounts share, "許可リスト" and "拒否リスト": entries are added (a
// malformed one refused with the rules' own message), removed, read from and written to a text
// file of one entry a line. OK adds what is typed in an entry field, then stores both lists;
// Cancel leaves them as stored.
class TSenderListDialog : public TWindow {
public:
    // The two lists' controls; the block list's ids follow the allow list's at BlockOffset.
    enum ControlId {
        IdAllowList = 601,
        IdAllowEdit,
        IdAllowAdd,
        IdAllowRemove,
        IdAllowImport,
        IdAllowExport,
        IdBlockList = 611,
        IdBlockEdit,
        IdBlockAdd,
        IdBlockRemove,
        IdBlockImport,
        IdBlockExport,
        IdOKButton = IDOK,
        IdCancelButton = IDCANCEL,
    };
    enum TListKind { Allow = 0, Block = 1 };
    static constexpr int BlockOffset = IdBlockList - IdAllowList;

    // Reads the lists from the store.
    explicit TSenderListDialog(TRegistryAccessor& registry);

    // Shows the dialog modally, centred on owner; true when OK stored the lists.
    bool ShowModal(HWND owner);

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    // A click on one of a list's buttons; false when the id is none of them.
    bool ListCommand(int id);
    // False when the typed entry was refused (the message said why).
    bool AddClick(TListKind kind);
    void RemoveClick(TListKind kind);
    void ImportClick(TListKind kind);
    void ExportClick(TListKind kind);
    void OKButtonClick();
    // The entries a list shows, in order.
    std::vector<std::string> Entries(TListKind kind) const;
    // Appends an entry that is not listed yet, and selects it.
    void Append(TListKind kind, const std::string& entry);
    // The list whose entry field has the focus; -1 for none.
    int KindWithFocusedField() const;

    TRegistryAccessor& Registry;
    HWND Owner = nullptr;
    std::vector<std::string> Stored[2];  // the lists as loaded
    HWND Lists[2] = {}, Edits[2] = {};
};
