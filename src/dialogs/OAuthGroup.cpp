#include "dialogs/OAuthGroup.h"

#include <commctrl.h>

#include <iterator>

#include "auth/AuthFailure.h"
#include "auth/BrowserSignIn.h"
#include "auth/DeviceSignIn.h"
#include "auth/HttpsClient.h"
#include "auth/ShellBrowser.h"
#include "settings/AccountStore.h"
#include "ui/ControlTable.h"
#include "ui/ControlText.h"
#include "ui/WindowMessages.h"

namespace {

constexpr int EditHeight = 23, ButtonHeight = 25;

// In the order of the stored numbers ("Auth").
const char* const MethodItems[] = {"パスワード", "APOP", "OAuth 2.0 (Microsoft)",
                                   "OAuth 2.0 (Google)"};
const char* const SignInCaption = "サインイン";
const char* const CancelCaption = "中止";
const char* const DeviceCaption = "コードでサインイン";

const TControlSpec OAuthControls[] = {
    {"STATIC", "ログイン方法", SS_LEFT, 0, 12, 27, 130, 16, -1},
    {"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 146, 22, 200, 120,
     TOAuthGroup::IdMethodCombo},
    {"BUTTON", SignInCaption, BS_PUSHBUTTON | WS_TABSTOP, 0, 360, 21, 100, ButtonHeight,
     TOAuthGroup::IdSignInButton},
    {"STATIC", "", SS_LEFT | SS_NOPREFIX, 0, 470, 16, 206, 34, TOAuthGroup::IdSignInLabel},
    {"STATIC", "クライアント ID", SS_LEFT, 0, 12, 58, 130, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 146, 54, 300, EditHeight,
     TOAuthGroup::IdClientIdEdit},
    {"STATIC", "テナント", SS_LEFT, 0, 460, 58, 60, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 524, 54, 140, EditHeight,
     TOAuthGroup::IdTenantEdit},
    {"STATIC", "クライアントシークレット", SS_LEFT, 0, 12, 90, 130, 16, -1},
    {"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 146, 86, 300, EditHeight,
     TOAuthGroup::IdSecretEdit},
    {"BUTTON", DeviceCaption, BS_PUSHBUTTON | WS_TABSTOP, 0, 460, 85, 160, ButtonHeight,
     TOAuthGroup::IdDeviceButton},
};

}  // namespace

TOAuthGroup::~TOAuthGroup() {
    Cancel();
    if (Runner.joinable()) Runner.join();
}

