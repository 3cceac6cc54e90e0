#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "settings/AccountStore.h"
#include "ui/KvPanelEx.h"

// The account dialog's group "迷惑メールの判定": the account's spam checks shown in their fields
// and read back from them. Its buttons' commands reach the dialog, which hands them on.
class TFilterGroup {
public:
    enum ControlId {
        IdAuthFailCheck = 270,
        IdAuthServIdEdit,
        IdAuthServIdButton,
        IdCharsetsCheck,
        IdCharsetsEdit,
        IdSpoofCheck,
        IdMaxSizeEdit,
    };

    void Create(HWND dialog, const RECT& bounds, HFONT font);
    void Show(const TAccountFilter& filter);
    // The checks the fields give; false with the message shown over the dialog (and the field
    // at fault focused) when one cannot be stored.
    bool Read(TAccountFilter& filter) const;
    // The checks apply only in header search mode: the fields are usable only then.
    void Enable(bool enabled);
    // A click in the group; `listedIds` are the authserv-ids of the account's listed rows.
    // False when the command is none of the group's.
    bool HandleCommand(int id, const std::vector<std::string>& listedIds);

private:
    void FillAuthServId(const std::vector<std::string>& listedIds);
    void CharsetsCheckClick();

    HWND Dialog = nullptr;
    bool Enabled = true;
    TKvPanelEx Group;
    HWND AuthFailCheck = nullptr, AuthServIdEdit = nullptr, AuthServIdButton = nullptr;
    HWND CharsetsCheck = nullptr, CharsetsEdit = nullptr, SpoofCheck = nullptr;
    HWND MaxSizeEdit = nullptr;
    std::vector<HWND> Controls;  // every control of the group, for enabling them together
};
