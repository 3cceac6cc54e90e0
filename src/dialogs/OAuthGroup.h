#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "auth/BrowserSignIn.h"
#include "auth/DeviceSignIn.h"
#include "auth/OAuthProvider.h"
#include "ui/KvPanelEx.h"


// The account dialog's group "ログイン方法": the login method, the OAuth 2.0 client and the
// "サインイン" button, which signs in through the browser on a thread of its own while the
// dialog stays usable (the button then cancels), and "コードでサインイン", the device code flow
// for a provider that offers it. Its commands reach the dialog, which hands them on, and so do
// WM_PB_SIGNIN_DONE and WM_PB_SIGNIN_CODE.
class TOAuthGroup {
public:
    enum ControlId {
        IdMethodCombo = 280,
        IdSignInButton,
        IdSignInLabel,
        IdClientIdEdit,
        IdTenantEdit,
        IdSecretEdit,
        IdDeviceButton,
    };

    // The dialog's connection fields that a provider's choice fills or the method disables.
    struct TConnectionFields {
        HWND Host, Port, PortUpDown, SecurityCombo, ApopCheck, Password;
    };

    TOAuthGroup() = default;
    ~TOAuthGroup();
    TOAuthGroup(const TOAuthGroup&) = delete;
    TOAuthGroup& operator=(const TOAuthGroup&) = delete;

    void Create(HWND dialog, const RECT& bounds, HFONT font, const TConnectionFields& fields);
    // apop: the account's APOP box, which the two password methods follow.
    void Show(const TOAuthAccount& account, bool apop, bool signedIn);
    // The method and client as the fields give them; the password methods by the APOP box.
    TOAuthAccount Read() const;
    // The refresh token of a sign-in made in the dialog; empty when none was.
    const std::string& SignedInToken() const { return Token; }
    // A command of the group's controls; false when it is none of them.
    bool HandleCommand(int id, int code, const std::string& userName);
    // On WM_PB_SIGNIN_DONE: the sign-in's result shown, its token kept.
    void SignInEnded();
    // On WM_PB_SIGNIN_CODE: the code and where to enter it.
    void CodeShown();

private:
    void MethodChange();
    void SignInClick(const std::string& userName);
    void DeviceClick();
    // Runs signIn on the thread and posts its end; button shows "中止" meanwhile.
    void Start(HWND button, std::function<std::string()> signIn);
    void EnableFields();
    void Cancel();
    int Method() const;

    HWND Dialog = nullptr;
    TConnectionFields Connection{};
    TKvPanelEx Group;
    HWND MethodCombo = nullptr, SignInButton = nullptr, SignInLabel = nullptr;
    HWND ClientIdEdit = nullptr, TenantEdit = nullptr, SecretEdit = nullptr;
    HWND DeviceButton = nullptr;
    HWND RunningButton = nullptr;  // the button that started the sign-in that runs
    TOAuthAccount Given;  // as Show was given it
    std::string Token;
    // The sign-in running, and what it ended with (under Mutex).
    std::unique_ptr<TBrowserSignIn> SignIn;
    std::unique_ptr<TDeviceSignIn> Device;
    std::thread Runner;
    std::mutex Mutex;
    std::string ResultToken, ResultText, CodeText;
};
