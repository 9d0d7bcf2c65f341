#include "client/win/font_choice.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include "tests/windows/dialog_driver.h"

namespace vesk {
namespace {

using test::Click;
using test::DriveDialog;
using test::ItemText;

// The font dialog is the platform's, whatever its title in the machine's language. It opens
// on a Japanese face that the test machine has (Debian's IPA fonts, as Wine names them).
std::optional<FontChoice> Choose(const std::function<void(HWND)>& drive) {
    return DriveDialog(nullptr, drive,
                       [] { return ChooseChatFont(nullptr, Cp932FromUtf8("IPAゴシック"), 14); });
}

TEST(FontChoiceTest, OpensOnTheStoredFaceAndSizeAndGivesThemBack) {
    const std::optional<FontChoice> choice = Choose([](HWND dialog) {
        EXPECT_EQ(ItemText(dialog, cmb1), L"IPAゴシック");
        EXPECT_EQ(ItemText(dialog, cmb3), L"14");
        Click(dialog, IDOK);
    });
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->face, "IPAゴシック");
    EXPECT_DOUBLE_EQ(choice->points, 14);
}

}  // namespace
}  // namespace vesk
