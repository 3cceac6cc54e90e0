#include "dialogs/PeriodicGroup.h"

#include <commctrl.h>

#include <iterator>

#include "settings/AccountFields.h"
#include "settings/SettingsKeys.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"

namespace {

constexpr int EditHeight = 23;
constexpr int DefaultCheckEvery = 10;  // shown while the check is off

const TControlSpec PeriodicControls[] = {
    {"BUTTON", "定期的に新着確認する(&P)", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 24, 180, 20,
     TPeriodicGroup::IdCheckEveryTick},
    {"EDIT", "", ES_NUMBER | WS_TABSTOP, WS_EX_CLIENTEDGE, 196, 22, 56, EditHeight,
     TPeriodicGroup::IdCheckEveryEdit},
    {UPDOWN_CLASSA, "", UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 252,
     22, 17, EditHeight, TPeriodicGroup::IdCheckEveryUpDown},
    {"STATIC", "分ごと", SS_LEFT, 0, 274, 26, 100, 16, -1},
    {"BUTTON", "ルールや判定の削除チェックで自動削除する (手で付け外ししたメールは除く)",
     BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 50, 660, 20, TPeriodicGroup::IdDeleteTickedCheck},
    {"BUTTON", "自動削除するメールのコピーを保存する (削除の前に本文を受信します)",
     BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 72, 660, 20, TPeriodicGroup::IdKeepCopyCheck},
};

}  // namespace

void TPeriodicGroup::Create(HWND dialog, const RECT& bounds, HFONT font) {
    Group.Create(dialog, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, "定期的な新着確認");
    SendMessageA(Group.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND controls[std::size(PeriodicControls)];
    ::CreateControls(Group.Handle, PeriodicControls, font, controls);
    CheckEveryTick = controls[0];
    CheckEveryEdit = controls[1];
    CheckEveryUpDown = controls[2];
    DeleteTickedCheck = controls[4];
    KeepCopyCheck = controls[5];
    SendMessageA(CheckEveryUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(CheckEveryEdit), 0);
    SendMessageA(CheckEveryUpDown, UDM_SETRANGE32, 1, kMaxCheckEvery);
}

void TPeriodicGroup::Show(const TValues& values) {
    SetChecked(CheckEveryTick, values.CheckEvery > 0);
    SendMessageA(CheckEveryUpDown, UDM_SETPOS32, 0,
                 values.CheckEvery > 0 ? values.CheckEvery : DefaultCheckEvery);
    SetChecked(DeleteTickedCheck, values.DeleteTicked);
    SetChecked(KeepCopyCheck, values.KeepCopy);
    CheckEveryTickClick();
}

TPeriodicGroup::TValues TPeriodicGroup::Read() const {
    TValues values;
    int minutes = 0;
    std::string unused;
    if (Checked(CheckEveryTick) &&
        AccountFields::CheckEveryFromText(TextOf(CheckEveryEdit), minutes, unused))
        values.CheckEvery = minutes;
    values.DeleteTicked = Checked(DeleteTickedCheck);
    values.KeepCopy = Checked(KeepCopyCheck);
    return values;
}

bool TPeriodicGroup::HandleCommand(int id) {
    if (id != IdCheckEveryTick) return false;
    CheckEveryTickClick();
    return true;
}

void TPeriodicGroup::CheckEveryTickClick() {
    // What happens at a periodic check means nothing while there is none; the ticks stay.
    const bool periodic = Checked(CheckEveryTick);
    EnableWindow(DeleteTickedCheck, periodic);
    EnableWindow(KeepCopyCheck, periodic);
}

bool TPeriodicGroup::IntervalAccepted(std::string& error) const {
    if (!Checked(CheckEveryTick)) return true;
    int minutes = 0;
    return AccountFields::CheckEveryFromText(TextOf(CheckEveryEdit), minutes, error);
}

void TPeriodicGroup::FocusInterval() {
    SetFocus(CheckEveryEdit);
    SendMessageA(CheckEveryEdit, EM_SETSEL, 0, -1);
}
