#include "dialogs/AutoCheckGroup.h"

#include <commctrl.h>

#include "dialogs/DelHead.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"
#include "ui/Dpi.h"
#include "ui/ResStrings.h"

namespace {

constexpr int ButtonHeight = 25;

// The three choices with the panels under the first two.
const TControlSpec HeadRadioSpec = {
    "BUTTON", "ヘッダ検索モード",          BS_RADIOBUTTON | WS_TABSTOP, 0, 12, 22, 220,
    20,       TAutoCheckGroup::IdHeadRadio};
const TControlSpec PPCheckSpec = {
    "BUTTON", "ポストペットモード",      BS_RADIOBUTTON | WS_TABSTOP, 0, 12, 196, 220,
    20,       TAutoCheckGroup::IdPPCheck};
const TControlSpec NotRadioSpec = {"BUTTON", "利用しない", BS_RADIOBUTTON | WS_TABSTOP, 0, 12, 288,
                                   220,      20,           TAutoCheckGroup::IdNotRadio};
const TControlSpec HeadButtons[] = {
    {"BUTTON", "追加", BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 118, 70, ButtonHeight,
     TAutoCheckGroup::IdAddButton},
    {"BUTTON", "削除", BS_PUSHBUTTON | WS_TABSTOP, 0, 76, 118, 70, ButtonHeight,
     TAutoCheckGroup::IdDelButton},
};
const TControlSpec PPLabelSpec = {
    "STATIC", "", SS_LEFT, 0, 0, 0, 228, 40, TAutoCheckGroup::IdPPLabel};
const TColumnSpec RuleColumns[] = {{"ヘッダタイトル", 105, LVCFMT_LEFT},
                                   {"含まれる文字", 100, LVCFMT_CENTER}};

void CreatePanel(TKvPanel& panel, HWND parent, int x, int y, int w, int h, HFONT font) {
    panel.BevelInner = panel.BevelOuter = TBevelCut::None;
    panel.Create(parent, x, y, w, h);
    SendMessageA(panel.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

}  // namespace

void TAutoCheckGroup::Create(HWND dialog, const RECT& bounds, HFONT font) {
    Dialog = dialog;
    Group.Create(dialog, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, "自動チェック");
    SendMessageA(Group.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HeadRadio = CreateControl(Group.Handle, HeadRadioSpec, font);
    const int dpi = Dpi::Of(dialog);
    CreatePanel(HeadPanel, Group.Handle, 28, 44, 228, 144, font);
    DelView = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                              0, 0, Dpi::Scale(228, dpi), Dpi::Scale(112, dpi), HeadPanel.Handle,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdDelView)),
                              GetModuleHandleA(nullptr), nullptr);
    SendMessageA(DelView, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(DelView, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    InsertColumns(DelView, RuleColumns);
    // The captions whole, however wide the font draws them.
    for (int column = 0; column < 2; ++column) {
        const int needed = ColumnWidthFor(font, RuleColumns[column].Caption);
        if (needed > SendMessageA(DelView, LVM_GETCOLUMNWIDTH, column, 0))
            SendMessageA(DelView, LVM_SETCOLUMNWIDTH, column, needed);
    }
    ::CreateControls(HeadPanel.Handle, HeadButtons, font);
    PPCheck = CreateControl(Group.Handle, PPCheckSpec, font);
    CreatePanel(PPPanel, Group.Handle, 28, 220, 228, 40, font);
    PPLabel = CreateControl(PPPanel.Handle, PPLabelSpec, font);
    SetWindowTextA(PPLabel, LoadResString(S_PET_LABEL).c_str());
    NotRadio = CreateControl(Group.Handle, NotRadioSpec, font);
    ChooseMode(IdNotRadio);  // no automatic check until the page says otherwise
}

void TAutoCheckGroup::Show(AccountFields::TModeChoice mode) {
    switch (mode) {
        case AccountFields::TModeChoice::HeaderSearch:
            ChooseMode(IdHeadRadio);
            break;
        case AccountFields::TModeChoice::PostPet:
            ChooseMode(IdPPCheck);
            break;
        case AccountFields::TModeChoice::None:
            break;
    }
}

AccountFields::TModeChoice TAutoCheckGroup::Mode() const {
    return Checked(HeadRadio) ? AccountFields::TModeChoice::HeaderSearch
           : Checked(PPCheck) ? AccountFields::TModeChoice::PostPet
                              : AccountFields::TModeChoice::None;
}

bool TAutoCheckGroup::HandleCommand(int id) {
    switch (id) {
        case IdAddButton:
            AddButtonClick();
            return true;
        case IdDelButton:
            DelButtonClick();
            return true;
        case IdHeadRadio:
        case IdPPCheck:
        case IdNotRadio:
            ChooseMode(id);
            return true;
    }
    return false;
}

void TAutoCheckGroup::ChooseMode(int radioId) {
    SetChecked(HeadRadio, radioId == IdHeadRadio);
    SetChecked(PPCheck, radioId == IdPPCheck);
    SetChecked(NotRadio, radioId == IdNotRadio);
    EnableWindow(HeadPanel.Handle, radioId == IdHeadRadio);
    EnableWindow(PPPanel.Handle, radioId == IdPPCheck);
}

void TAutoCheckGroup::AddButtonClick() {
    TDelHead rule;
    if (rule.ShowModal(Dialog)) AddRule(rule.HeaderText, rule.Text);
}

void TAutoCheckGroup::AddRule(const std::string& header, const std::string& text) {
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

void TAutoCheckGroup::DelButtonClick() {
    const int row = static_cast<int>(SendMessageA(DelView, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    if (row >= 0) SendMessageA(DelView, LVM_DELETEITEM, row, 0);
}

std::vector<std::string> TAutoCheckGroup::RuleStrings() const {
    std::vector<std::string> rules;
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
