#include "ui/ControlTable.h"

HWND CreateControl(HWND parent, const TControlSpec& spec, HFONT font) {
    HWND control = CreateWindowExA(
        spec.ExStyle, spec.ClassName, spec.Caption ? spec.Caption : "",
        spec.Style | WS_CHILD | WS_VISIBLE, spec.Left, spec.Top, spec.Width, spec.Height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.Id)), GetModuleHandleA(nullptr), nullptr);
    if (control && font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}
