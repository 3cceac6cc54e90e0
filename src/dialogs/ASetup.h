#pragma once
#include <memory>
#include <string>
#include <vector>

#include "dialogs/AutoCheckGroup.h"
#include "dialogs/ConnectionGroup.h"
#include "dialogs/FilterGroup.h"
#include "dialogs/OAuthGroup.h"
#include "dialogs/PeriodicGroup.h"
#include "settings/AccountFields.h"
#include "ui/KvPanelEx.h"
#include "ui/Window.h"

class TAccountDirectory;
class TRegistryAccessor;

// The account settings dialog: registers a new account or edits the account it is given. It
// fills itself from that account's page, never from the store; OK stores the account and
// brings its page up to date, creating the page for a new account.
class TASetup : public TWindow {
public:
    // Control ids; the buttons are the dialog's own OK and Cancel.
    enum ControlId {
        IdAccountEdit = TConnectionGroup::IdAccountEdit,
        IdSServ = TConnectionGroup::IdSServ,
        IdPortEdit = TConnectionGroup::IdPortEdit,
        IdPortUpDown = TConnectionGroup::IdPortUpDown,
        IdSIDNum = TConnectionGroup::IdSIDNum,
        IdSPass = TConnectionGroup::IdSPass,
        IdSAPOPCheck = TConnectionGroup::IdSAPOPCheck,
        IdPassCheck = TConnectionGroup::IdPassCheck,
        IdSecurityCombo = TConnectionGroup::IdSecurityCombo,
        IdHeadRadio = TAutoCheckGroup::IdHeadRadio,
        IdPPCheck = TAutoCheckGroup::IdPPCheck,
        IdNotRadio = TAutoCheckGroup::IdNotRadio,
        IdDelView = TAutoCheckGroup::IdDelView,
        IdAddButton = TAutoCheckGroup::IdAddButton,
        IdDelButton = TAutoCheckGroup::IdDelButton,
        IdPPLabel = TAutoCheckGroup::IdPPLabel,
        IdDesignCombo = 240,
        IdLogCheck,
        IdOKButton = IDOK,
        IdCanButton = IDCANCEL,
        IdExtensionButton = 250,
        IdHelpButton,
        IdCheckEveryTick = TPeriodicGroup::IdCheckEveryTick,
        IdCheckEveryEdit = TPeriodicGroup::IdCheckEveryEdit,
        IdCheckEveryUpDown = TPeriodicGroup::IdCheckEveryUpDown,
        IdDeleteTickedCheck = TPeriodicGroup::IdDeleteTickedCheck,
        IdKeepCopyCheck = TPeriodicGroup::IdKeepCopyCheck,
    };
    // At 96 DPI.
    static constexpr SIZE BasicSize{422, 262};
    static constexpr SIZE ExtendedSize{700, 760};

    // Fills the dialog's values from the page in `slot` of `accounts` (FormCreate); an unknown
    // slot is the "新規" page's.
    TASetup(TAccountDirectory& accounts, TRegistryAccessor& registry, int slot);
    ~TASetup() override;

    int AccountIndex = 0;
    bool NewAccount = false;
    std::string Caption;

    // Chosen before the dialog is shown, or switched while it is open.
    void SetBasicView(bool basic);
    // Shows the dialog modally over owner (the account list's window when null); true when OK
    // stored the account.
    bool ShowModal(HWND owner = nullptr);
    // The log box starts as the page's log stands instead of unticked, so that saving one
    // change from elsewhere (the header viewer) leaves the log as it was.
    void TakePageLogSetting();
    // A rule for the list (the rule dialog's OK); kept until the list exists.
    void AddRule(const std::string& header, const std::string& text);
    // The designated header set and OK run without showing the dialog; its messages go over
    // owner (the account list's window when null).
    bool SaveDesignatedHeader(const std::string& header, HWND owner = nullptr);

    // The rules as the list holds them, "header,text" each.
    std::vector<std::string> RuleStrings() const;

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The dialog's values; the controls show them while the dialog is open.
    struct TValues {
        TConnectionGroup::TValues Connection;
        AccountFields::TModeChoice Mode = AccountFields::TModeChoice::None;
        std::vector<std::pair<std::string, std::string>> Rules;
        std::string Design;
        bool LogCheck = false;
        TPeriodicGroup::TValues Periodic;
        TAccountFilter Filter;  // the spam checks
        TOAuthAccount OAuth;    // the login method and OAuth 2.0 client
        bool SignedIn = false;  // the account holds a refresh token
    };
    enum class TSaveResult { Saved, Declined, Refused };

    void FormCreate();
    void CreateControls();
    void ShowValues();
    void ReadValues();
    void FormShow();
    void ExtensionButtonClick();
    void HelpButtonClick();
    void OKButtonClick();
    // The name checks, then the save; Refused keeps the dialog open.
    TSaveResult Accept(HWND owner);
    TSaveResult SaveAccount(HWND owner);
    // The typed interval, when the periodic check is ticked; false after saying what is wrong.
    bool CheckEveryAccepted();
    // The authserv-ids of the rows the account's page lists.
    std::vector<std::string> ListedAuthServIds() const;

    TAccountDirectory& Accounts;
    TRegistryAccessor& Registry;
    TValues Values;
    bool Basic = false;

    TConnectionGroup Connection;
    TKvPanelEx KvPanelEx3;
    TAutoCheckGroup AutoCheck;
    TPeriodicGroup Periodic;
    TFilterGroup Filters;
    TOAuthGroup LoginMethod;
    bool Created = false;  // the controls exist and hold the rules
    HWND DesignCombo = nullptr, LogCheck = nullptr;
    HWND OKButton = nullptr, CanButton = nullptr, ExtensionButton = nullptr, HelpButton = nullptr;
};
