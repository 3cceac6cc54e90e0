#pragma once
#include <windows.h>

#include <set>
#include <string>

#include "page/AccountTable.h"
#include "ui/TrayIcon.h"
#include "worker/CheckResult.h"

// The main window's icon in the notification area: its clicks and menu, the notices after
// checks, and which account a click on a notice shows.
class TMainTray {
public:
    // What the icon's clicks and menu ask of the main window.
    class TOwner {
    public:
        // Shows the window hidden behind the icon (or minimised) and brings it forward.
        virtual void ShowFromTray() = 0;
        virtual void TrayCheckAll() = 0;
        virtual void TrayExit() = 0;

    protected:
        ~TOwner() = default;
    };

    TMainTray(TOwner& owner, TAccountTable& accounts) : Owner(owner), Accounts(accounts) {}

    TTrayIcon Icon;

    // The icon for `window`, whose `callbackMessage` goes to HandleEvent.
    void Show(HWND window, UINT callbackMessage);
    void Hide() { Icon.Hide(); }
    // The callback message's parameters.
    void HandleEvent(WPARAM wParam, LPARAM lParam);
    // A command of the icon's menu; false for any other.
    bool HandleCommand(int id);
    // The notice, once, that says where a window hidden behind the icon went; true when shown.
    bool ShowHiddenHint();
    // The notices a check of the account stored under `key` has ended with: a new sign-in
    // needed (once until it logs in again), and the new mail when `newMail` notices are on.
    void CheckEnded(const std::string& key, const std::string& caption, const TCheckResult& result,
                    bool newMail);

private:
    // The window on the tab of the account stored under `key` (the active tab when it is gone
    // or empty); a notice's account is shown once.
    void ShowAccount(std::string key);
    void ShowMenu(POINT anchor);

    TOwner& Owner;
    TAccountTable& Accounts;
    HWND Window = nullptr;
    // The account the last notice named: a click on the notice, or the next click on the
    // icon, shows its tab.
    std::string NoticeKey;
    // Accounts told by a notice that they must sign in again, until one logs in.
    std::set<std::string> SignInNoticed;
};
