#include "dialogs/ASetup.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "auth/DpapiBox.h"
#include "dialogs/DelHead.h"
#include "headers/MainDM.h"
#include "page/AccountDirectory.h"
#include "page/ChPage.h"
#include "settings/AccountStore.h"
#include "settings/SettingsKeys.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"
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

constexpr int EditHeight = 23, ButtonHeight = 25;

// The connection group: labels on the left, fields on the right, in tab order.
const TControlSpec ConnectionControls[] = {
    {"STATIC", "アカウント名", SS_LEFT, 0, 12, 26, 96, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 112, 22, 180, EditHeight,
     TASetup::IdAccountEdit},
    {"STATIC", "POP3サーバ名", SS_LEFT, 0, 12, 54, 96, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 112, 50, 180, EditHeight,
     TASetup::IdSServ},
    {"STATIC", "接続ユーザ名", SS_LEFT, 0, 12, 82, 96, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 112, 78, 180, EditHeight,
     TASetup::IdSIDNum},
    {"STATIC", "パスワード", SS_LEFT, 0, 12, 110, 96, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP, WS_EX_CLIENTEDGE, 112, 106, 180,
     EditHeight, TASetup::IdSPass},
    {"STATIC", "ポート番号", SS_LEFT, 0, 12, 138, 96, 16, -1},
    {"EDIT", "", ES_NUMBER | WS_TABSTOP, WS_EX_CLIENTEDGE, 112, 134, 70, EditHeight,
     TASetup::IdPortEdit},
    {UPDOWN_CLASSA, "", UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 182,
     134, 17, EditHeight, TASetup::IdPortUpDown},
    {"STATIC", "接続の保護", SS_LEFT, 0, 12, 166, 96, 16, -1},
    {"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 112, 162, 120, 120,
     TASetup::IdSecurityCombo},
    {"BUTTON", "APOP認証", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 192, 120, 20,
     TASetup::IdSAPOPCheck},
    {"BUTTON", "パスワードの保存", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 140, 192, 150, 20,
     TASetup::IdPassCheck},
};
constexpr int ConnectionCount = sizeof ConnectionControls / sizeof ConnectionControls[0];

// The protection choices in the order of their stored numbers (kSecurity...).
const char* const SecurityItems[] = {"なし", "SSL/TLS", "STARTTLS"};

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

// The automatic check group: the three choices with the panels under the first two.
const TControlSpec HeadRadioSpec = {
    "BUTTON", "ヘッダ検索モード",  BS_RADIOBUTTON | WS_TABSTOP, 0, 12, 22, 220,
    20,       TASetup::IdHeadRadio};
const TControlSpec PPCheckSpec = {
    "BUTTON", "ポストペットモード", BS_RADIOBUTTON | WS_TABSTOP, 0, 12, 196, 220,
    20,       TASetup::IdPPCheck};
const TControlSpec NotRadioSpec = {"BUTTON", "利用しない", BS_RADIOBUTTON | WS_TABSTOP, 0, 12, 288,
                                   220,      20,           TASetup::IdNotRadio};
const TControlSpec HeadButtons[] = {
    {"BUTTON", "追加", BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 118, 70, ButtonHeight,
     TASetup::IdAddButton},
    {"BUTTON", "削除", BS_PUSHBUTTON | WS_TABSTOP, 0, 76, 118, 70, ButtonHeight,
     TASetup::IdDelButton},
};
const TControlSpec PPLabelSpec = {"STATIC", "", SS_LEFT, 0, 0, 0, 228, 40, TASetup::IdPPLabel};

// The periodic check group, below the others in the extended view.
constexpr RECT PeriodicBounds{8, 336, 684, 432};
constexpr int DefaultCheckEvery = 10;  // shown while the check is off
// The spam checks, below the periodic check.
constexpr RECT FilterBounds{8, 440, 684, 580};
constexpr RECT LoginMethodBounds{8, 588, 684, 716};
const TControlSpec PeriodicControls[] = {
    {"BUTTON", "定期的に新着確認する(&P)", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 24, 180, 20,
     TASetup::IdCheckEveryTick},
    {"EDIT", "", ES_NUMBER | WS_TABSTOP, WS_EX_CLIENTEDGE, 196, 22, 56, EditHeight,
     TASetup::IdCheckEveryEdit},
    {UPDOWN_CLASSA, "", UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 252,
     22, 17, EditHeight, TASetup::IdCheckEveryUpDown},
    {"STATIC", "分ごと", SS_LEFT, 0, 274, 26, 100, 16, -1},
    {"BUTTON", "ルールや判定の削除チェックで自動削除する (手で付け外ししたメールは除く)",
     BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 50, 660, 20, TASetup::IdDeleteTickedCheck},
    {"BUTTON", "自動削除するメールのコピーを保存する (削除の前に本文を受信します)",
     BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 72, 660, 20, TASetup::IdKeepCopyCheck},
};

}  // namespace

