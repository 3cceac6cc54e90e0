#include "ui/TrayIcon.h"

#include <algorithm>
#include <cstring>

#include "headers/SjisText.h"

namespace {

constexpr const char* NormalImage = "MAINICON";
constexpr const char* WaitingImage = "MAILWAITS";
constexpr const char* MoreLines = "\n...";
// Above the counts: they are the mail a deletion would leave, not all the mail there is.
constexpr const char* WaitingHeading = "\n削除チェックのないメール:";

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
    std::vector<std::string> lines, waiting;
    for (const TTrayAccount& account : accounts) {
        const std::string caption = SjisText::Trim(account.Caption);
        if (account.SignInNeeded)
            lines.push_back("\n" + caption + " サインインが必要です");
        else if (account.Failed)
            lines.push_back("\n" + caption + " エラー");
        else if (account.Waiting > 0)
            waiting.push_back("\n" + caption + " " + std::to_string(account.Waiting) + "通");
    }
    if (!waiting.empty()) {
        lines.push_back(WaitingHeading);
        lines.insert(lines.end(), waiting.begin(), waiting.end());
    }
    std::string tip = Title;
    const size_t moreBytes = std::strlen(MoreLines);
    for (size_t i = 0; i < lines.size(); ++i) {
        // The last line may use the room the "..." would need.
        const size_t room = TipBytes - (i + 1 < lines.size() ? moreBytes : 0);
        if (tip.size() + lines[i].size() > room) {
            if (tip.size() + moreBytes <= TipBytes) tip += MoreLines;
            break;
        }
        tip += lines[i];
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
    for (const TTrayAccount& account : accounts)
        waits = waits || (account.Waiting > 0 && !account.Failed);
    if (tip == TipShown && waits == MailWaits) return;
    TipShown = std::move(tip);
    MailWaits = waits;
    if (!Owner) return;
    NOTIFYICONDATAA data = Data(NIF_ICON | NIF_TIP | NIF_SHOWTIP);
    Shell_NotifyIconA(NIM_MODIFY, &data);
}

bool TTrayIcon::ShowNotice(const std::string& title, const std::string& text) {
    if (!Added) return false;
    NOTIFYICONDATAA data = Data(NIF_INFO);
    const auto copy = [](char* to, size_t room, const std::string& from) {
        std::memcpy(to, from.data(), SjisText::FittingBytes(from, room - 1));
    };
    copy(data.szInfoTitle, sizeof data.szInfoTitle, title);
    copy(data.szInfo, sizeof data.szInfo, text);
    data.dwInfoFlags = NIIF_INFO | NIIF_RESPECT_QUIET_TIME;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}
