#include "dialogs/DelHead.h"

#include <vector>

#include "headers/SjisText.h"
#include "settings/AccountFields.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"
#include "ui/Dpi.h"
#include "ui/ScreenBounds.h"
#include "ui/UiFont.h"

namespace {

const char* const HeaderItems[] = {
    "Cc:",       "Date:",     "Delivered-To:", "Error-To:", "Fcc:",     "From:", "Message-ID:",
    "Received:", "Reply-To:", "Return-Path:",  "Sender:",   "Subject:", "To:",
};

constexpr int ClientWidth = 336, ClientHeight = 124;

// The sentence reads: (header) に (text) が含まれるメールを削除チェックする.
const TControlSpec Controls[] = {
    {"STATIC", "対象ヘッダ", SS_LEFT, 0, 12, 8, 140, 16, -1},
    {"COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0, 12, 26, 140, 240,
     TDelHead::IdComboBox1},
    {"STATIC", "に", SS_LEFT, 0, 158, 30, 16, 16, -1},
    {"STATIC", "文字列", SS_LEFT, 0, 178, 8, 146, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 178, 26, 146, 23,
     TDelHead::IdEdit1},
    {"STATIC", "が含まれるメールを削除チェックする", SS_LEFT, 0, 12, 58, 312, 16, -1},
    {"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 86, 88, 80, 25, TDelHead::IdButton1},
    {"BUTTON", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, 172, 88, 80, 25, TDelHead::IdButton2},
};

}  // namespace

bool TDelHead::ShowModal(HWND owner) {
    Owner = owner;
    Accepted = false;
    RunModalDialog(owner);
    return Accepted;
}

INT_PTR TDelHead::DialogProc(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            FormCreate();
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IdButton1 && HIWORD(wParam) == BN_CLICKED) {
                Button1Click();
                return TRUE;
            }
            if (LOWORD(wParam) == IdButton2 && HIWORD(wParam) == BN_CLICKED) {
                EndDialog(Handle, IDCANCEL);
                return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

void TDelHead::FormCreate() {
    HFONT font = UiFont::Form(Dpi::Of(Handle));
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(Handle, "削除チェックヘッダの追加");
    HWND controls[8];
    CreateControls(Handle, Controls, font, controls);
    ComboBox1 = controls[1];
    Edit1 = controls[4];
    for (const char* item : HeaderItems)
        SendMessageA(ComboBox1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SetWindowTextA(ComboBox1, HeaderText.c_str());
    SetWindowTextA(Edit1, Text.c_str());

    PlaceOverOwner(Handle, Dpi::Scale(SIZE{ClientWidth, ClientHeight}, Dpi::Of(Handle)), Owner);
    SetFocus(Edit1);
}

void TDelHead::Button1Click() {
    const std::string header = SjisText::Trim(TextOf(ComboBox1));
    const std::string text = SjisText::Trim(TextOf(Edit1));
    Accepted = !header.empty() && !text.empty();
    if (Accepted) {
        HeaderText = AccountFields::HeaderName(header);
        Text = text;
    }
    EndDialog(Handle, IDOK);
}