TASetup::TASetup(TAccountDirectory& accounts, TRegistryAccessor& registry, int slot)
    : AccountIndex(slot), Accounts(accounts), Registry(registry) {
    FormCreate();
}

TASetup::~TASetup() = default;

void TASetup::FormCreate() {
    if (!Accounts.Page(AccountIndex)) AccountIndex = 0;
    const TChPage& page = *Accounts.Page(AccountIndex);
    if (AccountIndex != 0) Values.AccountName = page.AccountName();
    Values.SIDNum = TextOf(page.Frame->IDNum);
    Values.SPass = TextOf(page.Frame->Pass);
    const AccountFields::TServerParts server = AccountFields::SplitServer(TextOf(page.Frame->Serv));
    Values.PortText = std::to_string(server.Port);
    Values.SServ = server.Host;
    Values.SAPOPCheck = Checked(page.Frame->APOPCheck);
    Values.Security = KnownSecurity(page.Security);
    Values.Design = page.Design.empty() ? LoadResString(S_NO_DESIGN) : page.Design;
    Values.PassCheck = !Values.SPass.empty();
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
        Values.CheckEvery = stored.CheckEvery;
        Values.DeleteTicked = stored.DeleteTicked;
        Values.KeepCopy = stored.KeepCopy;
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
            SetFocus(IsWindowEnabled(AccountEdit) ? AccountEdit : SServ);
            return FALSE;
        case WM_PB_SIGNIN_DONE:
            LoginMethod.SignInEnded();
            return TRUE;
        case WM_PB_SIGNIN_CODE:
            LoginMethod.CodeShown();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IdSecurityCombo && HIWORD(wParam) == CBN_SELCHANGE) {
                SecurityComboChange();
                return TRUE;
            }
            if (LoginMethod.HandleCommand(LOWORD(wParam), HIWORD(wParam), TextOf(SIDNum)))
                return TRUE;
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            if (Filters.HandleCommand(LOWORD(wParam), ListedAuthServIds())) return TRUE;
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
                case IdAddButton:
                    AddButtonClick();
                    return TRUE;
                case IdDelButton:
                    DelButtonClick();
                    return TRUE;
                case IdHeadRadio:
                case IdPPCheck:
                case IdNotRadio:
                    ChooseMode(LOWORD(wParam));
                    return TRUE;
                case IdCheckEveryTick:
                    CheckEveryTickClick();
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

