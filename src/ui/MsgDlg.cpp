#include "ui/MsgDlg.h"

#include <algorithm>
#include <vector>

#include "ui/Dpi.h"
#include "ui/ScreenBounds.h"
#include "ui/UiFont.h"
#include "ui/Window.h"

namespace {

struct TButtonInfo {
    TMsgDlgButton Button;
    const char* Caption;
    int Result;
};

// Left to right in this order.
const TButtonInfo ButtonTable[] = {
    {mbYes, "はい(&Y)", mrYes},
    {mbNo, "いいえ(&N)", mrNo},
    {mbOK, "OK", mrOk},
    {mbCancel, "キャンセル", mrCancel},
};

const char* Caption(TMsgDlgType kind) {
    switch (kind) {
        case TMsgDlgType::Warning:
            return "警告";
        case TMsgDlgType::Error:
            return "エラー";
        case TMsgDlgType::Information:
            return "情報";
        case TMsgDlgType::Confirmation:
            return "確認";
        case TMsgDlgType::Custom:
            break;
    }
    return kApplicationTitle;
}

LPCSTR IconName(TMsgDlgType kind) {
    switch (kind) {
        case TMsgDlgType::Warning:
            return IDI_WARNING;
        case TMsgDlgType::Error:
            return IDI_ERROR;
        case TMsgDlgType::Information:
            return IDI_INFORMATION;
        case TMsgDlgType::Confirmation:
            return IDI_QUESTION;
        case TMsgDlgType::Custom:
            break;
    }
    return nullptr;
}

class TMessageForm : public TWindow {
public:
    TMessageForm(HWND owner, const std::string& text, TMsgDlgType kind, unsigned buttons,
                 int helpContext, unsigned defaultButton)
        : Owner(owner), Text(text), Kind(kind), Buttons(buttons), HelpContext(helpContext) {
        if (!(Buttons & (mbYes | mbNo | mbOK | mbCancel))) Buttons = mbOK;
        DefaultResult = (Buttons & mbOK) ? mrOk : mrYes;
        for (const auto& info : ButtonTable)
            if (info.Button == defaultButton && (Buttons & info.Button))
                DefaultResult = info.Result;
        EscapeResult = (Buttons & mbCancel) ? mrCancel : (Buttons & mbNo) ? mrNo : mrOk;
    }

    int Show() { return static_cast<int>(RunModalDialog(Owner)); }

private:
    HWND Owner;
    std::string Text;
    TMsgDlgType Kind;
    unsigned Buttons;
    int HelpContext;
    int DefaultResult;
    int EscapeResult;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM) override {
        switch (message) {
            case WM_INITDIALOG:
                return FormCreate();
            case WM_COMMAND:
                ButtonClick(LOWORD(wParam));
                return TRUE;
            case WM_CLOSE:
                EndDialog(Handle, mrCancel);
                return TRUE;
        }
        return FALSE;
    }

    void ButtonClick(int id) {
        // Esc comes as IDCANCEL whether or not there is a Cancel button.
        if (id == IDCANCEL && !(Buttons & mbCancel)) {
            EndDialog(Handle, EscapeResult);
            return;
        }
        for (const auto& info : ButtonTable) {
            if (info.Result == id && (Buttons & info.Button)) EndDialog(Handle, id);
        }
    }

    BOOL FormCreate() {
        SetWindowTextA(Handle, Caption(Kind));
        SetWindowContextHelpId(Handle, static_cast<DWORD>(HelpContext));
        const int dpi = Dpi::Of(Handle);
        HFONT font = UiFont::Message(dpi);
        HDC dc = GetDC(Handle);
        HGDIOBJ oldFont = SelectObject(dc, font);
        // Dialog units of the font, as a dialog template would use them.
        SIZE letters{};
        const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        GetTextExtentPoint32A(dc, alphabet, 52, &letters);
        TEXTMETRICA metrics{};
        GetTextMetricsA(dc, &metrics);
        const int unitX = (letters.cx / 26 + 1) / 2, unitY = metrics.tmHeight;
        const int horzMargin = MulDiv(8, unitX, 4), vertMargin = MulDiv(8, unitY, 8);
        const int horzSpacing = MulDiv(10, unitX, 4), vertSpacing = MulDiv(10, unitY, 8);
        const int buttonWidth = MulDiv(50, unitX, 4), buttonHeight = MulDiv(14, unitY, 8);
        const int buttonSpacing = MulDiv(4, unitX, 4);

        RECT textRect{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
        DrawTextA(dc, Text.c_str(), static_cast<int>(Text.size()), &textRect,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        SelectObject(dc, oldFont);
        ReleaseDC(Handle, dc);

        HICON icon = IconName(Kind) ? LoadIconA(nullptr, IconName(Kind)) : nullptr;
        const int iconSize = icon ? Dpi::Scale(32, dpi) : 0;
        const int textLeft = horzMargin + (icon ? iconSize + horzSpacing : 0);
        const int iconTextWidth = textLeft - horzMargin + textRect.right;
        const int iconTextHeight = std::max<int>(iconSize, textRect.bottom);

        std::vector<const TButtonInfo*> shown;
        for (const auto& info : ButtonTable) {
            if (Buttons & info.Button) shown.push_back(&info);
        }
        const int count = static_cast<int>(shown.size());
        const int groupWidth = count * buttonWidth + (count - 1) * buttonSpacing;
        const int clientWidth = std::max(iconTextWidth, groupWidth) + horzMargin * 2;
        const int clientHeight = iconTextHeight + buttonHeight + vertSpacing + vertMargin * 2;

        if (icon) {
            HWND iconControl = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON,
                                               horzMargin, vertMargin, iconSize, iconSize, Handle,
                                               nullptr, GetModuleHandleA(nullptr), nullptr);
            SendMessageA(iconControl, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        }
        HWND message = CreateWindowExA(0, "STATIC", Text.c_str(),
                                       WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, textLeft,
                                       vertMargin, textRect.right, textRect.bottom, Handle,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(0xFFFF)),
                                       GetModuleHandleA(nullptr), nullptr);
        SendMessageA(message, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

        int x = (clientWidth - groupWidth) / 2;
        const int y = iconTextHeight + vertMargin + vertSpacing;
        HWND defaultButton = nullptr;
        for (const TButtonInfo* info : shown) {
            const bool isDefault = info->Result == DefaultResult;
            HWND button = CreateWindowExA(
                0, "BUTTON", info->Caption,
                WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                x, y, buttonWidth, buttonHeight, Handle,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(info->Result)),
                GetModuleHandleA(nullptr), nullptr);
            SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            if (isDefault) defaultButton = button;
            x += buttonWidth + buttonSpacing;
        }
        SendMessageA(Handle, DM_SETDEFID, DefaultResult, 0);

        PlaceOverOwner(Handle, SIZE{clientWidth, clientHeight}, Owner);

        if (defaultButton) SetFocus(defaultButton);
        return FALSE;  // the focus is set
    }
};

}  // namespace

std::uint16_t MessageDlgCenter(HWND owner, const std::string& text, TMsgDlgType kind,
                               unsigned buttons, int helpContext, unsigned defaultButton) {
    TMessageForm form(owner, text, kind, buttons, helpContext, defaultButton);
    return static_cast<std::uint16_t>(form.Show());
}
