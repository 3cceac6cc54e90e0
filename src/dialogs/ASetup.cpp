#include "dialogs/ASetup.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "auth/DpapiBox.h"
#include "headers/MainDM.h"
#include "page/AccountDirectory.h"
#include "page/ChPage.h"
#include "settings/AccountStore.h"
#include "settings/SettingsKeys.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"
#include "ui/Dpi.h"
#include "ui/MsgDlg.h"
#include "ui/ResStrings.h"
#include "ui/ScreenBounds.h"
#include "ui/UiFont.h"
#include "ui/WindowMessages.h"

namespace {

const char* const NoNameText = "アカウント名がありません。";
const char* const ReservedNameText = "その名前は使えません。";
const char* const PortRangeText = "ポート番号は 0 から 65535 までの数で入力してください。";
const char* const OverwriteText = "同じ名前の接続先があります。上書きしますか?";
// Two accounts with one user name and host share one key: only one of them loads at the next
// start, so writing into the other's key is asked first.
const char* const SharedKeyText =
    "接続ユーザ名とPOP3サーバ名が同じアカウント「%s」があります。\r\n"
    "その登録内容を上書きしますか?";

const char* const DesignItems[] = {
    "Cc:",       "Delivered-To:", "Error-To:", "Fcc:",     "From:", "Message-ID:",
    "Reply-To:", "Return-Path:",  "Sender:",   "Subject:", "To:",   "表示なし",
};

constexpr int ButtonHeight = 25;

const TControlSpec DialogButtons[] = {
    {"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 322, 12, 85, ButtonHeight,
     TASetup::IdOKButton},
    {"BUTTON", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, 322, 44, 85, ButtonHeight,
     TASetup::IdCanButton},
    {"BUTTON", "<< 基本", BS_PUSHBUTTON | WS_TABSTOP, 0, 322, 108, 85, ButtonHeight,
     TASetup::IdExtensionButton},
    {"BUTTON", "ヘルプ", BS_PUSHBUTTON | WS_TABSTOP, 0, 322, 140, 85, ButtonHeight,
     TASetup::IdHelpButton},
};

// The groups' places in the dialog; the basic view shows the first three.
constexpr RECT ConnectionBounds{8, 6, 313, 224};
constexpr RECT AutoCheckBounds{420, 6, 684, 316};
constexpr RECT PeriodicBounds{8, 336, 684, 432};
constexpr RECT FilterBounds{8, 440, 684, 580};
constexpr RECT LoginMethodBounds{8, 588, 684, 716};

}  // namespace

TASetup::TASetup(TAccountDirectory& accounts, TRegistryAccessor& registry, int slot)
    : AccountIndex(slot), Accounts(accounts), Registry(registry) {
    FormCreate();
}

TASetup::~TASetup() = default;

void TASetup::FormCreate() {
    if (!Accounts.Page(AccountIndex)) AccountIndex = 0;
    const TChPage& page = *Accounts.Page(AccountIndex);
    if (AccountIndex != 0) Values.Connection.AccountName = page.AccountName();
    TConnectionGroup::TValues& connection = Values.Connection;
    connection.SIDNum = TextOf(page.Frame->IDNum);
    connection.SPass = TextOf(page.Frame->Pass);
    const AccountFields::TServerParts server = AccountFields::SplitServer(TextOf(page.Frame->Serv));
    connection.PortText = std::to_string(server.Port);
    connection.SServ = server.Host;
    connection.SAPOPCheck = Checked(page.Frame->APOPCheck);
    connection.Security = KnownSecurity(page.Security);
    connection.PassCheck = !connection.SPass.empty();
    Values.Design = page.Design.empty() ? LoadResString(S_NO_DESIGN) : page.Design;
    switch (page.AutoDelMode) {
        case kAutoDelHeaderSearch:
            Values.Mode = AccountFields::TModeChoice::HeaderSearch;
            break;
        case kAutoDelPostPet:
            Values.Mode = AccountFields::TModeChoice::PostPet;
            break;
        default:
            Values.Mode = AccountFields::TModeChoice::None;
            break;
    }
    // The periodic values live only in the store: a save must not reset them.
    TAccountStore store(Registry);
    if (AccountIndex != 0 && !page.KeyName.empty() && store.OpenAccount(page.KeyName)) {
        const TAccountSettings stored = store.LoadAccount();
        Values.Periodic = {stored.CheckEvery, stored.DeleteTicked, stored.KeepCopy};
    }
    Values.Filter = page.Filter;
    Values.OAuth = page.OAuth;
    Values.SignedIn = !page.RefreshToken.empty();
    for (const std::string& rule : page.Rules) {
        const TRuleParts parts = TMainDM::SplitRule(rule);
        Values.Rules.emplace_back(parts.Header, parts.Text);
    }
    Values.LogCheck = false;  // the log is switched on afresh each time
}

