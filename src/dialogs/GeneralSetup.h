#pragma once
#include <windows.h>

#include <string>

#include "settings/SetupStore.h"
#include "ui/KvPanelEx.h"
#include "ui/PageControl.h"
#include "ui/Window.h"

// What the general settings dialog edits: the mail lists' font, the side of the tabs, the
// lamp display on the tabs, the notification area and the start with Windows.
struct TGeneralValues {
    std::string FontName;
    int FontSize = 9;   // points
    int FontStyle = 0;  // UiFont's style bits
    TTabPosition TabPosition = TTabPosition::Top;
    bool Led = true;
    TResidentSettings Resident;
    bool StartWithWindows = false;
};

// The general settings dialog: given the values in use, it returns the values chosen; the
// caller applies them.
class TGeneralSetup : public TWindow {
public:
    enum ControlId {
        IdFontEdit = 401,
        IdFontButton,
        IdTabTop,
        IdTabBottom,
        IdLEDCheck,
        IdTrayCheck,
        IdMinimizeCheck,
        IdNotifyCheck,
        IdStartCheck,
        IdOKButton = IDOK,
        IdCancelButton = IDCANCEL,
    };

    // `listFont` is the active list's font (the system's GUI font when null).
    TGeneralSetup(HFONT listFont, TTabPosition tabPosition, bool led,
                  const TResidentSettings& resident = {}, bool startWithWindows = false);

    // Shows the dialog modally, centred on owner; true when OK was chosen.
    bool ShowModal(HWND owner);
    // The values shown, as chosen once OK has been pressed.
    TGeneralValues Values() const;

    // "Name: <name>;  Size: <points>", as the dialog shows a font.
    static std::string FontDescription(const std::string& name, int pointSize);

    // The font dialog's working font and its size in points.
    LOGFONTA Font{};
    int FontSize = 9;

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate(HFONT listFont);
    void CreateControls();
    void FontButtonClick();
    void TrayCheckClick();
    void OKButtonClick();

    HWND Owner = nullptr;
    int TabIndex = 0;  // 0 top, 1 bottom
    bool Led = true;
    TResidentSettings Resident;
    bool StartWithWindows = false;
    TKvPanelEx KvPanelEx1;
    HWND Panel1 = nullptr, FontEdit = nullptr, FontButton = nullptr;
    HWND TabGroup = nullptr, TabTop = nullptr, TabBottom = nullptr, LEDCheck = nullptr;
    HWND TrayCheck = nullptr, MinimizeCheck = nullptr, NotifyCheck = nullptr, StartCheck = nullptr;
};
