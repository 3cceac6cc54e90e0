#include <gtest/gtest.h>

#include <memory>

#include "GuiTest.h"
#include "ui/Dpi.h"
#include "ui/KvPanel.h"
#include "ui/KvPanelEx.h"
#include "ui/UiFont.h"

namespace {

class TFormWindow : public TWindow {
public:
    TFormWindow() {
        RegisterWindowClass("TPanelTestForm", GetSysColorBrush(COLOR_BTNFACE));
        CreateHandle("TPanelTestForm", "form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 600, 400,
                     nullptr);
    }
};

HWND Button(HWND parent, int left) {
    return CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, left, 0, 40, 20,
                           parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

HWND GroupBox(HWND parent) {
    return CreateWindowExA(0, "BUTTON", "group", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0, 300,
                           200, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(KvPanelTest, DisablingAndEnablingReachesEveryButtonAlsoOneDisabledOnItsOwn) {
    TFormWindow form;
    TKvPanel panel;
    panel.Create(form.Handle, 8, 8, 465, 33);
    HWND buttons[3] = {Button(panel.Handle, 0), Button(panel.Handle, 176),
                       Button(panel.Handle, 351)};
    EnableWindow(buttons[1], FALSE);

    EnableWindow(panel.Handle, FALSE);
    for (HWND button : buttons) EXPECT_FALSE(IsWindowEnabled(button));
    EnableWindow(panel.Handle, TRUE);
    for (HWND button : buttons) EXPECT_TRUE(IsWindowEnabled(button));
}

TEST(KvPanelTest, PropagatesThroughPlainContainersToAnyDepth) {
    TFormWindow form;
    TKvPanel outer;
    outer.Create(form.Handle, 0, 0, 400, 300);
    HWND group = GroupBox(outer.Handle);
    TKvPanelEx middle;  // a panel inside a group box inside the panel
    middle.Create(group, 10, 20, 200, 150, "middle");
    HWND groupInside = GroupBox(middle.Handle);
    HWND deepest = Button(groupInside, 5);
    HWND beside = Button(group, 250);

    EnableWindow(outer.Handle, FALSE);
    for (HWND window : {group, middle.Handle, groupInside, deepest, beside})
        EXPECT_FALSE(IsWindowEnabled(window));
    EnableWindow(outer.Handle, TRUE);
    for (HWND window : {group, middle.Handle, groupInside, deepest, beside})
        EXPECT_TRUE(IsWindowEnabled(window));
}

TEST(KvPanelTest, UpdateParentCarriesTheStateToTheEnclosingGroupBox) {
    TFormWindow form;
    HWND group = GroupBox(form.Handle);
    HWND sibling = Button(group, 200);
    for (bool updateParent : {false, true}) {
        TKvPanel panel;
        panel.UpdateParent = updateParent;
        panel.Create(group, 10, 20, 150, 60);
        EnableWindow(panel.Handle, FALSE);
        EXPECT_EQ(IsWindowEnabled(group) == FALSE, updateParent);
        // The parent is changed, not its other children.
        EXPECT_TRUE(IsWindowEnabled(sibling));
        EnableWindow(panel.Handle, TRUE);
        EXPECT_TRUE(IsWindowEnabled(group));
    }
}

TEST(KvPanelTest, ControlNotificationsReachTheForm) {
    struct TCounting : TWindow {
        int Clicks = 0;
        TCounting() {
            RegisterWindowClass("TPanelCountingForm");
            CreateHandle("TPanelCountingForm", "", WS_OVERLAPPEDWINDOW, 0, 0, 0, 300, 200, nullptr);
        }
        LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) ++Clicks;
            return TWindow::WndProc(message, wParam, lParam);
        }
    } form;
    TKvPanel panel;
    panel.Create(form.Handle, 0, 0, 200, 50);
    HWND button = Button(panel.Handle, 0);
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(form.Clicks, 1);
}

// Paints the panel into a bitmap of its size.
struct TPainted {
    HDC Dc;
    HBITMAP Bitmap;
    HGDIOBJ Old;
    explicit TPainted(HWND panel) {
        RECT client;
        GetClientRect(panel, &client);
        HDC screen = GetDC(nullptr);
        Dc = CreateCompatibleDC(screen);
        Bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
        ReleaseDC(nullptr, screen);
        Old = SelectObject(Dc, Bitmap);
        SendMessageA(panel, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Dc), PRF_CLIENT);
    }
    ~TPainted() {
        SelectObject(Dc, Old);
        DeleteObject(Bitmap);
        DeleteDC(Dc);
    }
};

TEST(KvPanelTest, GroupFrameHasItsTopLineAtHalfTextHeightBrokenByTheCaption) {
    TFormWindow form;
    TKvPanelEx panel;
    panel.Create(form.Handle, 10, 10, 300, 120, "接続先");
    SendMessageA(panel.Handle, WM_SETFONT,
                 reinterpret_cast<WPARAM>(UiFont::Form(Dpi::Of(panel.Handle))), FALSE);
    TPainted painted(panel.Handle);

    HGDIOBJ old = SelectObject(painted.Dc, UiFont::Form(Dpi::Of(panel.Handle)));
    SIZE zero{}, caption{};
    GetTextExtentPoint32A(painted.Dc, "0", 1, &zero);
    GetTextExtentPoint32A(painted.Dc, "接続先 ", 7, &caption);
    SelectObject(painted.Dc, old);
    const int lineY = zero.cy / 2 - 1;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);  // outer bevel lowered: top is dark
    const COLORREF face = GetSysColor(COLOR_BTNFACE);

    EXPECT_EQ(GetPixel(painted.Dc, 4, lineY), shadow);
    EXPECT_EQ(GetPixel(painted.Dc, 8 + caption.cx + 4, lineY), shadow);
    EXPECT_NE(GetPixel(painted.Dc, 4, lineY - 1), shadow);  // nothing drawn above the line
    // Behind the caption (its trailing space included) the line is covered.
    EXPECT_EQ(GetPixel(painted.Dc, 8 + caption.cx - 1, lineY), face);
    // Left edge of the frame runs down from the line.
    EXPECT_EQ(GetPixel(painted.Dc, 0, lineY + 20), shadow);
}

TEST(KvPanelTest, PlainPanelTypeDrawsTheFrameAtTheTopAndNoCaption) {
    TFormWindow form;
    TKvPanelEx panel;
    panel.SetPanelType(true);
    panel.Create(form.Handle, 10, 10, 300, 120, "接続先");
    TPainted painted(panel.Handle);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    for (int x : {4, 20, 60}) EXPECT_EQ(GetPixel(painted.Dc, x, 0), shadow) << x;
}

}  // namespace