void TASetup::TakePageLogSetting() {
    Values.LogCheck = Accounts.Page(AccountIndex)->LogEnabled;
    if (Handle) SetChecked(LogCheck, Values.LogCheck);
}

bool TASetup::ShowModal(HWND owner) {
    // A modal window over the main window (the header viewer) must be the owner, or closing
    // this dialog would enable the main window under it.
    return RunModalDialog(owner ? owner : Accounts.Window()) == IDOK;
}

INT_PTR TASetup::DialogProc(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CreateControls();
            ShowValues();
            SetWindowTextA(Handle, Caption.c_str());
            SetBasicView(Basic);
            CenterOverOwner(Handle, Accounts.Window());
            FormShow();
            SetFocus(IsWindowEnabled(Connection.AccountEdit) ? Connection.AccountEdit
                                                             : Connection.SServ);
            return FALSE;
        case WM_PB_SIGNIN_DONE:
            LoginMethod.SignInEnded();
            return TRUE;
        case WM_PB_SIGNIN_CODE:
            LoginMethod.CodeShown();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IdSecurityCombo && HIWORD(wParam) == CBN_SELCHANGE) {
                Connection.SecurityComboChange();
                return TRUE;
            }
            if (LoginMethod.HandleCommand(LOWORD(wParam), HIWORD(wParam),
                                          TextOf(Connection.SIDNum)))
                return TRUE;
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            if (Filters.HandleCommand(LOWORD(wParam), ListedAuthServIds())) return TRUE;
            if (Periodic.HandleCommand(LOWORD(wParam))) return TRUE;
            if (AutoCheck.HandleCommand(LOWORD(wParam))) {
                Filters.Enable(AutoCheck.HeaderSearch());
                return TRUE;
            }
            switch (LOWORD(wParam)) {
                case IdOKButton:
                    OKButtonClick();
                    return TRUE;
                case IdCanButton:
                    EndDialog(Handle, IDCANCEL);
                    return TRUE;
                case IdExtensionButton:
                    ExtensionButtonClick();
                    return TRUE;
                case IdHelpButton:
                    HelpButtonClick();
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

void TASetup::CreateControls() {
    HFONT font = UiFont::Form(Dpi::Of(Handle));
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Connection.Create(Handle, ConnectionBounds, font);

    HWND buttons[4];
    ::CreateControls(Handle, DialogButtons, font, buttons);
    OKButton = buttons[0];
    CanButton = buttons[1];
    ExtensionButton = buttons[2];
    HelpButton = buttons[3];

    KvPanelEx3.Create(Handle, 8, 240, 305, 56, "指定表示ヘッダ");
    SendMessageA(KvPanelEx3.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    DesignCombo =
        CreateControl(KvPanelEx3.Handle,
                      {"COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0,
                       12, 22, 200, 220, IdDesignCombo},
                      font);
    for (const char* item : DesignItems)
        SendMessageA(DesignCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SetWindowTextA(DesignCombo, "From:");
    LogCheck = CreateControl(
        Handle,
        {"BUTTON", "通信ログの記録", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 16, 306, 200, 20, IdLogCheck},
        font);

    AutoCheck.Create(Handle, AutoCheckBounds, font);
    Periodic.Create(Handle, PeriodicBounds, font);
    Filters.Create(Handle, FilterBounds, font);
    LoginMethod.Create(Handle, LoginMethodBounds, font,
                       {Connection.SServ, Connection.PortEdit, Connection.PortUpDown,
                        Connection.SecurityCombo, Connection.SAPOPCheck, Connection.SPass});
    Filters.Enable(false);
    Created = true;
}

void TASetup::ShowValues() {
    Filters.Show(Values.Filter);
    Connection.Show(Values.Connection);
    LoginMethod.Show(Values.OAuth, Values.Connection.SAPOPCheck, Values.SignedIn);
    SetWindowTextA(DesignCombo, Values.Design.c_str());
    AutoCheck.Show(Values.Mode);
    Filters.Enable(AutoCheck.HeaderSearch());
    for (const auto& rule : Values.Rules) AutoCheck.AddRule(rule.first, rule.second);
    Values.Rules.clear();  // the list holds them from now on
    SetChecked(LogCheck, Values.LogCheck);
    Periodic.Show(Values.Periodic);
}

void TASetup::ReadValues() {
    Values.Connection = Connection.Read();
    Values.OAuth = LoginMethod.Read();
    Values.Mode = AutoCheck.Mode();
    Values.Design = TextOf(DesignCombo);
    Values.LogCheck = Checked(LogCheck);
    Values.Periodic = Periodic.Read();
}

void TASetup::FormShow() {
    // The name of an existing account cannot be changed; the disabled field shows button face.
    EnableWindow(Connection.AccountEdit, NewAccount);
    if (NewAccount) SetWindowTextA(Connection.AccountEdit, "");
}

void TASetup::SetBasicView(bool basic) {
    Basic = basic;
    if (!Handle) return;
    SetWindowTextA(ExtensionButton, basic ? "拡張 >>" : "<< 基本");
    const SIZE size = Dpi::Scale(basic ? BasicSize : ExtendedSize, Dpi::Of(Handle));
    // The view grows down and right from where it stands: kept on its monitor's work area.
    RECT bounds;
    GetWindowRect(Handle, &bounds);
    bounds.right = bounds.left + size.cx;
    bounds.bottom = bounds.top + size.cy;
    const POINT at = CenterInWorkArea(bounds, size, WorkAreaOf(Handle));
    SetWindowPos(Handle, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER);
    // What the basic view cuts off is hidden, so Tab does not walk into controls out of sight.
    RECT client;
    GetClientRect(Handle, &client);
    for (HWND child = GetWindow(Handle, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT bounds;
        GetWindowRect(child, &bounds);
        MapWindowPoints(nullptr, Handle, reinterpret_cast<POINT*>(&bounds), 2);
        const bool inside = bounds.right <= client.right && bounds.bottom <= client.bottom;
        ShowWindow(child, basic && !inside ? SW_HIDE : SW_SHOWNA);
    }
}

void TASetup::ExtensionButtonClick() {
    SetBasicView(TextOf(ExtensionButton).find('>') == std::string::npos);
}

std::vector<std::string> TASetup::ListedAuthServIds() const {
    // A new account has listed nothing; the page it was opened on is another account's.
    if (NewAccount) return {};
    const TChPage* page = Accounts.Page(AccountIndex);
    return page ? page->ListedAuthServIds : std::vector<std::string>();
}

void TASetup::AddRule(const std::string& header, const std::string& text) {
    if (Created)
        AutoCheck.AddRule(header, text);
    else
        Values.Rules.emplace_back(header, text);
}

std::vector<std::string> TASetup::RuleStrings() const {
    if (Created) return AutoCheck.RuleStrings();
    std::vector<std::string> rules;
    for (const auto& rule : Values.Rules) rules.push_back(rule.first + "," + rule.second);
    return rules;
}

void TASetup::HelpButtonClick() {
    ShellExecuteA(Handle, "OPEN", LoadResString(S_HELP_FILE).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

bool TASetup::CheckEveryAccepted() {
    std::string error;
    if (Periodic.IntervalAccepted(error)) return true;
    MessageBeep(MB_ICONASTERISK);
    MessageDlgCenter(Handle, error, TMsgDlgType::Error, mbOK, 0);
    // The field is out of sight in the basic view.
    if (Basic) SetBasicView(false);
    Periodic.FocusInterval();
    return false;
}

void TASetup::OKButtonClick() {
    if (!CheckEveryAccepted()) return;
    ReadValues();
    if (AccountFields::PortBeyondRange(Values.Connection.PortText)) {
        MessageBeep(MB_ICONASTERISK);
        MessageDlgCenter(Handle, PortRangeText, TMsgDlgType::Error, mbOK, 0);
        SetFocus(Connection.PortEdit);
        return;
    }
    // The checks apply in header search mode only; otherwise they stay as loaded.
    if (Values.Mode == AccountFields::TModeChoice::HeaderSearch && !Filters.Read(Values.Filter))
        return;
    const TSaveResult result = Accept(Handle);
    if (result == TSaveResult::Refused) return;
    EndDialog(Handle, result == TSaveResult::Saved ? IDOK : IDCANCEL);
}

bool TASetup::SaveDesignatedHeader(const std::string& header, HWND owner) {
    Values.Design = header;
    return Accept(owner ? owner : Accounts.Window()) == TSaveResult::Saved;
}

TASetup::TSaveResult TASetup::Accept(HWND owner) {
    if (Values.Connection.AccountName.empty()) {
        MessageBeep(MB_ICONASTERISK);
        MessageDlgCenter(owner, NoNameText, TMsgDlgType::Information, mbOK, 0);
        return TSaveResult::Refused;
    }
    if (Values.Connection.AccountName == LoadResString(S_NEW_NAME)) {
        MessageBeep(MB_ICONASTERISK);
        MessageDlgCenter(owner, ReservedNameText, TMsgDlgType::Error, mbOK, 0);
        return TSaveResult::Refused;
    }
    return SaveAccount(owner);
}

TASetup::TSaveResult TASetup::SaveAccount(HWND owner) {
    bool isNew = NewAccount;
    int target = AccountIndex;
    std::string replacedKey;
    const int match = Accounts.FindByName(Values.Connection.AccountName);
    if (isNew && match >= 0) {
        MessageBeep(MB_ICONASTERISK);
        if (MessageDlgCenter(owner, OverwriteText, TMsgDlgType::Confirmation, mbYes | mbNo, 0) !=
            mrYes)
            return TSaveResult::Declined;
        isNew = false;
        target = match;
    }
    // An edit replaces the edited account's own key, also when another stored account carries
    // the same name; a key that another page still uses is left to that page.
    if (!isNew) {
        replacedKey = Accounts.Page(target)->KeyName;
        if (Accounts.FindByKey(replacedKey, target) >= 0) replacedKey.clear();
    }

    const std::string keyName =
        TAccountStore::AccountKeyName(Values.Connection.SIDNum, Values.Connection.SServ);
    const int sharing = Accounts.FindByKey(keyName, isNew ? -1 : target);
    if (sharing >= 0) {
        const std::string other = Accounts.Page(sharing)->AccountName();
        std::string text(std::strlen(SharedKeyText) + other.size(), '\0');
        text.resize(std::snprintf(text.data(), text.size() + 1, SharedKeyText, other.c_str()));
        MessageBeep(MB_ICONASTERISK);
        if (MessageDlgCenter(owner, text, TMsgDlgType::Confirmation, mbYes | mbNo, 0) != mrYes)
            return TSaveResult::Declined;
    }

    TChPage* created = nullptr;
    if (isNew) {
        // The new page loads nothing: "\Connect" itself is the current key.
        Registry.OpenKey(kConnectKey, true);
        created = Accounts.AddAccount();
        if (!created) return TSaveResult::Declined;  // every slot is used; AddPage said so
    }

    const std::string portSuffix = AccountFields::PortSuffix(Values.Connection.PortText);
    if (!Values.Connection.PassCheck) Values.Connection.SPass.clear();
    const std::string design =
        AccountFields::DesignHeader(Values.Design, LoadResString(S_NO_DESIGN));
    const std::vector<std::string> rules = RuleStrings();
    const int mode =
        AccountFields::AutoDelModeFor(Values.Mode, rules.size(), Values.Filter.AnyOn());

    TAccountSettings account;
    account.Name = Values.Connection.AccountName;
    account.Design = design;
    account.Serv = Values.Connection.SServ + portSuffix;
    account.IDNum = Values.Connection.SIDNum;
    account.APOPCheck = Values.Connection.SAPOPCheck;
    account.Security = Values.Connection.Security;
    // A trusted fingerprint belongs to the account's key: it stays while the user name and host
    // do, and goes with them when they change.
    if (!isNew && Accounts.Page(target)->KeyName == keyName)
        account.CertHash = Accounts.Page(target)->CertHash;
    account.OAuth = Values.OAuth;
    // A sign-in made in the dialog, else the edited account's own.
    account.RefreshToken = LoginMethod.SignedInToken();
    if (account.RefreshToken.empty() && !isNew)
        account.RefreshToken = Accounts.Page(target)->RefreshToken;
    account.Pass = Values.Connection.SPass;
    account.AutoDelMode = mode;
    account.Rules = rules;
    account.CheckEvery = Values.Periodic.CheckEvery;
    account.DeleteTicked = Values.Periodic.DeleteTicked;
    account.KeepCopy = Values.Periodic.KeepCopy;
    account.Filter = Values.Filter;
    TDpapiBox box;
    TAccountStore(Registry, &box).SaveAccount(account, keyName, replacedKey);

    if (isNew) {
        if (AccountIndex == 0) {
            // The values move from the "新規" page to the new account.
            TMainFrame& fresh = *Accounts.Page(0)->Frame;
            SetWindowTextA(fresh.Serv, "");
            SetWindowTextA(fresh.IDNum, "");
            SetWindowTextA(fresh.Pass, "");
            SetChecked(fresh.APOPCheck, false);
        }
        target = created->Index;
        NewAccount = false;
    }
    AccountIndex = target;

    TChPage& page = *Accounts.Page(target);
    page.LoadAccount(account);
    // The account's rules and checks may have changed: its list is decided by them at once.
    page.RulesChanged();
    page.KeyName = keyName;
    page.LogEnabled = Values.LogCheck;
    if (isNew) Accounts.Activate(target);
    return TSaveResult::Saved;
}
