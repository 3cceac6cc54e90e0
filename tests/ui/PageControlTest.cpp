// uxtheme.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <uxtheme.h>
// clang-format on
#include <gtest/gtest.h>

#include "ui/PageControl.h"
#include "ui/Window.h"

namespace {

class TParent : public TWindow {
public:
    TParent() {
        RegisterWindowClass("TPageControlTestParent", GetSysColorBrush(COLOR_BTNFACE));
        CreateHandle("TPageControlTestParent", "parent", WS_POPUP | WS_VISIBLE, 0, 0, 0, 400, 300,
                     nullptr);
    }
};

// Common controls 6 cannot draw tabs at the bottom under visual styles: that control goes
// without them, whether it starts there or is moved there, and gets them back at the top.
// Wine draws its own visual style (Light) for programs with the manifest, as Windows does.
TEST(PageControlTest, TabsOffTheTopGoWithoutVisualStyles) {
    ASSERT_TRUE(IsThemeActive()) << "the test needs visual styles on";
    struct TCase {
        TTabPosition Created;
        TTabPosition MovedTo;
        bool Themed;
    } cases[] = {
        {TTabPosition::Top, TTabPosition::Top, true},
        {TTabPosition::Bottom, TTabPosition::Bottom, false},
        {TTabPosition::Top, TTabPosition::Bottom, false},
        {TTabPosition::Bottom, TTabPosition::Top, true},
    };
    for (const TCase& c : cases) {
        TParent parent;
        TPageControl tabs;
        tabs.Create(parent.Handle, 1, true, c.Created);
        if (c.MovedTo != c.Created) tabs.SetTabPosition(c.MovedTo);
        EXPECT_EQ(GetWindowTheme(tabs.Handle) != nullptr, c.Themed)
            << static_cast<int>(c.Created) << " -> " << static_cast<int>(c.MovedTo);
        tabs.Destroy();
    }
}

}  // namespace
