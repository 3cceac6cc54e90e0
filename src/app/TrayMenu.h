#pragma once
#include <windows.h>

// The notification-area icon's menu.
namespace TrayMenu {

enum CommandId {
    IdOpen = 1201,
    IdCheckAll,
    IdExit,
};

// A new popup menu: "開く(&O)" (the default), "すべて新着確認(&C)", a line, "終了(&X)".
HMENU Create();
// Opens `menu` at `anchor` for `owner`, which gets the chosen command as WM_COMMAND.
void Track(HWND owner, HMENU menu, POINT anchor);

}  // namespace TrayMenu
