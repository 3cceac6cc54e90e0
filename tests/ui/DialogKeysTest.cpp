// The keyboard on the main window's account page, through the message loop's key handling.
#include <gtest/gtest.h>

#include "GuiTest.h"
#include "StartedMain.h"
#include "ui/DialogKeys.h"

namespace {

// A key as the message loop takes it from the queue for the focused control.
void Press(HWND main, UINT message, WPARAM key) {
    MSG taken{GetFocus(), message, key, 0, 0, {}};
    if (!HandleDialogKeys(main, taken)) {
        TranslateMessage(&taken);
        DispatchMessageA(&taken);
    }
    GuiTest::PumpPending();
}

TEST(DialogKeysTest, TabFromTheTabStripWalksThePageControlsInOrder) {
    TStarted started(1);
    const TMainFrame& frame = *started.Main.Accounts.Pages[1]->Frame;
    SetFocus(started.Main.MainPage.Handle);
    ASSERT_EQ(GetFocus(), started.Main.MainPage.Handle);
    const HWND order[] = {frame.Serv,  frame.APOPCheck, frame.IDNum, frame.Pass, frame.MailView,
                          frame.Logon, frame.Delete,    frame.Kill,  frame.Serv};
    for (HWND expected : order) {
        Press(started.Main.Handle, WM_KEYDOWN, VK_TAB);
        EXPECT_EQ(GetFocus(), expected) << GuiTest::ClassName(GetFocus());
    }
}

TEST(DialogKeysTest, EnterAndSpacePressTheFocusedButtonOnly) {
    TStarted started(1);
    TChPage& page = *started.Main.Accounts.Pages[1];
    const TMainFrame& frame = *page.Frame;
    const struct {
        HWND Focus;
        WPARAM Key;
        bool Presses;
    } cases[] = {
        {frame.Kill, VK_RETURN, true},
        {frame.Kill, VK_SPACE, true},
        {frame.Serv, VK_RETURN, false},
    };
    for (const auto& c : cases) {
        // "切断" clears the count panel when its command runs.
        page.Frame->StatusBar1.SetText(1, "全 3通");
        SetFocus(c.Focus);
        Press(started.Main.Handle, WM_KEYDOWN, c.Key);
        Press(started.Main.Handle, WM_KEYUP, c.Key);
        ASSERT_TRUE(GuiTest::PumpUntil([&] { return !page.Worker->Busy(); }));
        if (c.Presses) {
            EXPECT_TRUE(GuiTest::PumpUntil([&] { return frame.StatusBar1.Text(1).empty(); }))
                << c.Key;
        }
        GuiTest::PumpPending();
        EXPECT_EQ(frame.StatusBar1.Text(1).empty(), c.Presses) << c.Key;
    }
}

}  // namespace
