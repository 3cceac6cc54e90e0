#include "app/MainTray.h"

#include "app/PeriodicChecks.h"
#include "app/TrayMenu.h"
#include "auth/AuthFailure.h"
#include "headers/SjisText.h"

namespace {
const char* const HiddenHint =
    "Prunebox は通知領域のアイコンになって動いています。アイコンをクリックすると画面に戻ります。";
}  // namespace

void TMainTray::Show(HWND window, UINT callbackMessage) {
    Window = window;
    Icon.Show(window, callbackMessage);
}

void TMainTray::HandleEvent(WPARAM wParam, LPARAM lParam) {
    const POINT anchor{static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))};
    switch (LOWORD(lParam)) {
        case NIN_SELECT:
        case NIN_KEYSELECT:
            // Wine's balloons tell no click: the icon's click after a notice of new mail
            // shows the account it named, once, as a click on the notice does.
            ShowAccount(NoticeKey);
            break;
        case WM_CONTEXTMENU:
            ShowMenu(anchor);
            break;
        case NIN_BALLOONUSERCLICK:
            ShowAccount(NoticeKey);
            break;
    }
}

void TMainTray::ShowMenu(POINT anchor) {
    HMENU menu = TrayMenu::Create();
    TrayMenu::Track(Window, menu, anchor);
    DestroyMenu(menu);
}

bool TMainTray::HandleCommand(int id) {
    switch (id) {
        case TrayMenu::IdOpen:
            Owner.ShowFromTray();
            return true;
        case TrayMenu::IdCheckAll:
            Owner.TrayCheckAll();
            return true;
        case TrayMenu::IdExit:
            Owner.TrayExit();
            return true;
    }
    return false;
}

void TMainTray::ShowAccount(std::string key) {
    // By value: the key is often NoticeKey itself, cleared here.
    NoticeKey.clear();
    for (int slot = 1; slot < Accounts.PageCount; ++slot) {
        const TChPage* page = Accounts.Page(slot);
        if (page && !key.empty() && page->KeyName == key) Accounts.Activate(slot);
    }
    Owner.ShowFromTray();
}

bool TMainTray::ShowHiddenHint() {
    if (!Icon.ShowNotice(TTrayIcon::Title, HiddenHint)) return false;
    NoticeKey.clear();
    return true;
}

void TMainTray::CheckEnded(const std::string& key, const std::string& caption,
                           const TCheckResult& result, bool newMail) {
    // Once until the account logs in again: a check every few minutes must not nag.
    if (!result.SignInNeeded && result.Outcome == TCheckOutcome::Done) SignInNoticed.erase(key);
    if (result.SignInNeeded && !key.empty() && SignInNoticed.insert(key).second &&
        Icon.ShowNotice(TPeriodicChecks::NoticeTitle,
                        SjisText::Trim(caption) + ": " + EAuthFailure::SignInNeededText))
        NoticeKey = key;  // its click shows the account to sign in
    if (!newMail) return;
    const std::string notice = TPeriodicChecks::NoticeText(caption, result);
    if (!notice.empty() && Icon.ShowNotice(TPeriodicChecks::NoticeTitle, notice)) NoticeKey = key;
}
