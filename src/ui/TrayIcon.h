#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>
#include <vector>

// One account as the icon's tip counts it.
struct TTrayAccount {
    std::string Caption;        // the tab's caption
    int Waiting = 0;            // mail on the server that no rule ticked
    bool Failed = false;        // its last periodic check did not go through
    bool SignInNeeded = false;  // ... because only a new sign-in in the browser can help
};

// The program's icon in the notification area. The shell knows it by window and id (both set:
// Wine matches icons by them and ignores a GUID). It sends the owner `callbackMessage` with the
// version 4 events: LOWORD(lParam) NIN_SELECT, WM_CONTEXTMENU...; wParam the anchor point.
class TTrayIcon {
public:
    static constexpr UINT Id = 1;
    // The tip's room in NOTIFYICONDATA, without its terminating zero.
    static constexpr size_t TipBytes = 127;
    static constexpr const char* Title = "Prunebox";

    TTrayIcon() = default;
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;
    ~TTrayIcon() { Hide(); }

    // The message the shell broadcasts when it (re)starts: every icon must be added again.
    static UINT TaskbarCreatedMessage();

    // Adds the icon for `owner`; false when the shell refused it (the icon counts as wanted
    // still, so a later shell start adds it, but it is not shown).
    bool Show(HWND owner, UINT callbackMessage);
    void Hide();
    bool Wanted() const { return Owner != nullptr; }
    // The shell took the icon: the user can click it.
    bool Shown() const { return Added; }
    // After the shell's "TaskbarCreated": the wanted icon again.
    bool Readd();
    // Tip and image for the accounts, the image with a mark while any mail waits.
    void Update(const std::vector<TTrayAccount>& accounts);
    const std::string& Tip() const { return TipShown; }
    // A balloon (respecting the user's quiet time): title and text are cut to the room the
    // shell gives them. False when the icon is not shown or the shell refused.
    bool ShowNotice(const std::string& title, const std::string& text);
    bool ShowsWaitingMail() const { return MailWaits; }

    // "Prunebox", then "<caption> エラー" per account whose check failed ("<caption> サインインが
    // 必要です" when it failed for that), then a heading and
    // "<caption> <n>通" per account with waiting mail, whole lines only, as many as the tip holds;
    // "..." ends a tip that could not hold every line.
    static std::string TipText(const std::vector<TTrayAccount>& accounts);

private:
    NOTIFYICONDATAA Data(UINT flags) const;
    bool Add();

    HWND Owner = nullptr;
    UINT CallbackMessage = 0;
    std::string TipShown = Title;
    bool MailWaits = false;
    bool Added = false;
};
