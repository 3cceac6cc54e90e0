#pragma once
#include <windows.h>

#include <string>

#include "ui/KvPanelEx.h"

// The account dialog's group "定期的な新着確認": the interval, and what a check does with the
// mail the rules ticked.
class TPeriodicGroup {
public:
    enum ControlId {
        IdCheckEveryTick = 260,
        IdCheckEveryEdit,
        IdCheckEveryUpDown,
        IdDeleteTickedCheck,
        IdKeepCopyCheck,
    };
    struct TValues {
        int CheckEvery = 0;  // minutes, 0 off
        bool DeleteTicked = false;
        bool KeepCopy = false;
    };

    void Create(HWND dialog, const RECT& bounds, HFONT font);
    void Show(const TValues& values);
    // An interval that cannot be read counts as off.
    TValues Read() const;
    // A click in the group; false for any other.
    bool HandleCommand(int id);
    // The typed interval, when the check is ticked; false with what is wrong in `error`.
    bool IntervalAccepted(std::string& error) const;
    // Focuses the interval with its text selected.
    void FocusInterval();

private:
    void CheckEveryTickClick();

    TKvPanelEx Group;
    HWND CheckEveryTick = nullptr, CheckEveryEdit = nullptr, CheckEveryUpDown = nullptr;
    HWND DeleteTickedCheck = nullptr, KeepCopyCheck = nullptr;
};
