#include <gtest/gtest.h>

#include "GuiTest.h"
#include "ui/MsgDlg.h"
#include "ui/Window.h"

namespace {

using GuiTest::TAction;
using GuiTest::TAnswer;
using GuiTest::TDialogAnswerer;

class TOwner : public TWindow {
public:
    TOwner(int left, int top, int width, int height) {
        RegisterWindowClass("TMsgDlgTestOwner", GetSysColorBrush(COLOR_BTNFACE));
        CreateHandle("TMsgDlgTestOwner", "owner", WS_POPUP | WS_VISIBLE, 0, left, top, width,
                     height, nullptr);
    }
};

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

TEST(MsgDlgTest, CentresOnTheOwnerThenClampsRightBottomLeftTop) {
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

TEST(MsgDlgTest, KindsGiveCaptionAndIcon) {
    TOwner owner(100, 100, 400, 300);
    struct TCase {
        TMsgDlgType Kind;
        const char* Caption;
        bool Icon;
    } cases[] = {
        {TMsgDlgType::Warning, "警告", true},     {TMsgDlgType::Error, "エラー", true},
        {TMsgDlgType::Information, "情報", true}, {TMsgDlgType::Confirmation, "確認", true},
        {TMsgDlgType::Custom, "Prunebox", false},
    };
    for (const TCase& c : cases) {
        TDialogAnswerer answerer;
        EXPECT_EQ(MessageDlgCenter(owner.Handle, "本文", c.Kind, mbOK, 0), mrOk);
        ASSERT_EQ(answerer.Seen.size(), 1u);
        EXPECT_EQ(answerer.Seen[0].Caption, c.Caption);
        EXPECT_EQ(answerer.Seen[0].HasIcon, c.Icon) << c.Caption;
        EXPECT_EQ(answerer.Seen[0].Text, "本文");
    }
}

TEST(MsgDlgTest, ButtonsCaptionsOrderDefaultAndAnswers) {
    TOwner owner(100, 100, 400, 300);
    struct TCase {
        unsigned Buttons;
        TAction Action;
        std::vector<std::string> Captions;
        int Default;
        int Result;
        unsigned Asked = 0;  // the default button asked for
    } cases[] = {
        {mbOK, {TAnswer::Enter}, {"OK"}, mrOk, mrOk},
        {mbOK, {TAnswer::Escape}, {"OK"}, mrOk, mrOk},
        {mbOK | mbCancel, {TAnswer::Enter}, {"OK", "キャンセル"}, mrOk, mrOk},
        {mbOK | mbCancel, {TAnswer::Escape}, {"OK", "キャンセル"}, mrOk, mrCancel},
        {mbOK | mbCancel, {TAnswer::Click, mrCancel}, {"OK", "キャンセル"}, mrOk, mrCancel},
        {mbOK | mbCancel, {TAnswer::Close}, {"OK", "キャンセル"}, mrOk, mrCancel},
        {mbYes | mbNo, {TAnswer::Enter}, {"はい(&Y)", "いいえ(&N)"}, mrYes, mrYes},
        {mbYes | mbNo, {TAnswer::Escape}, {"はい(&Y)", "いいえ(&N)"}, mrYes, mrNo},
        {mbYes | mbNo, {TAnswer::Click, mrNo}, {"はい(&Y)", "いいえ(&N)"}, mrYes, mrNo},
        {mbYes | mbNo | mbOK | mbCancel,
         {TAnswer::Escape},
         {"はい(&Y)", "いいえ(&N)", "OK", "キャンセル"},
         mrOk,
         mrCancel},
        {mbYes | mbNo | mbOK | mbCancel,
         {TAnswer::Click, mrYes},
         {"はい(&Y)", "いいえ(&N)", "OK", "キャンセル"},
         mrOk,
         mrYes},
        {mbYes | mbCancel, {TAnswer::Enter}, {"はい(&Y)", "キャンセル"}, mrYes, mrYes},
        {mbYes | mbNo, {TAnswer::Enter}, {"はい(&Y)", "いいえ(&N)"}, mrNo, mrNo, mbNo},
        {mbYes | mbNo, {TAnswer::Click, mrYes}, {"はい(&Y)", "いいえ(&N)"}, mrNo, mrYes, mbNo},
        {mbOK, {TAnswer::Enter}, {"OK"}, mrOk, mrOk, mbNo},  // not one of the buttons
    };
    for (const TCase& c : cases) {
        TDialogAnswerer answerer({c.Action});
        EXPECT_EQ(MessageDlgCenter(owner.Handle, "質問", TMsgDlgType::Confirmation, c.Buttons, 0,
                                   c.Asked),
                  c.Result)
            << c.Buttons;
        ASSERT_EQ(answerer.Seen.size(), 1u);
        EXPECT_EQ(answerer.Seen[0].ButtonCaptions, c.Captions);
        EXPECT_EQ(answerer.Seen[0].DefaultId, c.Default) << c.Buttons;
    }
}

TEST(MsgDlgTest, ButtonsAreCentredUnderTheTextLeftToRight) {
    TOwner owner(100, 100, 400, 300);
    TDialogAnswerer answerer;
    int checked = 0;
    answerer.Inspect = [&](HWND dialog) {
        RECT client, text;
        GetClientRect(dialog, &client);
        auto buttons = GuiTest::Children(dialog, "Button");
        auto statics = GuiTest::Children(dialog, "Static");
        ASSERT_EQ(buttons.size(), 2u);
        ASSERT_FALSE(statics.empty());
        RECT first, second;
        GetWindowRect(buttons[0], &first);
        GetWindowRect(buttons[1], &second);
        GetWindowRect(statics.back(), &text);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&first), 2);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&second), 2);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&text), 2);
        EXPECT_EQ(GuiTest::WindowText(buttons[0]), "OK");
        EXPECT_LT(first.right, second.left);
        EXPECT_NEAR(first.left, client.right - second.right, 1);
        EXPECT_GT(first.top, text.bottom);
        ++checked;
    };
    MessageDlgCenter(owner.Handle, "長い本文の行です。", TMsgDlgType::Warning, mbOK | mbCancel, 0);
    EXPECT_EQ(checked, 1);
}

TEST(MsgDlgTest, DialogIsCentredOnItsOwnerAndKeptInTheWorkArea) {
    const RECT work = WorkArea();
    struct TCase {
        int Left, Top, Width, Height;
        const char* What;
    } cases[] = {
        {200, 150, 400, 300, "inside"},
        {work.right - 100, 200, 400, 300, "half off the right edge"},
        {200, work.top - 800, 400, (work.bottom - work.top) + 1000, "taller, above the top"},
    };
    for (const TCase& c : cases) {
        TOwner owner(c.Left, c.Top, c.Width, c.Height);
        RECT ownerRect;
        GetWindowRect(owner.Handle, &ownerRect);
        TDialogAnswerer answerer;
        MessageDlgCenter(owner.Handle, "位置", TMsgDlgType::Information, mbOK, 0);
        ASSERT_EQ(answerer.Seen.size(), 1u);
        const RECT& box = answerer.Seen[0].Bounds;
        SIZE size{box.right - box.left, box.bottom - box.top};
        POINT expected = CenterInWorkArea(ownerRect, size, work);
        EXPECT_EQ(box.left, expected.x) << c.What;
        EXPECT_EQ(box.top, expected.y) << c.What;
        EXPECT_LE(box.right, work.right) << c.What;
        EXPECT_GE(box.top, work.top) << c.What;
    }
}

}  // namespace