void TOAuthGroup::Create(HWND dialog, const RECT& bounds, HFONT font,
                         const TConnectionFields& fields) {
    Dialog = dialog;
    Connection = fields;
    Group.Create(dialog, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, "ログイン方法");
    SendMessageA(Group.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND controls[std::size(OAuthControls)];
    ::CreateControls(Group.Handle, OAuthControls, font, controls);
    MethodCombo = controls[1];
    SignInButton = controls[2];
    SignInLabel = controls[3];
    ClientIdEdit = controls[5];
    TenantEdit = controls[7];
    SecretEdit = controls[9];
    DeviceButton = controls[10];
    for (const char* item : MethodItems)
        SendMessageA(MethodCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
}

void TOAuthGroup::Show(const TOAuthAccount& account, bool apop, bool signedIn) {
    Given = account;
    const int method = IsOAuth(account.Method) ? account.Method : apop ? AuthApop : AuthPassword;
    SendMessageA(MethodCombo, CB_SETCURSEL, method, 0);
    SetWindowTextA(ClientIdEdit, account.ClientId.c_str());
    SetWindowTextA(TenantEdit, account.Tenant.c_str());
    SetWindowTextA(SecretEdit, account.ClientSecret.c_str());
    SetWindowTextA(SignInLabel, signedIn ? "サインイン済み" : "サインインしていません");
    EnableFields();
}

void TOAuthGroup::EnableFields() {
    const int method = Method();
    const bool oauth = IsOAuth(method);
    EnableWindow(Connection.ApopCheck, !oauth);
    EnableWindow(Connection.Password, !oauth);
    for (HWND control : {SignInButton, ClientIdEdit, TenantEdit, SecretEdit})
        EnableWindow(control, oauth);
    // Only a provider with a device code endpoint takes a code.
    TOAuthEndpoints endpoints;
    std::string error;
    TOAuthAccount account = Read();
    if (account.ClientId.empty()) account.ClientId = "-";
    EnableWindow(DeviceButton, oauth && OAuthProvider::Resolve(account, endpoints, error) &&
                                   !endpoints.DeviceUrl.empty());
}

int TOAuthGroup::Method() const {
    const LRESULT chosen = SendMessageA(MethodCombo, CB_GETCURSEL, 0, 0);
    return chosen == CB_ERR ? AuthPassword : static_cast<int>(chosen);
}

TOAuthAccount TOAuthGroup::Read() const {
    // The endpoints and scope put in the store by hand stay as they are.
    TOAuthAccount account = Given;
    account.Method = Method();
    if (!IsOAuth(account.Method))
        account.Method = Checked(Connection.ApopCheck) ? AuthApop : AuthPassword;
    account.ClientId = TextOf(ClientIdEdit);
    account.Tenant = TextOf(TenantEdit);
    account.ClientSecret = TextOf(SecretEdit);
    return account;
}

bool TOAuthGroup::HandleCommand(int id, int code, const std::string& userName) {
    if (id == IdMethodCombo && code == CBN_SELCHANGE) {
        MethodChange();
        return true;
    }
    if (id == IdSignInButton && code == BN_CLICKED) {
        SignInClick(userName);
        return true;
    }
    if (id == IdDeviceButton && code == BN_CLICKED) {
        DeviceClick();
        return true;
    }
    return false;
}

void TOAuthGroup::MethodChange() {
    const int method = Method();
    if (!IsOAuth(method)) SetChecked(Connection.ApopCheck, method == AuthApop);
    EnableFields();
    // The provider's own server, over TLS from the first byte.
    if (const TOAuthServer* server = OAuthProvider::ServerOf(method)) {
        SetWindowTextA(Connection.Host, server->Host);
        SendMessageA(Connection.PortUpDown, UDM_SETPOS32, 0, server->Port);
        SetWindowTextA(Connection.Port, std::to_string(server->Port).c_str());
        SendMessageA(Connection.SecurityCombo, CB_SETCURSEL, kSecuritySslTls, 0);
    }
}

void TOAuthGroup::SignInClick(const std::string& userName) {
    if (RunningButton) {
        Cancel();
        return;
    }
    SignIn = std::make_unique<TBrowserSignIn>();
    SignIn->OpenBrowser = OpenInBrowser;
    SetWindowTextA(SignInLabel, "ブラウザでサインインしてください...");
    Start(SignInButton, [signIn = SignIn.get(), account = Read(), userName] {
        return signIn->Run(account, userName, *THttpsClient::System()).RefreshToken;
    });
}

void TOAuthGroup::DeviceClick() {
    if (RunningButton) {
        Cancel();
        return;
    }
    Device = std::make_unique<TDeviceSignIn>();
    Device->ShowCode = [this](const TDeviceCode& code) {
        {
            std::lock_guard<std::mutex> lock(Mutex);
            CodeText = code.VerificationUri + " でコード " + code.UserCode + " を入力してください";
        }
        PostMessageA(Dialog, WM_PB_SIGNIN_CODE, 0, 0);
    };
    SetWindowTextA(SignInLabel, "コードを待っています...");
    Start(DeviceButton, [device = Device.get(), account = Read()] {
        return device->Run(account, *THttpsClient::System()).RefreshToken;
    });
}

void TOAuthGroup::Start(HWND button, std::function<std::string()> signIn) {
    if (Runner.joinable()) Runner.join();
    RunningButton = button;
    SetWindowTextA(button, CancelCaption);
    EnableWindow(MethodCombo, FALSE);
    EnableWindow(button == SignInButton ? DeviceButton : SignInButton, FALSE);
    Runner = std::thread([this, signIn = std::move(signIn)] {
        std::string token, text;
        try {
            token = signIn();
            text = "サインインしました。";
        } catch (const EAuthFailure& failure) {
            text = failure.what();
        } catch (const std::exception&) {
            text = "サインインできませんでした。";
        }
        {
            std::lock_guard<std::mutex> lock(Mutex);
            ResultToken = token;
            ResultText = text;
        }
        PostMessageA(Dialog, WM_PB_SIGNIN_DONE, 0, 0);
    });
}

void TOAuthGroup::SignInEnded() {
    if (Runner.joinable()) Runner.join();
    SignIn.reset();
    Device.reset();
    std::lock_guard<std::mutex> lock(Mutex);
    if (!ResultToken.empty()) Token = ResultToken;
    SetWindowTextA(SignInLabel, ResultText.c_str());
    SetWindowTextA(SignInButton, SignInCaption);
    SetWindowTextA(DeviceButton, DeviceCaption);
    RunningButton = nullptr;
    EnableWindow(MethodCombo, TRUE);
    EnableFields();
}

void TOAuthGroup::CodeShown() {
    std::lock_guard<std::mutex> lock(Mutex);
    if (RunningButton == DeviceButton) SetWindowTextA(SignInLabel, CodeText.c_str());
}

void TOAuthGroup::Cancel() {
    if (SignIn) SignIn->Cancel();
    if (Device) Device->Cancel();
}
