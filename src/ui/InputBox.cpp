#include "ui/InputBox.h"

#include "ui/ControlTable.h"
#include "ui/ControlText.h"
#include "ui/Dpi.h"
#include "ui/ScreenBounds.h"
#include "ui/UiFont.h"
#include "ui/Window.h"

namespace {

constexpr int IdPrompt = 100, IdValue = 101;

class TInputForm : public TWindow {
public:
    TInputForm(const std::string& caption, const std::string& prompt, std::string& value,
               bool masked)
        : Caption(caption), Prompt(prompt), Value(value), Masked(masked) {}

    bool Show(HWND owner) { return RunModalDialog(owner) == IDOK; }

private:
    std::string Caption, Prompt;
    std::string& Value;
    bool Masked;
    HWND Field = nullptr;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM) override {
        switch (message) {
            case WM_INITDIALOG:
                FormCreate();
                return FALSE;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK) {
                    Value = TextOf(Field);
                    EndDialog(Handle, IDOK);
                } else if (LOWORD(wParam) == IDCANCEL) {
                    EndDialog(Handle, IDCANCEL);
                }
                return TRUE;
        }
        return FALSE;
    }

    HWND Add(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
        return CreateControl(
            Handle,
            {cls, text, style, DWORD{cls[0] == 'E' ? WS_EX_CLIENTEDGE : 0u}, x, y, w, h, id},
            UiFont::Message(Dpi::Of(Handle)));
    }

    void FormCreate() {
        SetWindowTextA(Handle, Caption.c_str());
        const int width = 320, margin = 8, buttonWidth = 75, buttonHeight = 25;
        Add("STATIC", Prompt.c_str(), SS_LEFT | SS_NOPREFIX, margin, margin, width - 2 * margin, 16,
            IdPrompt);
        Field = Add("EDIT", Value.c_str(), WS_TABSTOP | ES_AUTOHSCROLL | (Masked ? ES_PASSWORD : 0),
                    margin, 30, width - 2 * margin, 23, IdValue);
        if (Masked) SendMessageA(Field, EM_SETPASSWORDCHAR, '*', 0);
        const int buttonTop = 64;
        Add("BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, width / 2 - buttonWidth - 4, buttonTop,
            buttonWidth, buttonHeight, IDOK);
        Add("BUTTON", "キャンセル", WS_TABSTOP | BS_PUSHBUTTON, width / 2 + 4, buttonTop,
            buttonWidth, buttonHeight, IDCANCEL);
        PlaceOverOwner(Handle,
                       Dpi::Scale(SIZE{width, buttonTop + buttonHeight + margin}, Dpi::Of(Handle)),
                       GetWindow(Handle, GW_OWNER));
        SetFocus(Field);
    }
};

}  // namespace

bool InputQuery(HWND owner, const std::string& caption, const std::string& prompt,
                std::string& value, bool masked) {
    TInputForm form(caption, prompt, value, masked);
    return form.Show(owner);
}
