#include "ui/ControlTable.h"

HWND CreateControl(HWND parent, const TControlSpec& control, HFONT font) {
    HWND control = CreateWindowExA(
        control.ExStyle, control.ClassName, control.Caption ? control.Caption : "",
        control.Style | WS_CHILD | WS_VISIBLE, control.Left, control.Top, control.Width, control.Height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.Id)), GetModuleHandleA(nullptr), nullptr);
    if (control && font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}
