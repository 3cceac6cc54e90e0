#include "dialogs/GeneralSetup.h"

#include <commdlg.h>

#include <cstdlib>
#include <iterator>

#include "ui/ControlTable.h"
#include "ui/ControlText.h"
#include "ui/Dpi.h"
#include "ui/ScreenBounds.h"
#include "ui/UiFont.h"

namespace {

constexpr int ClientWidth = 332, ClientHeight = 250;
constexpr int ButtonHeight = 25, EditHeight = 23;

// The font line: a read-only field in a disabled plain panel, so it only displays.
constexpr RECT FontGroup{8, 6, 322, 64};
constexpr RECT Panel1Bounds{12, 24, 262, EditHeight};

const TControlSpec FontButtonSpec = {"BUTTON", "..",       BS_PUSHBUTTON | WS_TABSTOP, 0, 280, 24,
                                     26,       EditHeight, TGeneralSetup::IdFontButton};

const TControlSpec Controls[] = {
    {"BUTTON", "タブの位置", BS_GROUPBOX, 0, 8, 72, 212, 48, -1},
    {"BUTTON", "上(&U)", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 24, 92, 80, 20,
     TGeneralSetup::IdTabTop},
    {"BUTTON", "下(&D)", BS_AUTORADIOBUTTON, 0, 120, 92, 80, 20, TGeneralSetup::IdTabBottom},
    {"BUTTON", "LED風アクセス表示(&L)", BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 0, 12, 130, 208, 20,
     TGeneralSetup::IdLEDCheck},
    {"BUTTON", "通知領域にアイコンを表示する(&I)", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 156, 310, 20,
     TGeneralSetup::IdTrayCheck},
    {"BUTTON", "最小化したら通知領域に入れる(&M)", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 178, 310, 20,
     TGeneralSetup::IdMinimizeCheck},
    {"BUTTON", "新着を通知する(&N)", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 200, 310, 20,
     TGeneralSetup::IdNotifyCheck},
    {"BUTTON", "Windows の起動時に開始する(&W)", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 222, 310, 20,
     TGeneralSetup::IdStartCheck},
    {"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 236, 80, 86, ButtonHeight,
     TGeneralSetup::IdOKButton},
    {"BUTTON", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, 236, 112, 86, ButtonHeight,
     TGeneralSetup::IdCancelButton},
};

}  // namespace

TGeneralSetup::TGeneralSetup(HFONT listFont, TTabPosition tabPosition, bool led,
                             const TResidentSettings& resident, bool startWithWindows)
    : TabIndex(tabPosition == TTabPosition::Bottom ? 1 : 0),
      Led(led),
      Resident(resident),
      StartWithWindows(startWithWindows) {
    FormCreate(listFont);
}

std::string TGeneralSetup::FontDescription(const std::string& name, int pointSize) {
    return "Name: " + name + ";  Size: " + std::to_string(pointSize);
}

void TGeneralSetup::FormCreate(HFONT listFont) {
    if (!listFont) listFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GetObjectA(listFont, sizeof Font, &Font);
    HDC screen = GetDC(nullptr);
    FontSize = MulDiv(std::abs(Font.lfHeight), 72, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
}

bool TGeneralSetup::ShowModal(HWND owner) {
    Owner = owner;
    return RunModalDialog(owner) == IDOK;
}

TGeneralValues TGeneralSetup::Values() const {
    TGeneralValues values;
    values.FontName = Font.lfFaceName;
    values.FontSize = FontSize;
    values.FontStyle = UiFont::StyleBits(Font);
    values.TabPosition = TabIndex == 1 ? TTabPosition::Bottom : TTabPosition::Top;
    values.Led = Led;
    values.Resident = Resident;
    values.StartWithWindows = StartWithWindows;
    return values;
}

void TGeneralSetup::CreateControls() {
    HFONT font = UiFont::Form(Dpi::Of(Handle));
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(Handle, "全体の設定");

    KvPanelEx1.Create(Handle, FontGroup.left, FontGroup.top, FontGroup.right - FontGroup.left,
                      FontGroup.bottom - FontGroup.top, "メール一覧のフォント");
    SendMessageA(KvPanelEx1.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Panel1 = CreateControl(KvPanelEx1.Handle,
                           {"STATIC", "", WS_DISABLED, 0, Panel1Bounds.left, Panel1Bounds.top,
                            Panel1Bounds.right, Panel1Bounds.bottom, 0},
                           nullptr);
    // Read-only: drawn in the button-face colour.
    FontEdit = CreateControl(Panel1,
                             {"EDIT", "", ES_READONLY | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 0, 0,
                              Panel1Bounds.right, Panel1Bounds.bottom, IdFontEdit},
                             font);
    FontButton = CreateControl(KvPanelEx1.Handle, FontButtonSpec, font);

    HWND controls[std::size(Controls)];
    ::CreateControls(Handle, Controls, font, controls);
    TabGroup = controls[0];
    TabTop = controls[1];
    TabBottom = controls[2];
    LEDCheck = controls[3];
    TrayCheck = controls[4];
    MinimizeCheck = controls[5];
    NotifyCheck = controls[6];
    StartCheck = controls[7];

    SetWindowTextA(FontEdit, FontDescription(Font.lfFaceName, FontSize).c_str());
    SetChecked(TabIndex == 1 ? TabBottom : TabTop, true);
    SetChecked(LEDCheck, Led);
    SetChecked(TrayCheck, Resident.Tray);
    SetChecked(MinimizeCheck, Resident.MinimizeToTray);
    SetChecked(NotifyCheck, Resident.Notify);
    SetChecked(StartCheck, StartWithWindows);
    TrayCheckClick();

    PlaceOverOwner(Handle, Dpi::Scale(SIZE{ClientWidth, ClientHeight}, Dpi::Of(Handle)), Owner);
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

void TGeneralSetup::TrayCheckClick() {
    // Both act through the icon; their ticks stay for when it is back.
    const bool tray = Checked(TrayCheck);
    EnableWindow(MinimizeCheck, tray);
    EnableWindow(NotifyCheck, tray);
}

void TGeneralSetup::OKButtonClick() {
    TabIndex = Checked(TabBottom) ? 1 : 0;
    Led = Checked(LEDCheck);
    Resident.Tray = Checked(TrayCheck);
    Resident.MinimizeToTray = Checked(MinimizeCheck);
    Resident.Notify = Checked(NotifyCheck);
    StartWithWindows = Checked(StartCheck);
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
                case IdTrayCheck:
                    TrayCheckClick();
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
