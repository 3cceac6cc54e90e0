#include "GuiTest.h"

#include <commctrl.h>

#include <cstdlib>

namespace GuiTest {

namespace {
TDialogAnswerer* CurrentAnswerer = nullptr;
}

void PumpPending() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
        PumpPending();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::string WindowText(HWND window) {
    char text[2048];
    int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

std::string TabText(HWND tabControl, int index) {
    char text[256] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabControl, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::string ClassName(HWND window) {
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

int ExpectedDpi() {
    char value[16] = {};
    return GetEnvironmentVariableA("PB_EXPECT_DPI", value, sizeof value) ? std::atoi(value) : 0;
}

std::vector<HWND> Children(HWND parent, const char* className) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(ClassName(child).c_str(), className) == 0) found.push_back(child);
    }
    return found;
}

TDialogAnswerer::TDialogAnswerer(std::vector<TAction> actions) : Actions(std::move(actions)) {
    CurrentAnswerer = this;
    Timer = SetTimer(nullptr, 0, 30, Tick);
}

TDialogAnswerer::~TDialogAnswerer() {
    KillTimer(nullptr, Timer);
    CurrentAnswerer = nullptr;
}

void CALLBACK TDialogAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!CurrentAnswerer) return;
    struct TSearch {
        TDialogAnswerer* Self;
        HWND Found;
    } search{CurrentAnswerer, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(data);
            if (ClassName(window) != "#32770" || !IsWindowVisible(window)) return TRUE;
            for (HWND done : s->Self->Answered) {
                if (done == window) return TRUE;
            }
            s->Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.Found) CurrentAnswerer->Answer(search.Found);
}

void TDialogAnswerer::Answer(HWND dialog) {
    Answered.push_back(dialog);
    TDialogSeen seen;
    seen.Caption = WindowText(dialog);
    GetWindowRect(dialog, &seen.Bounds);
    seen.DefaultId = LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0));
    HWND field = nullptr;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string cls = ClassName(child);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpiA(cls.c_str(), "Button") == 0) {
            seen.ButtonCaptions.push_back(WindowText(child));
            seen.ButtonIds.push_back(GetDlgCtrlID(child));
        } else if (lstrcmpiA(cls.c_str(), "Static") == 0) {
            if ((style & SS_TYPEMASK) == SS_ICON)
                seen.HasIcon = true;
            else if (seen.Text.empty())
                seen.Text = WindowText(child);
        } else if (lstrcmpiA(cls.c_str(), "Edit") == 0) {
            field = child;
            seen.FieldMasked = (style & ES_PASSWORD) != 0;
        }
    }
    Seen.push_back(seen);
    if (Inspect) Inspect(dialog);

    TAction action;
    if (!Actions.empty()) {
        action = Actions.front();
        Actions.erase(Actions.begin());
    }
    if (field && !action.FieldText.empty()) SetWindowTextA(field, action.FieldText.c_str());
    HWND focus = GetFocus();
    if (!focus || !IsChild(dialog, focus)) focus = dialog;
    if (action.PressF3) PostMessageA(focus, WM_KEYDOWN, VK_F3, 0);
    switch (action.Answer) {
        case TAnswer::Click:
            // A dialog without the button is not the one the test expected: close it, so that
            // the test fails on what it saw instead of waiting for ever.
            if (HWND button = GetDlgItem(dialog, action.ButtonId))
                PostMessageA(button, BM_CLICK, 0, 0);
            else
                PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case TAnswer::Escape:
            PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0);
            break;
        case TAnswer::Enter:
            PostMessageA(focus, WM_KEYDOWN, VK_RETURN, 0);
            break;
        case TAnswer::Close:
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
    }
}

}  // namespace GuiTest
