#include <gtest/gtest.h>

#include <functional>

#include "GuiTest.h"
#include "ui/InputBox.h"
#include "ui/MsgDlg.h"
#include "ui/ScreenBounds.h"
#include "ui/Window.h"

namespace {

using GuiTest::TDialogAnswerer;

class TOwner : public TWindow {
public:
    TOwner(int left, int top, int width, int height) {
        RegisterWindowClass("TScreenBoundsTestOwner", GetSysColorBrush(COLOR_BTNFACE));
        CreateHandle("TScreenBoundsTestOwner", "owner", WS_POPUP | WS_VISIBLE, 0, left, top, width,
                     height, nullptr);
    }
};

TEST(ScreenBoundsTest, CentresOnTheOwnerThenClampsRightBottomLeftTop) {
    const RECT work{0, 0, 1000, 700};
    struct TCase {
        RECT Owner;
        SIZE Dialog;
        POINT Expected;
    } cases[] = {
        {{100, 100, 500, 400}, {200, 100}, {200, 200}},
        {{101, 100, 500, 401}, {200, 100}, {200, 200}},   // halves round toward zero
        {{800, 100, 1400, 400}, {300, 100}, {700, 200}},  // half off the right edge
        {{100, 600, 400, 1000}, {200, 300}, {150, 400}},  // below the bottom
        {{-500, -300, 100, 200}, {300, 100}, {0, 0}},     // off the top-left
        {{-50, -400, 300, 1200}, {200, 100}, {25, 350}},  // taller than the area
        {{-50, -400, 300, 200}, {1200, 900}, {0, 0}},     // dialog larger than the area
        {{-300, -900, 300, 200}, {200, 100}, {0, 0}},     // owner taller, above the top
    };
    for (const TCase& c : cases) {
        POINT at = CenterInWorkArea(c.Owner, c.Dialog, work);
        EXPECT_EQ(at.x, c.Expected.x) << c.Owner.left << "," << c.Owner.top;
        EXPECT_EQ(at.y, c.Expected.y) << c.Owner.left << "," << c.Owner.top;
    }
}

// Every dialog of the program goes through the same placement: centred on the owner (not on
// the screen), inside the work area of the owner's monitor.
TEST(ScreenBoundsTest, DialogsAreCentredOnTheirOwnerInItsMonitorsWorkArea) {
    const std::function<void(HWND)> dialogs[] = {
        [](HWND owner) { MessageDlgCenter(owner, "位置", TMsgDlgType::Information, mbOK, 0); },
        [](HWND owner) {
            std::string password;
            InputQuery(owner, "パスワード", "パスワードを入力してください", password, true);
        },
    };
    struct TCase {
        int Left, Top, Width, Height;
        const char* What;
    } cases[] = {
        {60, 50, 400, 300, "inside, off the screen's centre"},
        {-1, 200, 400, 300, "half off the right edge"},
        {200, -800, 400, 3000, "taller, above the top"},
    };
    int index = 0;
    for (const auto& open : dialogs) {
        for (const TCase& c : cases) {
            const int left = c.Left < 0 ? WorkAreaOf(nullptr).right - 100 : c.Left;
            TOwner owner(left, c.Top, c.Width, c.Height);
            const RECT work = WorkAreaOf(owner.Handle);
            RECT ownerRect;
            GetWindowRect(owner.Handle, &ownerRect);
            TDialogAnswerer answerer;
            open(owner.Handle);
            ASSERT_EQ(answerer.Seen.size(), 1u);
            const RECT& box = answerer.Seen[0].Bounds;
            SIZE size{box.right - box.left, box.bottom - box.top};
            POINT expected = CenterInWorkArea(ownerRect, size, work);
            EXPECT_EQ(box.left, expected.x) << "dialog " << index << ": " << c.What;
            EXPECT_EQ(box.top, expected.y) << "dialog " << index << ": " << c.What;
            EXPECT_LE(box.right, work.right) << c.What;
            EXPECT_GE(box.top, work.top) << c.What;
        }
        ++index;
    }
}

}  // namespace
