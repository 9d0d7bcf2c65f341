#include "client/win/flat_toolbar.h"

#include <gtest/gtest.h>

#include <vector>

#include "client/rules/commands.h"
#include "client/rules/toolbar_layout.h"
#include "tests/windows/dialog_driver.h"

namespace vesk {
namespace {

using test::SharedMessageBox;

constexpr int kRoll = static_cast<int>(ChatCommand::kRollDice);

// A main window that keeps the commands it is sent.
std::vector<int> commands;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) commands.push_back(LOWORD(wParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

// Runs every message queued so far, the posted mouse messages and what they set off.
void RunQueued() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void Click(HWND toolbar, POINT at, bool down) {
    PostMessageW(toolbar, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0,
                 MAKELPARAM(at.x, at.y));
    RunQueued();
}

class FlatToolbarTest : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ParentProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"FlatToolbarTestParent";
        RegisterClassW(&windowClass);
        parent = CreateWindowW(L"FlatToolbarTestParent", L"FlatToolbarTest", WS_OVERLAPPEDWINDOW, 0,
                               0, 600, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(parent, SW_SHOW);
        commands.clear();
    }
    void TearDown() override { DestroyWindow(parent); }

    HWND parent = nullptr;
    SharedMessageBox messages;
};

TEST_F(FlatToolbarTest, LeavesRoomForTheComboBoxesAroundTheDiceButton) {
    FlatToolbar toolbar;
    const HWND window = toolbar.Create(parent, GetModuleHandleW(nullptr), messages);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(messages.Shown().empty());

    const auto index = SendMessageW(window, TB_COMMANDTOINDEX, kRoll, 0);
    RECT button{};
    SendMessageW(window, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&button));
    EXPECT_EQ(button.left, kDiceButtonLeft);
    EXPECT_EQ(button.right - button.left, kButtonWidth);
    EXPECT_LT(button.right, kRuleLeft);
    const auto count = SendMessageW(window, TB_BUTTONCOUNT, 0, 0);
    RECT last{};
    SendMessageW(window, TB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
    EXPECT_EQ(last.right, kNameComboLeft);

    // A combo box as the main window makes it fits with as much room below as above.
    const HWND box = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"COMBOBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER | CBS_DROPDOWN,
        kNameComboLeft, kComboTop, kComboWidth, 250, window, nullptr, nullptr, nullptr);
    SendMessageW(box, WM_SETFONT, SendMessageW(window, WM_GETFONT, 0, 0), FALSE);
    RECT boxRect{};
    GetWindowRect(box, &boxRect);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_GE(client.bottom, kComboTop + (boxRect.bottom - boxRect.top) + kComboTop);
}

TEST_F(FlatToolbarTest, ARollComesOnlyFromAReleaseOverTheButtonWhichShowsTheHotDieWhilePressed) {
    FlatToolbar toolbar;
    const HWND window = toolbar.Create(parent, GetModuleHandleW(nullptr), messages);
    const auto normal = SendMessageW(window, TB_GETIMAGELIST, 0, 0);
    const auto hot = SendMessageW(window, TB_GETHOTIMAGELIST, 0, 0);
    ASSERT_NE(normal, 0);
    ASSERT_NE(hot, 0);

    const POINT onButton{kDiceButtonLeft + kButtonWidth / 2, 10};
    const POINT onRoom{80, 10};
    const POINT onGap{kRuleLeft + 5, 10};
    Click(window, onButton, true);
    EXPECT_TRUE(SendMessageW(window, TB_ISBUTTONPRESSED, kRoll, 0));
    EXPECT_EQ(SendMessageW(window, TB_GETIMAGELIST, 0, 0), hot);
    EXPECT_TRUE(commands.empty());
    Click(window, onButton, false);
    EXPECT_FALSE(SendMessageW(window, TB_ISBUTTONPRESSED, kRoll, 0));
    EXPECT_EQ(SendMessageW(window, TB_GETIMAGELIST, 0, 0), normal);
    EXPECT_EQ(commands, std::vector{kRoll});

    // A press anywhere brings the window forward, a press beside the button nothing more.
    commands.clear();
    const HWND other = CreateWindowW(L"FlatToolbarTestParent", L"Other", WS_OVERLAPPEDWINDOW, 0, 0,
                                     100, 100, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(other, SW_SHOW);
    for (const POINT& elsewhere : {onRoom, onGap}) {
        SetForegroundWindow(other);
        RunQueued();
        ASSERT_EQ(GetForegroundWindow(), other);
        Click(window, elsewhere, true);
        EXPECT_EQ(GetForegroundWindow(), parent);
        Click(window, elsewhere, false);
    }
    DestroyWindow(other);
    // Pressed on the button, released off it.
    Click(window, onButton, true);
    Click(window, onGap, false);
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(SendMessageW(window, TB_GETIMAGELIST, 0, 0), normal);
}

TEST_F(FlatToolbarTest, MissingPicturesAreToldOnceAndTheButtonStillRolls) {
    FlatToolbar toolbar;
    // A module without the pictures.
    const HWND window = toolbar.Create(parent, GetModuleHandleW(L"kernel32.dll"), messages);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(messages.Shown(), std::vector<std::string>{"イメージリスト作成失敗"});
    const POINT onButton{kDiceButtonLeft + kButtonWidth / 2, 10};
    Click(window, onButton, true);
    Click(window, onButton, false);
    EXPECT_EQ(commands, std::vector{kRoll});
}

}  // namespace
}  // namespace vesk
