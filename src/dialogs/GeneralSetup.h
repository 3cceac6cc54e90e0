#pragma once
#include <windows.h>

#include <string>

#include "ui/KvPanelEx.h"
#include "ui/PageControl.h"
#include "ui/Window.h"

// What the general settings dialog edits: the mail lists' font, the side of the tabs and the
// lamp display on the tabs.
struct TGeneralValues {
    std::string FontName;
    int FontSize = 9;   // points
    int FontStyle = 0;  // UiFont's style bits
    TTabPosition TabPosition = TTabPosition::Top;
    bool Led = true;
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
        IdOKButton = IDOK,
        IdCancelButton = IDCANCEL,
    };

    // `listFont` is the active list's font (the system's GUI font when null).
    TGeneralSetup(HFONT listFont, TTabPosition tabPosition, bool led);

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
    void OKButtonClick();

    HWND Owner = nullptr;
    int TabIndex = 0;  // 0 top, 1 bottom
    bool Led = true;
    TKvPanelEx KvPanelEx1;
    HWND Panel1 = nullptr, FontEdit = nullptr, FontButton = nullptr;
    HWND TabGroup = nullptr, TabTop = nullptr, TabBottom = nullptr, LEDCheck = nullptr;
};
