#include "client/rules/window_layout.h"

#include "client/rules/toolbar_layout.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vesk {

void PrintTo(const ControlRect& r, std::ostream* out) {
    *out << '(' << r.x << ", " << r.y << ", " << r.width << " x " << r.height << ')';
}

void PrintTo(const WindowLayout& l, std::ostream* out) {
    *out << "toolbar ";
    PrintTo(l.toolbar, out);
    *out << " log ";
    PrintTo(l.chatLog, out);
    *out << " list ";
    PrintTo(l.participantList, out);
    *out << " input ";
    PrintTo(l.chatInput, out);
}

namespace {

struct LayoutCase {
    int width;
    int height;
    int toolbar;
    WindowLayout expected;
};

TEST(WindowLayoutTest, PlacesControlsAndTakesNegativeSizesAsZero) {
    const LayoutCase cases[] = {
        // Room for everything: a 2-pixel gap right of the log and above the input.
        {640, 480, 30, {{0, 0, 640, 30}, {0, 30, 540, 420}, {542, 30, 98, 420}, {0, 452, 640, 28}}},
        {100, 60, 30, {{0, 0, 100, 30}, {0, 30, 0, 0}, {2, 30, 98, 0}, {0, 32, 100, 28}}},
        // Narrower than the list and lower than the toolbar and the input.
        {50, 20, 30, {{0, 0, 50, 30}, {0, 30, 0, 0}, {-48, 30, 98, 0}, {0, -8, 50, 28}}},
        // Minimised: a client area of 0 x 0.
        {0, 0, 30, {{0, 0, 0, 30}, {0, 30, 0, 0}, {-98, 30, 98, 0}, {0, -28, 0, 28}}},
    };
    for (const LayoutCase& c : cases) {
        EXPECT_EQ(LayOutWindow(c.width, c.height, c.toolbar), c.expected)
            << c.width << " x " << c.height;
    }
}

TEST(WindowLayoutTest, ScalesLengthsOf96DpiToTheWindowsDpi) {
    struct ScaleCase {
        int pixels;
        int dpi;
        int expected;
    };
    const ScaleCase scales[] = {
        {98, 144, 147},
        // Halves round away from zero, as MulDiv rounds them.
        {2, 144, 3},
        {-98, 144, -147},
        // A window not yet on a monitor reports 0: its lengths stay as laid out.
        {98, 0, 98},
        // No overflow on the way for a length far beyond any screen.
        {1'000'000'000, 192, 2'000'000'000},
    };
    for (const ScaleCase& c : scales) {
        EXPECT_EQ(ScaledForDpi(c.pixels, c.dpi), c.expected) << c.pixels << " at " << c.dpi;
    }

    // At 150 %: a list 147 wide, an input 42 high, gaps of 3, around a toolbar measured at
    // that DPI.
    EXPECT_EQ(
        LayOutWindow(960, 720, 45, 144),
        (WindowLayout{{0, 0, 960, 45}, {0, 45, 810, 630}, {813, 45, 147, 630}, {0, 678, 960, 42}}));
    EXPECT_EQ(LayOutWindow(100, 60, 45, 144),
              (WindowLayout{{0, 0, 100, 45}, {0, 45, 0, 0}, {-47, 45, 147, 0}, {0, 18, 100, 42}}));

    // The toolbar: room for the button (26 at 96 DPI) or for the box with its margins scaled.
    const ScaleCase toolbars[] = {
        {20, 96, 26}, {22, 96, 28}, {20, 144, 39}, {33, 144, 43}, {40, 192, 52}, {44, 192, 56},
    };
    for (const ScaleCase& c : toolbars) {
        EXPECT_EQ(ToolbarHeightFor(c.pixels, c.dpi), c.expected) << c.pixels << " at " << c.dpi;
    }
}

}  // namespace
}  // namespace vesk
