#include "ui/TrayIcon.h"

#include <algorithm>
#include <cstring>

#include "headers/SjisText.h"

namespace {

constexpr const char* NormalImage = "MAINICON";
constexpr const char* WaitingImage = "MAILWAITS";
constexpr const char* MoreLines = "\n...";

HICON LoadSmallIcon(const char* name) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

}  // namespace

UINT TTrayIcon::TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

std::string TTrayIcon::TipText(const std::vector<TTrayAccount>& accounts) {
    std::string tip = Title;
    const size_t moreBytes = std::strlen(MoreLines);
    for (size_t i = 0; i < accounts.size(); ++i) {
        if (accounts[i].Waiting <= 0) continue;
        const std::string line = "\n" + SjisText::Trim(accounts[i].Caption) + " " +
                                 std::to_string(accounts[i].Waiting) + "通";
        // The last line may use the room the "..." would need.
        bool later = false;
        for (size_t j = i + 1; j < accounts.size(); ++j) later = later || accounts[j].Waiting > 0;
        const size_t room = TipBytes - (later ? moreBytes : 0);
        if (tip.size() + line.size() > room) {
            if (tip.size() + moreBytes <= TipBytes) tip += MoreLines;
            break;
        }
        tip += line;
    }
    return tip;
}

NOTIFYICONDATAA TTrayIcon::Data(UINT flags) const {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = Owner;
    data.uID = Id;
    data.uFlags = flags;
    data.uCallbackMessage = CallbackMessage;
    data.hIcon = LoadSmallIcon(MailWaits ? WaitingImage : NormalImage);
    const size_t length = std::min(TipShown.size(), sizeof data.szTip - 1);
    std::memcpy(data.szTip, TipShown.data(), length);
    data.uVersion = NOTIFYICON_VERSION_4;
    return data;
}

bool TTrayIcon::Add() {
    NOTIFYICONDATAA data = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
    Added = Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
    return Added && Shell_NotifyIconA(NIM_SETVERSION, &data) != FALSE;
}

bool TTrayIcon::Show(HWND owner, UINT callbackMessage) {
    if (Owner) Hide();
    Owner = owner;
    CallbackMessage = callbackMessage;
    return Add();
}

void TTrayIcon::Hide() {
    if (!Owner) return;
    NOTIFYICONDATAA data = Data(0);
    Shell_NotifyIconA(NIM_DELETE, &data);
    Owner = nullptr;
    Added = false;
}

bool TTrayIcon::Readd() {
    if (!Owner) return false;
    // A shell that kept the icon refuses a second add; the old one goes first.
    NOTIFYICONDATAA data = Data(0);
    Shell_NotifyIconA(NIM_DELETE, &data);
    return Add();
}

void TTrayIcon::Update(const std::vector<TTrayAccount>& accounts) {
    std::string tip = TipText(accounts);
    bool waits = false;
    for (const TTrayAccount& account : accounts) waits = waits || account.Waiting > 0;
    if (tip == TipShown && waits == MailWaits) return;
    TipShown = std::move(tip);
    MailWaits = waits;
    if (!Owner) return;
    NOTIFYICONDATAA data = Data(NIF_ICON | NIF_TIP | NIF_SHOWTIP);
    Shell_NotifyIconA(NIM_MODIFY, &data);
}
