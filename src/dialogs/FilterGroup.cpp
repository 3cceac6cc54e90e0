#include "dialogs/FilterGroup.h"

#include <iterator>

#include "rules/AuthResults.h"
#include "rules/CharsetCheck.h"
#include "settings/AccountFields.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"
#include "ui/MsgDlg.h"

namespace {

constexpr int EditHeight = 23, ButtonHeight = 25;

const char* const NoListedMail =
    "一覧にメールがありません。接続してメールを一覧してから押してください。";
const char* const NoAuthResults =
    "一覧のメールには Authentication-Results ヘッダがありません。"
    "メールを受け取ったサーバが認証結果を書かない場合、この判定は使えません。";

// Left to right, top to bottom, in tab order.
const TControlSpec FilterControls[] = {
    {"BUTTON", "認証失敗 (dmarc=fail)", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 24, 190, 20,
     TFilterGroup::IdAuthFailCheck},
    {"STATIC", "authserv-id:", SS_LEFT, 0, 206, 27, 104, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 312, 22, 158, EditHeight,
     TFilterGroup::IdAuthServIdEdit},
    {"BUTTON", "一覧のメールから取得", BS_PUSHBUTTON | WS_TABSTOP, 0, 476, 21, 176, ButtonHeight,
     TFilterGroup::IdAuthServIdButton},
    {"BUTTON", "文字コード (件名・差出人名)", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 54, 284, 20,
     TFilterGroup::IdCharsetsCheck},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 312, 52, 340, EditHeight,
     TFilterGroup::IdCharsetsEdit},
    {"BUTTON", "なりすまし表示名 (差出人名に別のドメインのアドレス)", BS_AUTOCHECKBOX | WS_TABSTOP,
     0, 12, 82, 520, 20, TFilterGroup::IdSpoofCheck},
    {"STATIC", "サイズの上限 (KB、0 は判定しない)", SS_LEFT, 0, 12, 112, 284, 16, -1},
    {"EDIT", "", ES_NUMBER | WS_TABSTOP, WS_EX_CLIENTEDGE, 312, 108, 80, EditHeight,
     TFilterGroup::IdMaxSizeEdit},
};

}  // namespace

void TFilterGroup::Create(HWND dialog, const RECT& bounds, HFONT font) {
    Dialog = dialog;
    Group.Create(dialog, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, "迷惑メールの判定");
    SendMessageA(Group.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND controls[std::size(FilterControls)];
    ::CreateControls(Group.Handle, FilterControls, font, controls);
    Controls.assign(std::begin(controls), std::end(controls));
    AuthFailCheck = controls[0];
    AuthServIdEdit = controls[2];
    AuthServIdButton = controls[3];
    CharsetsCheck = controls[4];
    CharsetsEdit = controls[5];
    SpoofCheck = controls[6];
    MaxSizeEdit = controls[8];
}

void TFilterGroup::Show(const TAccountFilter& filter) {
    SetChecked(AuthFailCheck, filter.AuthFail);
    SetWindowTextA(AuthServIdEdit, filter.AuthServId.c_str());
    SetChecked(CharsetsCheck, !filter.Charsets.empty());
    SetWindowTextA(CharsetsEdit,
                   (filter.Charsets.empty() ? filter.KeptCharsets : filter.Charsets).c_str());
    SetChecked(SpoofCheck, filter.Spoof);
    SetWindowTextA(MaxSizeEdit, std::to_string(filter.MaxSize).c_str());
    Enable(Enabled);
}

bool TFilterGroup::Read(TAccountFilter& filter) const {
    AccountFields::TFilterFields fields;
    fields.AuthFail = Checked(AuthFailCheck);
    fields.AuthServId = TextOf(AuthServIdEdit);
    fields.CharsetsOn = Checked(CharsetsCheck);
    fields.Charsets = TextOf(CharsetsEdit);
    fields.Spoof = Checked(SpoofCheck);
    fields.MaxSizeText = TextOf(MaxSizeEdit);
    std::string error;
    AccountFields::TFilterField faulty{};
    if (AccountFields::FilterFromFields(fields, filter, error, faulty)) return true;
    MessageBeep(MB_ICONASTERISK);
    MessageDlgCenter(Dialog, error, TMsgDlgType::Error, mbOK, 0);
    HWND field = faulty == AccountFields::TFilterField::AuthServId ? AuthServIdEdit
                 : faulty == AccountFields::TFilterField::Charsets ? CharsetsEdit
                                                                   : MaxSizeEdit;
    if (IsWindowEnabled(field)) SetFocus(field);
    return false;
}

void TFilterGroup::Enable(bool enabled) {
    Enabled = enabled;
    for (HWND control : Controls) EnableWindow(control, enabled);
    // A field counts only while its check is on.
    EnableWindow(CharsetsEdit, enabled && Checked(CharsetsCheck));
    EnableWindow(AuthServIdEdit, enabled && Checked(AuthFailCheck));
    EnableWindow(AuthServIdButton, enabled && Checked(AuthFailCheck));
}

bool TFilterGroup::HandleCommand(int id, const std::vector<std::string>& listedIds) {
    switch (id) {
        case IdAuthServIdButton:
            FillAuthServId(listedIds);
            return true;
        case IdCharsetsCheck:
            CharsetsCheckClick();
            return true;
        case IdAuthFailCheck:
            Enable(Enabled);
            return true;
    }
    return false;
}

void TFilterGroup::FillAuthServId(const std::vector<std::string>& listedIds) {
    const std::string found = TAuthResults::MostCommon(listedIds);
    if (found.empty()) {
        MessageBeep(MB_ICONASTERISK);
        MessageDlgCenter(Dialog, listedIds.empty() ? NoListedMail : NoAuthResults,
                         TMsgDlgType::Information, mbOK, 0);
        return;
    }
    SetWindowTextA(AuthServIdEdit, found.c_str());
}

void TFilterGroup::CharsetsCheckClick() {
    // The usual foreign charsets of bulk mail to start from.
    if (Checked(CharsetsCheck) && TextOf(CharsetsEdit).empty())
        SetWindowTextA(CharsetsEdit, TCharsetCheck::DefaultList);
    Enable(Enabled);
}
