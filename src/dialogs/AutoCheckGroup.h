#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "settings/AccountFields.h"
#include "ui/KvPanelEx.h"

// The account dialog's group "自動チェック": the mode, the header search rules in their list
// with their buttons, and the mode's note.
class TAutoCheckGroup {
public:
    enum ControlId {
        IdHeadRadio = 220,
        IdPPCheck,
        IdNotRadio,
        IdDelView,
        IdAddButton,
        IdDelButton,
        IdPPLabel,
    };

    void Create(HWND dialog, const RECT& bounds, HFONT font);
    void Show(AccountFields::TModeChoice mode);
    AccountFields::TModeChoice Mode() const;
    bool HeaderSearch() const { return Mode() == AccountFields::TModeChoice::HeaderSearch; }
    // A click in the group: a mode chosen, a rule added or removed. False for any other.
    bool HandleCommand(int id);
    void AddRule(const std::string& header, const std::string& text);
    // The rules as the list holds them, "header,text" each.
    std::vector<std::string> RuleStrings() const;

private:
    void ChooseMode(int radioId);
    void AddButtonClick();
    void DelButtonClick();

    HWND Dialog = nullptr;
    TKvPanelEx Group;
    TKvPanel HeadPanel, PPPanel;
    HWND HeadRadio = nullptr, PPCheck = nullptr, NotRadio = nullptr, DelView = nullptr;
    HWND PPLabel = nullptr;
};
