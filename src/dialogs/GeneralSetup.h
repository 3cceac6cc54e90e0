#pragma once
#include <windows.h>

#include <string>

#include "ui/KvPanelEx.h"
#include "ui/Window.h"

class TPruneboxM;

// The general settings dialog: the font of every mail list and the side of the tabs, applied
// to the running main window at OK (stored when it closes), and the lamp display on the tabs,
// stored at OK for the next start. It fills itself from the live main window.
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

    // Takes the active list's font, the tab side and the lamp display of `main` (FormCreate).
    explicit TGeneralSetup(TPruneboxM& main);

    // Shows the dialog modally, centred on the main window.
    void ShowModal();

    // "Name: <name>;  Size: <points>", as the dialog shows a font.
    static std::string FontDescription(const std::string& name, int pointSize);

    // The font dialog's working font and its size in points.
    LOGFONTA Font{};
    int FontSize = 9;

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void CreateControls();
    void FontButtonClick();
    void OKButtonClick();
    int FontStyle() const;

    TPruneboxM& Main;
    int TabIndex = 0;  // 0 top, 1 bottom
    bool Led = true;
    TKvPanelEx KvPanelEx1;
    HWND Panel1 = nullptr, FontEdit = nullptr, FontButton = nullptr;
    HWND TabGroup = nullptr, TabTop = nullptr, TabBottom = nullptr, LEDCheck = nullptr;
};
