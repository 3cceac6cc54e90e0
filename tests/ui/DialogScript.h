#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Drives a chain of modal dialogs on the test's own thread: each step waits until the dialog
// that has the input (visible and enabled) carries its caption, then acts on it once. A step
// may act on the same dialog as an earlier one once that dialog is active again (after a
// message box or a rule dialog it opened has closed). A dialog that no step expects is
// closed and recorded, so a test never hangs on it.
namespace GuiTest {

struct TScriptStep {
    std::string Caption;
    std::function<void(HWND)> Act;
};

class TDialogScript {
public:
    explicit TDialogScript(std::vector<TScriptStep> steps);
    ~TDialogScript();

    bool Done() const { return Steps.empty(); }
    // The captions and first texts of the dialogs the steps met, in order.
    std::vector<std::string> Captions;
    std::vector<std::string> Texts;
    std::vector<std::string> Unexpected;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Step();
    std::vector<TScriptStep> Steps;
    HWND LastDialog = nullptr;
    bool LastWasDisabled = true;
    UINT_PTR Timer = 0;
};

// Any control of a window by id, at any depth.
HWND FindControl(HWND root, int id);
// Posts a click to the button with this id inside the dialog.
void ClickButton(HWND dialog, int id);
// Sends the dialog the command its button or radio would send.
void SendCommand(HWND dialog, int id);
// Selects an item of a drop-down list as the user would: the selection, then its notification.
void ChooseComboItem(HWND dialog, int id, int index);
bool IsChecked(HWND dialog, int id);
void SetText(HWND dialog, int id, const std::string& text);
std::string Text(HWND dialog, int id);

}  // namespace GuiTest
