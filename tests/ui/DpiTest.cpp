#include "ui/Dpi.h"

#include <gtest/gtest.h>

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

}  // namespace
