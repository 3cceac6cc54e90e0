#include "dialogs/GeneralSetup.h"

#include <commdlg.h>

#include <cstdlib>

#include "app/PruneboxM.h"
#include "settings/SetupStore.h"
#include "ui/ControlTable.h"
#include "ui/MsgDlg.h"
#include "ui/UiFont.h"

namespace {

constexpr int ClientWidth = 332, ClientHeight = 158;
constexpr int ButtonHeight = 25, EditHeight = 23;

// The font line: a read-only field in a disabled plain panel, so it only displays.
constexpr RECT FontGroup{8, 6, 322, 64};
constexpr RECT Panel1Bounds{12, 24, 262, EditHeight};

const TControlSpec FontButtonSpec = {"BUTTON", "..",       BS_PUSHBUTTON | WS_TABSTOP, 0, 280, 24,
                                     26,       EditHeight, TGeneralSetup::IdFontButton};

const TControlSpec Controls[] = {
    {"BUTTON", "タブの位置", BS_GROUPBOX, 0, 8, 72, 212, 48, -1},
    {"BUTTON", "上", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 24, 92, 80, 20,
     TGeneralSetup::IdTabTop},
    {"BUTTON", "下", BS_AUTORADIOBUTTON, 0, 120, 92, 80, 20, TGeneralSetup::IdTabBottom},
    {"BUTTON", "LED風アクセス表示", BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 0, 12, 130, 208, 20,
     TGeneralSetup::IdLEDCheck},
    {"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 236, 80, 86, ButtonHeight,
     TGeneralSetup::IdOKButton},
    {"BUTTON", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, 236, 112, 86, ButtonHeight,
     TGeneralSetup::IdCancelButton},
};

bool Checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND button, bool checked) {
    SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

TGeneralSetup::TGeneralSetup(TPruneboxM& main) : Main(main) { FormCreate(); }

std::string TGeneralSetup::FontDescription(const std::string& name, int pointSize) {
    return "Name: " + name + ";  Size: " + std::to_string(pointSize);
}

void TGeneralSetup::FormCreate() {
    TabIndex = Main.MainPage.TabPosition() == TTabPosition::Bottom ? 1 : 0;
    const int slot = Main.ActiveSlot();
    HFONT listFont = nullptr;
    if (slot >= 0 && Main.Pages[slot])
        listFont = reinterpret_cast<HFONT>(
            SendMessageA(Main.Pages[slot]->Frame->MailView, WM_GETFONT, 0, 0));
    if (!listFont) listFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GetObjectA(listFont, sizeof Font, &Font);
    HDC screen = GetDC(nullptr);
    FontSize = MulDiv(std::abs(Font.lfHeight), 72, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    // What the tabs do in this run, not what may have been stored during it.
    Led = Main.MainPage.OwnerDraw();
}

void TGeneralSetup::ShowModal() {
    RunModalDialog(Main.Handle);
}

void TGeneralSetup::CreateControls() {
    HFONT font = UiFont::Form();
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(Handle, "全体の設定");

    KvPanelEx1.Create(Handle, FontGroup.left, FontGroup.top, FontGroup.right - FontGroup.left,
                      FontGroup.bottom - FontGroup.top, "メール一覧のフォント");
    SendMessageA(KvPanelEx1.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Panel1 =
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_DISABLED, Panel1Bounds.left,
                        Panel1Bounds.top, Panel1Bounds.right, Panel1Bounds.bottom,
                        KvPanelEx1.Handle, nullptr, GetModuleHandleA(nullptr), nullptr);
    // Read-only: drawn in the button-face colour.
    FontEdit = CreateControl(Panel1,
                             {"EDIT", "", ES_READONLY | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 0, 0,
                              Panel1Bounds.right, Panel1Bounds.bottom, IdFontEdit},
                             font);
    FontButton = CreateControl(KvPanelEx1.Handle, FontButtonSpec, font);

    HWND controls[6];
    ::CreateControls(Handle, Controls, font, controls);
    TabGroup = controls[0];
    TabTop = controls[1];
    TabBottom = controls[2];
    LEDCheck = controls[3];

    SetWindowTextA(FontEdit, FontDescription(Font.lfFaceName, FontSize).c_str());
    SetChecked(TabIndex == 1 ? TabBottom : TabTop, true);
    SetChecked(LEDCheck, Led);

    RECT outer{0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&outer, GetWindowLongA(Handle, GWL_STYLE), FALSE,
                       GetWindowLongA(Handle, GWL_EXSTYLE));
    const SIZE size{outer.right - outer.left, outer.bottom - outer.top};
    RECT owner{}, workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    if (!GetWindowRect(Main.Handle, &owner)) owner = workArea;
    const POINT at = CenterInWorkArea(owner, size, workArea);
    SetWindowPos(Handle, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER);
}

void TGeneralSetup::FontButtonClick() {
    LOGFONTA chosen = Font;
    CHOOSEFONTA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Handle;
    dialog.lpLogFont = &chosen;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    if (!ChooseFontA(&dialog)) return;  // cancelled: nothing changes
    Font = chosen;
    FontSize = dialog.iPointSize / 10;
    SetWindowTextA(FontEdit, FontDescription(Font.lfFaceName, FontSize).c_str());
}

int TGeneralSetup::FontStyle() const {
    return (Font.lfWeight >= FW_BOLD ? 1 : 0) | (Font.lfItalic ? 2 : 0) |
           (Font.lfUnderline ? 4 : 0) | (Font.lfStrikeOut ? 8 : 0);
}

void TGeneralSetup::OKButtonClick() {
    // Every list, the "新規" page's included, takes the font, chosen or not.
    Main.SetListFont(Font.lfFaceName, FontSize, FontStyle());
    Main.SetTabPosition(Checked(TabBottom) ? TTabPosition::Bottom : TTabPosition::Top);
    // The tabs keep their drawing in this run; the next start reads the switch.
    if (Main.Registry) TSetupStore(*Main.Registry).SaveLedSetting(Checked(LEDCheck));
    EndDialog(Handle, IDOK);
}

INT_PTR TGeneralSetup::DialogProc(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CreateControls();
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wParam)) {
                case IdFontButton:
                    FontButtonClick();
                    return TRUE;
                case IdOKButton:
                    OKButtonClick();
                    return TRUE;
                case IdCancelButton:
                    EndDialog(Handle, IDCANCEL);
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}
