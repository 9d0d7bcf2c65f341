#include "client/rules/window_layout.h"

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

}  // namespace
}  // namespace vesk