void TASetup::CreateControls() {
    HFONT font = UiFont::Form();
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    auto group = [&](TKvPanel& panel, HWND parent, const char* caption, int x, int y, int w,
                     int h) {
        panel.Create(parent, x, y, w, h, caption);
        SendMessageA(panel.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    };

    group(KvPanelEx1, Handle, "接続先", 8, 6, 305, 218);
    HWND connection[ConnectionCount];
    ::CreateControls(KvPanelEx1.Handle, ConnectionControls, font, connection);
    AccountEdit = connection[1];
    SServ = connection[3];
    SIDNum = connection[5];
    SPass = connection[7];
    PortEdit = connection[9];
    PortUpDown = connection[10];
    SecurityCombo = connection[12];
    SAPOPCheck = connection[13];
    PassCheck = connection[14];
    for (const char* item : SecurityItems)
        SendMessageA(SecurityCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageA(SecurityCombo, CB_SETCURSEL, kSecurityNone, 0);
    SendMessageA(SPass, EM_SETPASSWORDCHAR, '*', 0);
    SendMessageA(PortUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(PortEdit), 0);
    SendMessageA(PortUpDown, UDM_SETRANGE32, 0, AccountFields::MaxPort);
    SendMessageA(PortUpDown, UDM_SETPOS32, 0, AccountFields::DefaultPort);

    HWND buttons[4];
    ::CreateControls(Handle, DialogButtons, font, buttons);
    OKButton = buttons[0];
    CanButton = buttons[1];
    ExtensionButton = buttons[2];
    HelpButton = buttons[3];

    group(KvPanelEx3, Handle, "指定表示ヘッダ", 8, 240, 305, 56);
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

    group(KvPanelEx2, Handle, "自動チェック", 420, 6, 264, 310);
    HeadRadio = CreateControl(KvPanelEx2.Handle, HeadRadioSpec, font);
    HeadPanel.BevelInner = HeadPanel.BevelOuter = TBevelCut::None;
    group(HeadPanel, KvPanelEx2.Handle, "", 28, 44, 228, 144);
    DelView = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                              0, 0, 228, 112, HeadPanel.Handle,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdDelView)),
                              GetModuleHandleA(nullptr), nullptr);
    SendMessageA(DelView, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(DelView, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const TColumnSpec columns[] = {{"ヘッダタイトル", 105, LVCFMT_LEFT},
                                   {"含まれる文字", 100, LVCFMT_CENTER}};
    InsertColumns(DelView, columns);
    // The captions whole, however wide the font draws them.
    for (int column = 0; column < 2; ++column) {
        const int needed = ColumnWidthFor(font, columns[column].Caption);
        if (needed > columns[column].Width)
            SendMessageA(DelView, LVM_SETCOLUMNWIDTH, column, needed);
    }
    HWND headButtons[2];
    ::CreateControls(HeadPanel.Handle, HeadButtons, font, headButtons);
    AddButton = headButtons[0];
    DelButton = headButtons[1];
    PPCheck = CreateControl(KvPanelEx2.Handle, PPCheckSpec, font);
    PPPanel.BevelInner = PPPanel.BevelOuter = TBevelCut::None;
    group(PPPanel, KvPanelEx2.Handle, "", 28, 220, 228, 40);
    PPLabel = CreateControl(PPPanel.Handle, PPLabelSpec, font);
    NotRadio = CreateControl(KvPanelEx2.Handle, NotRadioSpec, font);
    CreatePeriodicControls(font);
    Filters.Create(Handle, FilterBounds, font);
    LoginMethod.Create(Handle, LoginMethodBounds, font,
                       {SServ, PortEdit, PortUpDown, SecurityCombo, SAPOPCheck, SPass});
    SetChecked(NotRadio, true);  // no automatic check until the page says otherwise
    EnableWindow(HeadPanel.Handle, FALSE);
    EnableWindow(PPPanel.Handle, FALSE);
    Filters.Enable(false);
}

void TASetup::ShowValues() {
    Filters.Show(Values.Filter);
    SetWindowTextA(AccountEdit, Values.AccountName.c_str());
    SetWindowTextA(SServ, Values.SServ.c_str());
    SendMessageA(PortUpDown, UDM_SETPOS32, 0, std::atoi(Values.PortText.c_str()));
    SetWindowTextA(PortEdit, Values.PortText.c_str());
    SetWindowTextA(SIDNum, Values.SIDNum.c_str());
    SetWindowTextA(SPass, Values.SPass.c_str());
    SetChecked(SAPOPCheck, Values.SAPOPCheck);
    LoginMethod.Show(Values.OAuth, Values.SAPOPCheck, Values.SignedIn);
    SendMessageA(SecurityCombo, CB_SETCURSEL, Values.Security, 0);
    SetWindowTextA(DesignCombo, Values.Design.c_str());
    SetChecked(PassCheck, Values.PassCheck);
    SetWindowTextA(PPLabel, LoadResString(S_PET_LABEL).c_str());
    switch (Values.Mode) {
        case AccountFields::TModeChoice::HeaderSearch:
            ChooseMode(IdHeadRadio);
            break;
        case AccountFields::TModeChoice::PostPet:
            ChooseMode(IdPPCheck);
            break;
        case AccountFields::TModeChoice::None:
            break;
    }
    for (const auto& rule : Values.Rules) AddRuleRow(rule.first, rule.second);
    Values.Rules.clear();  // the list holds them from now on
    SetChecked(LogCheck, Values.LogCheck);
    SetChecked(CheckEveryTick, Values.CheckEvery > 0);
    SendMessageA(CheckEveryUpDown, UDM_SETPOS32, 0,
                 Values.CheckEvery > 0 ? Values.CheckEvery : DefaultCheckEvery);
    SetChecked(DeleteTickedCheck, Values.DeleteTicked);
    SetChecked(KeepCopyCheck, Values.KeepCopy);
    CheckEveryTickClick();
}

void TASetup::CheckEveryTickClick() {
    // What happens at a periodic check means nothing while there is none; the ticks stay.
    const bool periodic = Checked(CheckEveryTick);
    EnableWindow(DeleteTickedCheck, periodic);
    EnableWindow(KeepCopyCheck, periodic);
}

void TASetup::ReadValues() {
    Values.AccountName = TextOf(AccountEdit);
    Values.SServ = TextOf(SServ);
    Values.PortText = TextOf(PortEdit);
    Values.SIDNum = TextOf(SIDNum);
    Values.SPass = TextOf(SPass);
    Values.SAPOPCheck = Checked(SAPOPCheck);
    Values.OAuth = LoginMethod.Read();
    Values.PassCheck = Checked(PassCheck);
    const LRESULT security = SendMessageA(SecurityCombo, CB_GETCURSEL, 0, 0);
    Values.Security = security == CB_ERR ? kSecurityNone : static_cast<int>(security);
    Values.Mode = Checked(HeadRadio) ? AccountFields::TModeChoice::HeaderSearch
                  : Checked(PPCheck) ? AccountFields::TModeChoice::PostPet
                                     : AccountFields::TModeChoice::None;
    Values.Design = TextOf(DesignCombo);
    Values.LogCheck = Checked(LogCheck);
    int minutes = 0;
    std::string unused;
    Values.CheckEvery = Checked(CheckEveryTick) &&
                                AccountFields::CheckEveryFromText(TextOf(CheckEveryEdit), minutes,
                                                                  unused)
                            ? minutes
                            : 0;
    Values.DeleteTicked = Checked(DeleteTickedCheck);
    Values.KeepCopy = Checked(KeepCopyCheck);
}

void TASetup::CreatePeriodicControls(HFONT font) {
    PeriodicGroup.Create(Handle, PeriodicBounds.left, PeriodicBounds.top,
                         PeriodicBounds.right - PeriodicBounds.left,
                         PeriodicBounds.bottom - PeriodicBounds.top, "定期的な新着確認");
    SendMessageA(PeriodicGroup.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND controls[std::size(PeriodicControls)];
    ::CreateControls(PeriodicGroup.Handle, PeriodicControls, font, controls);
    CheckEveryTick = controls[0];
    CheckEveryEdit = controls[1];
    CheckEveryUpDown = controls[2];
    DeleteTickedCheck = controls[4];
    KeepCopyCheck = controls[5];
    SendMessageA(CheckEveryUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(CheckEveryEdit), 0);
    SendMessageA(CheckEveryUpDown, UDM_SETRANGE32, 1, kMaxCheckEvery);
}

void TASetup::FormShow() {
    // The name of an existing account cannot be changed; the disabled field shows button face.
    EnableWindow(AccountEdit, NewAccount);
    if (NewAccount) SetWindowTextA(AccountEdit, "");
}

void TASetup::SetBasicView(bool basic) {
    Basic = basic;
    if (!Handle) return;
    SetWindowTextA(ExtensionButton, basic ? "拡張 >>" : "<< 基本");
    const SIZE size = basic ? BasicSize : ExtendedSize;
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

void TASetup::ChooseMode(int radioId) {
    SetChecked(HeadRadio, radioId == IdHeadRadio);
    SetChecked(PPCheck, radioId == IdPPCheck);
    SetChecked(NotRadio, radioId == IdNotRadio);
    HeadRadioClick();
}

void TASetup::HeadRadioClick() {
    if (Checked(NotRadio)) {
        EnableWindow(HeadPanel.Handle, FALSE);
        EnableWindow(PPPanel.Handle, FALSE);
    } else {
        EnableWindow(HeadPanel.Handle, Checked(HeadRadio));
        EnableWindow(PPPanel.Handle, Checked(PPCheck));
    }
    Filters.Enable(Checked(HeadRadio));
}

std::vector<std::string> TASetup::ListedAuthServIds() const {
    // A new account has listed nothing; the page it was opened on is another account's.
    if (NewAccount) return {};
    const TChPage* page = Accounts.Page(AccountIndex);
    return page ? page->ListedAuthServIds : std::vector<std::string>();
}

void TASetup::SecurityComboChange() {
    const LRESULT security = SendMessageA(SecurityCombo, CB_GETCURSEL, 0, 0);
    if (security == CB_ERR) return;
    const std::string port =
        AccountFields::PortForSecurity(TextOf(PortEdit), static_cast<int>(security));
    if (port == TextOf(PortEdit)) return;
    SendMessageA(PortUpDown, UDM_SETPOS32, 0, std::atoi(port.c_str()));
    SetWindowTextA(PortEdit, port.c_str());
}

void TASetup::AddButtonClick() {
    TDelHead rule;
    if (rule.ShowModal(Handle)) AddRule(rule.HeaderText, rule.Text);
}

void TASetup::AddRule(const std::string& header, const std::string& text) {
    if (DelView)
        AddRuleRow(header, text);
    else
        Values.Rules.emplace_back(header, text);
}

void TASetup::AddRuleRow(const std::string& header, const std::string& text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageA(DelView, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(header.c_str());
    const int row = static_cast<int>(
        SendMessageA(DelView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    item.iItem = row;
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(DelView, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void TASetup::DelButtonClick() {
    const int row = static_cast<int>(SendMessageA(DelView, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    if (row >= 0) SendMessageA(DelView, LVM_DELETEITEM, row, 0);
}

std::vector<std::string> TASetup::RuleStrings() const {
    std::vector<std::string> rules;
    if (!DelView) {
        for (const auto& rule : Values.Rules) rules.push_back(rule.first + "," + rule.second);
        return rules;
    }
    const int count = static_cast<int>(SendMessageA(DelView, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::string cells[2];
        for (int column = 0; column < 2; ++column) {
            char text[1024] = {};
            LVITEMA item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            const int length = static_cast<int>(
                SendMessageA(DelView, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
            cells[column].assign(text, length > 0 ? length : 0);
        }
        rules.push_back(cells[0] + "," + cells[1]);
    }
    return rules;
}

void TASetup::HelpButtonClick() {
    ShellExecuteA(Handle, "OPEN", LoadResString(S_HELP_FILE).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

bool TASetup::CheckEveryAccepted() {
    if (!Checked(CheckEveryTick)) return true;
    int minutes = 0;
    std::string error;
    if (AccountFields::CheckEveryFromText(TextOf(CheckEveryEdit), minutes, error)) return true;
    MessageBeep(MB_ICONASTERISK);
    MessageDlgCenter(Handle, error, TMsgDlgType::Error, mbOK, 0);
    // The field is out of sight in the basic view.
    if (Basic) SetBasicView(false);
    SetFocus(CheckEveryEdit);
    SendMessageA(CheckEveryEdit, EM_SETSEL, 0, -1);
    return false;
}

void TASetup::OKButtonClick() {
    if (!CheckEveryAccepted()) return;
    ReadValues();
    if (AccountFields::PortBeyondRange(Values.PortText)) {
        MessageBeep(MB_ICONASTERISK);
        MessageDlgCenter(Handle, PortRangeText, TMsgDlgType::Error, mbOK, 0);
        SetFocus(PortEdit);
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
    if (Values.AccountName.empty()) {
        MessageBeep(MB_ICONASTERISK);
        MessageDlgCenter(owner, NoNameText, TMsgDlgType::Information, mbOK, 0);
        return TSaveResult::Refused;
    }
    if (Values.AccountName == LoadResString(S_NEW_NAME)) {
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
    const int match = Accounts.FindByName(Values.AccountName);
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

    const std::string keyName = TAccountStore::AccountKeyName(Values.SIDNum, Values.SServ);
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

    const std::string portSuffix = AccountFields::PortSuffix(Values.PortText);
    if (!Values.PassCheck) Values.SPass.clear();
    const std::string design =
        AccountFields::DesignHeader(Values.Design, LoadResString(S_NO_DESIGN));
    const std::vector<std::string> rules = RuleStrings();
    const int mode =
        AccountFields::AutoDelModeFor(Values.Mode, rules.size(), Values.Filter.AnyOn());

    TAccountSettings account;
    account.Name = Values.AccountName;
    account.Design = design;
    account.Serv = Values.SServ + portSuffix;
    account.IDNum = Values.SIDNum;
    account.APOPCheck = Values.SAPOPCheck;
    account.Security = Values.Security;
    // A trusted fingerprint belongs to the account's key: it stays while the user name and host
    // do, and goes with them when they change.
    if (!isNew && Accounts.Page(target)->KeyName == keyName)
        account.CertHash = Accounts.Page(target)->CertHash;
    account.OAuth = Values.OAuth;
    // A sign-in made in the dialog, else the edited account's own.
    account.RefreshToken = LoginMethod.SignedInToken();
    if (account.RefreshToken.empty() && !isNew)
        account.RefreshToken = Accounts.Page(target)->RefreshToken;
    account.Pass = Values.SPass;
    account.AutoDelMode = mode;
    account.Rules = rules;
    account.CheckEvery = Values.CheckEvery;
    account.DeleteTicked = Values.DeleteTicked;
    account.KeepCopy = Values.KeepCopy;
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
