// VeskChat.exe itself, driven through its window from this process as a player would drive it:
// its menu, the CONNECT dialog, the join lines on the wire, a line from the relay in the log
// and the list, a typed line sent on Enter, and a clean end; and its layout at a higher DPI. The
// test stands in for the relay.

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/client/vesk_chat_ids.h"
#include "tests/client/dice/temp_folder.h"
#include "tests/support/test_peer.h"
#include "tests/windows/native_driver.h"

namespace vesk::test {
namespace {

constexpr int kChatInputId = 5555;
constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";

std::string SampleList(const char* name) {
    std::ifstream file(std::filesystem::path(VESK_DATA_DIR) / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A list box's rows, read through messages the system carries between processes.
std::vector<std::wstring> Rows(HWND list) {
    std::vector<std::wstring> rows;
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
        std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, row, 0)) + 1,
                          L'\0');
        SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
        text.resize(text.size() - 1);
        rows.push_back(text);
    }
    return rows;
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

// The control of the window's thread that has the keyboard focus.
HWND Focused(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// The window's combo boxes, wherever they are among its descendants, in the order made.
std::vector<HWND> ComboBoxes(HWND window) {
    std::vector<HWND> found;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM list) {
            wchar_t name[16] = {};
            GetClassNameW(child, name, 16);
            if (std::wstring_view(name) == L"ComboBox") {
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Puts text on the clipboard, as another program's copy would.
void CopyToClipboard(const std::wstring& text) {
    const HWND owner =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::wmemcpy(static_cast<wchar_t*>(GlobalLock(memory)), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    EXPECT_NE(SetClipboardData(CF_UNICODETEXT, memory), nullptr);
    CloseClipboard();
    DestroyWindow(owner);
}

// A control's place in its parent's client area, and its size.
RECT PlaceInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class ChatWindowTest : public ::testing::Test {
protected:
    // A first start: no settings of an earlier run, and the lists in the folder the program
    // starts in.
    void Start() {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Okvi\\VeskChat");
        folder.Write("dice.sai", SampleList("dice.sai"));
        folder.Write("name.nam", SampleList("name.nam"));
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder.Path());
        chat.emplace(ProgramPath(VESK_VESKCHAT_PATH));
        ASSERT_TRUE(chat->Started());
        window = chat->WaitForWindow(L"VeskChat", L"VeskChat");
        ASSERT_NE(window, nullptr);
    }

    void TearDown() override {
        chat.reset();
        if (!previous.empty()) std::filesystem::current_path(previous);
    }

    // The chat log's text, each line ending in CR as the rich edit ends its paragraphs.
    std::wstring LogText() const {
        std::wstring text = WindowText(FindWindowExW(window, nullptr, L"RICHEDIT50W", nullptr));
        std::erase(text, L'\n');
        return text;
    }
    ::testing::AssertionResult LogEndsWith(const std::wstring& lines) const {
        if (WaitFor([&] { return LogText().ends_with(lines); })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "the log reads " << ::testing::PrintToString(LogText());
    }
    HWND Input() const { return GetDlgItem(window, kChatInputId); }
    void Type(const wchar_t* text) const {
        SendMessageW(Input(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        PostMessageW(Input(), WM_KEYDOWN, VK_RETURN, 1);
    }
    // Answers CONNECT with a relay of the test's own and the name: the relay's side of the
    // connection VeskChat then makes.
    static std::unique_ptr<TestPeer> AcceptJoin(HWND connect, const wchar_t* name) {
        TestListener relay;
        SetDlgItemTextW(connect, VESK_ID_PORT, std::to_wstring(relay.Port()).c_str());
        SetDlgItemTextW(connect, VESK_ID_NAME, name);
        PostMessageW(connect, WM_COMMAND, IDOK, 0);
        return std::make_unique<TestPeer>(TestPeer::Adopt{relay.Accept(kDeadline)});
    }
    bool ChooseFileItem(wchar_t itemKey) const {
        return chat->ChooseMenuItem(window, L'f', itemKey);
    }

    TempFolder folder;
    std::filesystem::path previous;
    std::optional<NativeProgram> chat;
    HWND window = nullptr;
};

TEST_F(ChatWindowTest, ShowsItsMenuJoinsThePartyTalksAndQuits) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const ResourceMenu menu(ProgramPath(VESK_VESKCHAT_PATH), VESK_CHAT_MENU);
    ASSERT_NE(menu.Handle(), nullptr);
    const std::pair<int, const wchar_t*> bar[] = {
        {0, L"ファイル(&F)"}, {1, L"プレイ(&P)"}, {2, L"ツール(&T)"}, {3, L"ヘルプ(&H)"}};
    for (const auto& [position, title] : bar)
        EXPECT_EQ(MenuBarTitle(menu.Handle(), position), title);
    const std::pair<UINT, const wchar_t*> items[] = {
        {VESK_CMD_CONNECT, L"接続(&S)\tCtrl + S"},
        {VESK_CMD_DISCONNECT, L"切断(&C)\tCtrl + Shift + S"},
        {VESK_CMD_SAVE_HTML_LOG, L"ログをHTMLで保存"},
        {VESK_CMD_ROLL_DICE, L"ダイスを振る\tCtrl + D"},
        {VESK_CMD_QUIT, L"終了(&Q)\tCtrl + Q"},
    };
    for (const auto& [id, text] : items) EXPECT_EQ(MenuItemText(menu.Handle(), id), text) << id;

    // The dialogs of the help menu and of the server's address open over the window.
    ASSERT_TRUE(chat->ChooseMenuItem(window, L'h', L'a'));
    const HWND about = chat->WaitForWindow(kDialogClass, L"バージョン情報");
    ASSERT_NE(about, nullptr);
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForWindowGone(about));
    PostMessageW(window, WM_COMMAND, VESK_CMD_SHOW_IP, 0);
    const HWND address = chat->WaitForWindow(kDialogClass, L"IPアドレス表示");
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(address, VESK_ID_SHOWN_ADDRESS)), L"127.0.0.1");
    PostMessageW(address, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForWindowGone(address));

    // Not connected: 切断 is greyed and does nothing, 接続 opens CONNECT on the defaults.
    ASSERT_TRUE(ChooseFileItem(L'c'));
    ASSERT_TRUE(ChooseFileItem(L's'));
    const HWND connect = chat->WaitForWindow(kDialogClass, L"接続");
    ASSERT_NE(connect, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(connect, VESK_ID_ADDRESS)), L"127.0.0.1");
    EXPECT_EQ(WindowText(GetDlgItem(connect, VESK_ID_PORT)), L"15000");

    const std::unique_ptr<TestPeer> joined = AcceptJoin(connect, L"アヤ①");
    TestPeer& party = *joined;
    ASSERT_TRUE(party.Connected());
    for (const char* line :
         {"アヤ①\r\n", "talk\r\n", "talkアヤ① がパーティに参加しました\r\n", "talk\r\n"}) {
        EXPECT_EQ(party.NextLine(), Sjis(line));
    }
    ASSERT_TRUE(WaitForWindowGone(connect));

    // What the relay sends shows in the list and the log.
    ASSERT_TRUE(party.Send(Sjis("paddアヤ①\t0\r\ntalkアヤ① がパーティに参加しました\r\n")));
    EXPECT_TRUE(WaitFor([&] {
        return Rows(FindWindowExW(window, nullptr, L"LISTBOX", nullptr)) ==
               std::vector<std::wstring>{L"アヤ①"};
    }));
    EXPECT_TRUE(LogEndsWith(L"アヤ① がパーティに参加しました\r"));

    // Enter sends the typed line under the chosen name and empties the input.
    Type(L"こんにちは 100%");
    EXPECT_EQ(party.NextLine(), Sjis("talkアヤ①：こんにちは 100%\r\n"));
    EXPECT_TRUE(WaitFor([&] { return WindowText(Input()).empty(); }));

    // The dice button rolls the expression the dice box shows, the first of the list.
    PostMessageW(window, WM_COMMAND, VESK_CMD_ROLL_DICE, 0);
    const std::optional<std::string> roll = party.NextLine();
    ASSERT_TRUE(roll.has_value());
    EXPECT_TRUE(roll->starts_with(Sjis("talkアヤ①：ころりんこ。。。1D[100] = "))) << *roll;

    // Connected: 接続 is greyed and opens nothing; 切断 ends the connection.
    ASSERT_TRUE(ChooseFileItem(L's'));
    ASSERT_TRUE(ChooseFileItem(L'c'));
    EXPECT_TRUE(party.WaitForClose());
    EXPECT_EQ(chat->FindWindowOf(kDialogClass, L"接続"), nullptr);

    // Without a connection a typed line stays where it is, and the log says why.
    Type(L"まだ届かない");
    EXPECT_TRUE(
        LogEndsWith(L"サーバーに接続していません。ファイルメニューの「接続」で接続してください\r"));
    EXPECT_EQ(WindowText(Input()), L"まだ届かない");

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(chat->WaitForExit(), 0u);
}

// Tab goes round the controls as a Windows player expects; a pasted text of several lines,
// which a one-line rich edit would cut at its first line break, arrives whole as one line.
TEST_F(ChatWindowTest, TabGoesRoundTheControlsAndAPasteKeepsEveryLine) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<HWND> boxes = ComboBoxes(window);
    ASSERT_EQ(boxes.size(), 2u);
    const HWND order[] = {boxes[0], boxes[1],
                          FindWindowExW(window, nullptr, L"RICHEDIT50W", nullptr),
                          FindWindowExW(window, nullptr, L"LISTBOX", nullptr), Input()};
    for (std::size_t at = 0; at < std::size(order); ++at) {
        // The key comes to the control that has the focus: a combo box's edit field.
        const HWND field = FindWindowExW(order[at], nullptr, L"Edit", nullptr);
        PostMessageW(field != nullptr ? field : order[at], WM_KEYDOWN, VK_TAB, 1);
        const HWND next = order[(at + 1) % std::size(order)];
        EXPECT_TRUE(WaitFor([&] {
            const HWND focused = Focused(window);
            return focused == next || IsChild(next, focused);
        })) << "Tab from control "
            << at;
    }

    PostMessageW(window, WM_COMMAND, VESK_CMD_CONNECT, 0);
    const HWND connect = chat->WaitForWindow(kDialogClass, L"接続");
    ASSERT_NE(connect, nullptr);
    const std::unique_ptr<TestPeer> joined = AcceptJoin(connect, L"アヤ");
    TestPeer& party = *joined;
    ASSERT_TRUE(party.Connected());
    for (int line = 0; line < 4; ++line) ASSERT_TRUE(party.NextLine());

    CopyToClipboard(L"一行目\r\npdel0\n二行目");
    PostMessageW(Input(), WM_PASTE, 0, 0);
    PostMessageW(Input(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(party.NextLine(), Sjis("talkアヤ：一行目 pdel0 二行目\r\n"));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(chat->WaitForExit(), 0u);
}

// On a monitor of 144 DPI (150 %) the controls take their sizes for 96 DPI scaled by one and a
// half. Wine reads the user's DPI afresh for each program it starts.
TEST_F(ChatWindowTest, ScalesItsLayoutToTheMonitorsDpi) {
    const UserDpi dpi(144);
    ASSERT_NO_FATAL_FAILURE(Start());
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
    EXPECT_EQ(chat->WaitForExit(), 0u);
}

}  // namespace
}  // namespace vesk::test
