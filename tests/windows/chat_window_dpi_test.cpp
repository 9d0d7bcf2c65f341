// VeskChat.exe on a monitor of 144 DPI (150 %): its main window lays its controls out at their
// sizes for 96 DPI scaled by one and a half. The test sets the user's DPI for the program it
// starts, as Wine reads it afresh for each program, and puts the setting back afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "tests/client/dice/temp_folder.h"
#include "tests/windows/native_driver.h"

namespace vesk::test {
namespace {

constexpr int kChatInputId = 5555;
constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";

std::string SampleList(const char* name) {
    std::ifstream file(std::filesystem::path(VESK_DATA_DIR) / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The user's DPI set for as long as the object lives; the earlier setting (or none) after.
class UserDpi {
public:
    explicit UserDpi(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr);
        DWORD old = 0;
        DWORD size = sizeof old;
        if (RegQueryValueExW(key, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old),
                             &size) == ERROR_SUCCESS) {
            previous = old;
        }
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                       sizeof dpi);
    }
    ~UserDpi() {
        if (previous) {
            RegSetValueExW(key, L"LogPixels", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&*previous), sizeof *previous);
        } else {
            RegDeleteValueW(key, L"LogPixels");
        }
        RegCloseKey(key);
    }
    UserDpi(const UserDpi&) = delete;
    UserDpi& operator=(const UserDpi&) = delete;

private:
    HKEY key = nullptr;
    std::optional<DWORD> previous;
};

// A control's place in its parent's client area, and its size.
RECT PlaceInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(ChatWindowDpiTest, ScalesItsLayoutToTheMonitorsDpi) {
    const UserDpi dpi(144);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Okvi\\VeskChat");
    const TempFolder folder;
    folder.Write("dice.sai", SampleList("dice.sai"));
    folder.Write("name.nam", SampleList("name.nam"));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    NativeProgram chat(ProgramPath(VESK_VESKCHAT_PATH));
    std::filesystem::current_path(previous);
    ASSERT_TRUE(chat.Started());
    const HWND window = chat.WaitForWindow(L"VeskChat", L"VeskChat");
    ASSERT_NE(window, nullptr);

    // The list 98 wide and the input 28 high at 96 DPI; the layout is done once the window
    // is shown.
    const HWND list = FindWindowExW(window, nullptr, L"LISTBOX", nullptr);
    ASSERT_NE(list, nullptr);
    const auto width = [](const RECT& rect) { return rect.right - rect.left; };
    EXPECT_TRUE(WaitFor([&] { return width(PlaceInParent(list)) == 147; }))
        << "the list is " << width(PlaceInParent(list)) << " wide";
    const RECT input = PlaceInParent(GetDlgItem(window, kChatInputId));
    EXPECT_EQ(input.bottom - input.top, 42);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(PlaceInParent(list).right, client.right);
    EXPECT_EQ(PlaceInParent(list).bottom + 3, input.top);

    // The dice box at x 5 and the name box at 205, 150 wide, on the toolbar.
    const HWND toolbar = FindWindowExW(window, nullptr, L"ToolbarWindow32", nullptr);
    ASSERT_NE(toolbar, nullptr);
    const HWND diceBox = FindWindowExW(toolbar, nullptr, L"ComboBox", nullptr);
    const HWND nameBox = FindWindowExW(toolbar, diceBox, L"ComboBox", nullptr);
    ASSERT_NE(nameBox, nullptr);
    for (const auto& [box, left] : {std::pair{diceBox, 8L}, std::pair{nameBox, 308L}}) {
        const RECT place = PlaceInParent(box);
        EXPECT_EQ(place.left, left);
        EXPECT_EQ(width(place), 225);
    }

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(chat.WaitForExit(), 0u);
}

}  // namespace
}  // namespace vesk::test
