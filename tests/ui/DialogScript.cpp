#include "DialogScript.h"

#include "GuiTest.h"

namespace GuiTest {

namespace {
TDialogScript* CurrentScript = nullptr;

std::string FirstStaticText(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(ClassName(child).c_str(), "Static") != 0) continue;
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
        return WindowText(child);
    }
    return "";
}
}  // namespace

TDialogScript::TDialogScript(std::vector<TScriptStep> steps) : Steps(std::move(steps)) {
    CurrentScript = this;
    Timer = SetTimer(nullptr, 0, 30, Tick);
}

TDialogScript::~TDialogScript() {
    KillTimer(nullptr, Timer);
    CurrentScript = nullptr;
}

void CALLBACK TDialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (CurrentScript) CurrentScript->Step();
}

void TDialogScript::Step() {
    HWND active = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            if (ClassName(window) != "#32770" || !IsWindowVisible(window)) return TRUE;
            if (!IsWindowEnabled(window)) return TRUE;
            *reinterpret_cast<HWND*>(data) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&active));
    // The same dialog is acted on again only after it has handed the input to another one.
    if (LastDialog && IsWindow(LastDialog) && !IsWindowEnabled(LastDialog)) LastWasDisabled = true;
    if (!active || (active == LastDialog && !LastWasDisabled)) return;
    const std::string caption = WindowText(active);
    LastDialog = active;
    LastWasDisabled = false;
    if (Steps.empty() || Steps.front().Caption != caption) {
        Unexpected.push_back(caption + ": " + FirstStaticText(active));
        PostMessageA(active, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    }
    TScriptStep step = std::move(Steps.front());
    Steps.erase(Steps.begin());
    Captions.push_back(caption);
    Texts.push_back(FirstStaticText(active));
    if (step.Act) step.Act(active);
}

HWND FindControl(HWND root, int id) {
    struct TSearch {
        int Id;
        HWND Found;
    } search{id, nullptr};
    EnumChildWindows(
        root,
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(data);
            if (GetDlgCtrlID(window) != s->Id) return TRUE;
            s->Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

void ClickButton(HWND dialog, int id) { PostMessageA(FindControl(dialog, id), BM_CLICK, 0, 0); }

void SendCommand(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(FindControl(dialog, id)));
}

void ChooseComboItem(HWND dialog, int id, int index) {
    HWND combo = FindControl(dialog, id);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

bool IsChecked(HWND dialog, int id) {
    return SendMessageA(FindControl(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetText(HWND dialog, int id, const std::string& text) {
    SetWindowTextA(FindControl(dialog, id), text.c_str());
}

std::string Text(HWND dialog, int id) { return WindowText(FindControl(dialog, id)); }

}  // namespace GuiTest
