#include "page/ChPage.h"

#include <commctrl.h>

#include "settings/AccountFields.h"
#include "ui/ControlText.h"
#include "ui/PageControl.h"

TChPage::TChPage(TPageHost& host, TPageControl& tabs, int index)
    : Host(host), Tabs(tabs), Index(index) {
    TabSheet = std::make_unique<TTabSheet>(Tabs, index);
    Frame = std::make_unique<TMainFrame>(*this, TabSheet->Handle, index);
    Bridge = std::make_unique<TPageBridge>(*this);
    Worker = TConnect::Create(index, *Bridge);
}

TChPage::~TChPage() {
    // An idle worker is woken to end and waited for; a busy one stops at its next step and
    // never reaches the page again.
    Worker.reset();
    Bridge.reset();
    Frame.reset();
    TabSheet.reset();
}

void TChPage::LoadAccount(const TAccountSettings& account) {
    SetAccountName(account.Name);
    Design = account.Design;
    SetWindowTextA(Frame->Serv, account.Serv.c_str());
    SetWindowTextA(Frame->IDNum, account.IDNum.c_str());
    SetChecked(Frame->APOPCheck, account.APOPCheck);
    SetWindowTextA(Frame->Pass, account.Pass.c_str());
    AutoDelMode = account.AutoDelMode;
    Rules = account.Rules;
    Security = account.Security;
    CertHash = account.CertHash;
}

void TChPage::ShowProtection(const std::string& text) {
    Protection = text;
    Frame->ShowProtection(text);
}

void TChPage::SetAccountName(const std::string& name) {
    TabSheet->SetCaption(AccountFields::TabCaption(name, Tabs.OwnerDraw()));
}

std::string TChPage::AccountName() const {
    return AccountFields::TabName(TabSheet->Caption(), Tabs.OwnerDraw());
}

void TChPage::SetIndicatorState(int state) {
    // Only the four lamps exist; any other value would index past them.
    if (state < 0 || state >= LampCount) return;
    IndicatorState = state;
    Host.LampChanged();
}

void TChPage::SetIndex(int index) {
    Index = index;
    TabSheet->Tag = index;
    Frame->Tag = index;
    Worker->Index = index;
}

void TChPage::ArrangePage() {
    Tabs.Resized();
    RECT sheet;
    GetClientRect(TabSheet->Handle, &sheet);
    const int width = sheet.right, height = sheet.bottom;
    SetWindowPos(Frame->Handle, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    const bool extended = Host.ExtendedViewShown();
    ShowWindow(Frame->KvPanel1.Handle, extended ? SW_SHOW : SW_HIDE);
    ShowWindow(Frame->KvPanel2.Handle, extended ? SW_SHOW : SW_HIDE);
    if (extended) {
        SetWindowPos(Frame->MailView, nullptr, 8, 58, width - 16, height - 140,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        RECT panel;
        GetWindowRect(Frame->KvPanel1.Handle, &panel);
        SetWindowPos(Frame->KvPanel1.Handle, nullptr, (width - (panel.right - panel.left)) / 2,
                     height - 70, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
        GetWindowRect(Frame->KvPanel2.Handle, &panel);
        MapWindowPoints(nullptr, Frame->Handle, reinterpret_cast<POINT*>(&panel), 2);
        SetWindowPos(Frame->KvPanel2.Handle, nullptr, (width - (panel.right - panel.left)) / 2,
                     panel.top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    } else {
        RECT bar;
        GetWindowRect(Frame->StatusBar1, &bar);
        SetWindowPos(Frame->MailView, nullptr, 0, 0, width, height - (bar.bottom - bar.top),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Frame->SetStatusWidths();
}

void TChPage::RunCommand(int command) {
    Command = command;
    // A busy worker refuses the command. An idle one has finished its changes: they are shown
    // before the page is read, so that the rows it is given are the rows the user sees.
    if (Worker->Busy()) return;
    Bridge->Queue.Drain();
    Worker->Resume(command, CheckInputs(command));
}

TCheckInputs TChPage::CheckInputs(int command) const {
    TCheckInputs inputs;
    inputs.Serv = TextOf(Frame->Serv);
    inputs.IDNum = TextOf(Frame->IDNum);
    inputs.Pass = TextOf(Frame->Pass);
    inputs.APOPCheck = Checked(Frame->APOPCheck);
    inputs.Security = Security;
    inputs.CertHash = CertHash;
    inputs.Rules = Rules;
    inputs.AutoDelMode = AutoDelMode;
    inputs.Design = Design;
    inputs.LogEnabled = LogEnabled;
    inputs.TabCaption = TabSheet->Caption();
    // Reading the whole list takes tens of milliseconds a thousand rows: only the commands
    // that act on the rows the user ticked are given them.
    if (command == CommandDelete || command == CommandHeader) inputs.Rows = Rows();
    return inputs;
}

std::vector<TMailRow> TChPage::Rows() const {
    std::vector<TMailRow> rows;
    const int count = Frame->RowCount();
    const int columns = std::min(Frame->ColumnCount(), static_cast<int>(TMailRow::ColumnCount));
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        TMailRow row;
        for (int column = 0; column < columns; ++column)
            row.Columns[column] = Frame->CellText(i, column);
        row.Ticked =
            SendMessageA(Frame->MailView, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED;
        rows.push_back(std::move(row));
    }
    return rows;
}

void TChPage::AddRow(const TMailRow& row) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = Frame->RowCount();
    item.pszText = const_cast<char*>(row.Columns[0].c_str());
    const int index = static_cast<int>(
        SendMessageA(Frame->MailView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) return;
    // A cell never set reads as empty: one message fewer for each empty column.
    for (int column = 1; column < TMailRow::ColumnCount; ++column) {
        if (row.Columns[column].empty()) continue;
        LVITEMA cell{};
        cell.iSubItem = column;
        cell.pszText = const_cast<char*>(row.Columns[column].c_str());
        SendMessageA(Frame->MailView, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&cell));
    }
    if (row.Ticked) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageA(Frame->MailView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    }
}
