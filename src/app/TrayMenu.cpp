#include "app/TrayMenu.h"

namespace TrayMenu {

HMENU Create() {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, IdOpen, "開く(&O)");
    AppendMenuA(menu, MF_STRING, IdCheckAll, "すべて新着確認(&C)");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IdExit, "終了(&X)");
    SetMenuDefaultItem(menu, IdOpen, FALSE);
    return menu;
}

void Track(HWND owner, HMENU menu, POINT anchor) {
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(owner);
    TrackPopupMenuEx(menu, TPM_RIGHTBUTTON, anchor.x, anchor.y, owner, nullptr);
    PostMessageA(owner, WM_NULL, 0, 0);
}

}  // namespace TrayMenu
