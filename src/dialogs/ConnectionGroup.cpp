#include "dialogs/ConnectionGroup.h"

#include <commctrl.h>

#include <cstdlib>
#include <iterator>

#include "settings/AccountFields.h"
#include "settings/SettingsKeys.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"

namespace {

constexpr int EditHeight = 23;

// Labels on the left, fields on the right, in tab order.
const TControlSpec ConnectionControls[] = {
    {"STATIC", "アカウント名", SS_LEFT, 0, 12, 26, 96, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 112, 22, 180, EditHeight,
     TConnectionGroup::IdAccountEdit},
    {"STATIC", "POP3サーバ名", SS_LEFT, 0, 12, 54, 96, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 112, 50, 180, EditHeight,
     TConnectionGroup::IdSServ},
    {"STATIC", "接続ユーザ名", SS_LEFT, 0, 12, 82, 96, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 112, 78, 180, EditHeight,
     TConnectionGroup::IdSIDNum},
    {"STATIC", "パスワード", SS_LEFT, 0, 12, 110, 96, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP, WS_EX_CLIENTEDGE, 112, 106, 180,
     EditHeight, TConnectionGroup::IdSPass},
    {"STATIC", "ポート番号", SS_LEFT, 0, 12, 138, 96, 16, -1},
    {"EDIT", "", ES_NUMBER | WS_TABSTOP, WS_EX_CLIENTEDGE, 112, 134, 70, EditHeight,
     TConnectionGroup::IdPortEdit},
    {UPDOWN_CLASSA, "", UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 182,
     134, 17, EditHeight, TConnectionGroup::IdPortUpDown},
    {"STATIC", "接続の保護", SS_LEFT, 0, 12, 166, 96, 16, -1},
    {"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 112, 162, 120, 120,
     TConnectionGroup::IdSecurityCombo},
    {"BUTTON", "APOP認証", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 192, 120, 20,
     TConnectionGroup::IdSAPOPCheck},
    {"BUTTON", "パスワードの保存", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 140, 192, 150, 20,
     TConnectionGroup::IdPassCheck},
};

// The protection choices in the order of their stored numbers (kSecurity...).
const char* const SecurityItems[] = {"なし", "SSL/TLS", "STARTTLS"};

}  // namespace

void TConnectionGroup::Create(HWND dialog, const RECT& bounds, HFONT font) {
    Group.Create(dialog, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, "接続先");
    SendMessageA(Group.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND controls[std::size(ConnectionControls)];
    ::CreateControls(Group.Handle, ConnectionControls, font, controls);
    AccountEdit = controls[1];
    SServ = controls[3];
    SIDNum = controls[5];
    SPass = controls[7];
    PortEdit = controls[9];
    PortUpDown = controls[10];
    SecurityCombo = controls[12];
    SAPOPCheck = controls[13];
    PassCheck = controls[14];
    for (const char* item : SecurityItems)
        SendMessageA(SecurityCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageA(SecurityCombo, CB_SETCURSEL, kSecurityNone, 0);
    SendMessageA(SPass, EM_SETPASSWORDCHAR, '*', 0);
    SendMessageA(PortUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(PortEdit), 0);
    SendMessageA(PortUpDown, UDM_SETRANGE32, 0, AccountFields::MaxPort);
    SendMessageA(PortUpDown, UDM_SETPOS32, 0, AccountFields::DefaultPort);
}

void TConnectionGroup::Show(const TValues& values) {
    SetWindowTextA(AccountEdit, values.AccountName.c_str());
    SetWindowTextA(SServ, values.SServ.c_str());
    SendMessageA(PortUpDown, UDM_SETPOS32, 0, std::atoi(values.PortText.c_str()));
    SetWindowTextA(PortEdit, values.PortText.c_str());
    SetWindowTextA(SIDNum, values.SIDNum.c_str());
    SetWindowTextA(SPass, values.SPass.c_str());
    SetChecked(SAPOPCheck, values.SAPOPCheck);
    SendMessageA(SecurityCombo, CB_SETCURSEL, values.Security, 0);
    SetChecked(PassCheck, values.PassCheck);
}

TConnectionGroup::TValues TConnectionGroup::Read() const {
    TValues values;
    values.AccountName = TextOf(AccountEdit);
    values.SServ = TextOf(SServ);
    values.PortText = TextOf(PortEdit);
    values.SIDNum = TextOf(SIDNum);
    values.SPass = TextOf(SPass);
    values.SAPOPCheck = Checked(SAPOPCheck);
    values.PassCheck = Checked(PassCheck);
    const LRESULT security = SendMessageA(SecurityCombo, CB_GETCURSEL, 0, 0);
    values.Security = security == CB_ERR ? kSecurityNone : static_cast<int>(security);
    return values;
}

void TConnectionGroup::SecurityComboChange() {
    const LRESULT security = SendMessageA(SecurityCombo, CB_GETCURSEL, 0, 0);
    if (security == CB_ERR) return;
    const std::string port =
        AccountFields::PortForSecurity(TextOf(PortEdit), static_cast<int>(security));
    if (port == TextOf(PortEdit)) return;
    SendMessageA(PortUpDown, UDM_SETPOS32, 0, std::atoi(port.c_str()));
    SetWindowTextA(PortEdit, port.c_str());
}
