#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include "DialogScript.h"
#include "ui/ControlTable.h"
#include "ui/Dpi.h"
#include "ui/UiFont.h"
#include "ui/Window.h"

namespace {

// Sizes at 96 DPI in pixels at common scalings, rounded to the nearest pixel.
TEST(DpiTest, ScalesToTheNearestPixel) {
    const struct {
        int Dpi, Size, Pixels;
    } cases[] = {
        {96, 105, 105}, {120, 105, 131}, {144, 105, 158}, {144, 15, 23},
        {168, 23, 40},  {192, 33, 66},   {144, 1, 2},     {144, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Dpi::Scale(c.Size, c.Dpi), c.Pixels) << c.Dpi << " " << c.Size;
    }
}

// A stored size shown on a screen of any DPI and stored again is the size it was, so that
// settings move between screens without creeping.
TEST(DpiTest, StoredSizesSurviveAScreenOfAnyDpi) {
    for (const int dpi : {96, 120, 144, 168, 192, 240, 288}) {
        for (int size = 0; size <= 4000; ++size) {
            ASSERT_EQ(Dpi::Unscale(Dpi::Scale(size, dpi), dpi), size) << dpi;
        }
    }
}

// A dialog with a field and a report list, made at the DPI of its screen.
class TSmallDialog : public TWindow {
protected:
    INT_PTR DialogProc(UINT message, WPARAM, LPARAM) override {
        if (message != WM_INITDIALOG) return FALSE;
        SetWindowTextA(Handle, "DpiTest");
        HFONT font = UiFont::Form(Dpi::Of(Handle));
        CreateControl(Handle, {"EDIT", "", WS_TABSTOP, 0, 10, 20, 200, 23, 1}, font);
        HWND list =
            CreateControl(Handle, {WC_LISTVIEWA, "", LVS_REPORT, 0, 10, 60, 300, 100, 2}, font);
        InsertColumn(list, 0, {"列", 120, LVCFMT_LEFT});
        return TRUE;
    }
};

RECT ChildBounds(HWND dialog, int id) {
    RECT bounds;
    GetWindowRect(GetDlgItem(dialog, id), &bounds);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

// Moved to a screen of another DPI, a dialog's controls, columns and fonts follow, and it takes
// the rectangle the system suggests.
TEST(DpiTest, DialogFollowsAChangeOfDpi) {
    TSmallDialog dialog;
    GuiTest::TDialogScript script(
        {{"DpiTest", [](HWND window) {
              const int from = Dpi::Of(window), to = from * 3 / 2;
              const RECT field = ChildBounds(window, 1);
              HWND list = GetDlgItem(window, 2);
              const LRESULT column = SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0);
              RECT suggested{40, 50, 640, 450};
              SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(to, to),
                           reinterpret_cast<LPARAM>(&suggested));

              const RECT scaled = ChildBounds(window, 1);
              EXPECT_EQ(scaled.left, MulDiv(field.left, to, from));
              EXPECT_EQ(scaled.right, MulDiv(field.right, to, from));
              EXPECT_EQ(scaled.bottom, MulDiv(field.bottom, to, from));
              EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), MulDiv(column, to, from));
              for (HWND control : {GetDlgItem(window, 1), list}) {
                  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)),
                            UiFont::Form(to));
              }
              RECT bounds;
              GetWindowRect(window, &bounds);
              EXPECT_EQ(bounds.left, suggested.left);
              EXPECT_EQ(bounds.right, suggested.right);
              EXPECT_EQ(bounds.bottom, suggested.bottom);
              EndDialog(window, IDOK);
          }}});
    dialog.RunModalDialog(nullptr);
    EXPECT_TRUE(script.Done());
}

}  // namespace
