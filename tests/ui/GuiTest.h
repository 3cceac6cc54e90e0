#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Helpers for tests that drive the program's real windows on the test's own thread.
namespace GuiTest {

// Dispatches this thread's messages until done() holds or timeoutMs passed; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Dispatches the messages that are waiting now.
void PumpPending();

std::string WindowText(HWND window);
// The DPI a run asked for (PB_EXPECT_DPI, set by RunAtDpi); 0 when none.
int ExpectedDpi();
// Caption of the tab at index of a tab control.
std::string TabText(HWND tabControl, int index);
std::string ClassName(HWND window);
// Direct children of parent of the given class, in child order.
std::vector<HWND> Children(HWND parent, const char* className);

// What a modal dialog showed when it was answered.
struct TDialogSeen {
    std::string Caption;
    std::string Text;  // the first static text
    std::vector<std::string> ButtonCaptions;
    std::vector<int> ButtonIds;
    int DefaultId = 0;
    bool HasIcon = false;
    bool FieldMasked = false;  // an edit field with ES_PASSWORD
    RECT Bounds{};
};

enum class TAnswer { Click, Escape, Enter, Close };
struct TAction {
    TAction(TAnswer answer = TAnswer::Enter, int buttonId = 0)
        : Answer(answer), ButtonId(buttonId) {}
    TAnswer Answer;
    int ButtonId;           // for Click
    std::string FieldText;  // typed into the dialog's edit field first, when not empty
    bool PressF3 = false;   // a key press F3 sent to the dialog before the answer
};

// While it lives, answers every modal dialog that opens on this thread with the next action
// (Enter when the actions are used up) and records what each showed.
class TDialogAnswerer {
public:
    explicit TDialogAnswerer(std::vector<TAction> actions = {});
    ~TDialogAnswerer();
    std::vector<TDialogSeen> Seen;
    // Runs on each dialog before it is answered, while it is open.
    std::function<void(HWND)> Inspect;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Answer(HWND dialog);
    std::vector<TAction> Actions;
    std::vector<HWND> Answered;
    UINT_PTR Timer = 0;
};

}  // namespace GuiTest
