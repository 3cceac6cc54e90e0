#include "ui/DialogKeys.h"

namespace {

bool IsPushButton(HWND control) {
    const LRESULT code = SendMessageA(control, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

bool HandleDialogKeys(HWND window, MSG& message) {
    if (!window) return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus) && IsWindowEnabled(focus) && IsPushButton(focus)) {
            SendMessageA(focus, BM_CLICK, 0, 0);
            return true;
        }
    }
    return IsDialogMessageA(window, &message) != FALSE;
}
