// VeskServer.exe itself, driven through its window from this process as a user would drive it:
// its menu, the SERV dialog with its port check, the event log, a client, and a clean end.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_peer.h"
#include "tests/windows/native_driver.h"

namespace vesk::test {
namespace {

constexpr UINT kStart = 200;
constexpr UINT kStop = 201;
constexpr UINT kShowIp = 202;
constexpr UINT kHelp = 210;
constexpr UINT kAbout = 211;
constexpr UINT kQuit = 212;
constexpr int kPortField = 1001;
constexpr int kAddressField = 1010;
// The static control that holds a message box's text.
constexpr int kMessageBoxText = 0xFFFF;

class ServerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Started());
        window = server.WaitForWindow(L"VeskServer", L"VeskServer");
        ASSERT_NE(window, nullptr);
    }

    // The event log's lines, oldest first.
    std::vector<std::wstring> LogLines() const {
        const std::wstring text =
            WindowText(FindWindowExW(window, nullptr, L"RICHEDIT50W", nullptr));
        std::vector<std::wstring> lines;
        std::wstring line;
        for (const wchar_t c : text) {
            if (c == L'\n') continue;
            if (c == L'\r') {
                lines.push_back(std::exchange(line, {}));
            } else {
                line += c;
            }
        }
        if (!line.empty()) lines.push_back(line);
        return lines;
    }

    // Waits until the log's last lines are these.
    bool LogEndsWith(const std::vector<std::wstring>& last) const {
        return WaitFor([&] {
            const auto lines = LogLines();
            return lines.size() >= last.size() &&
                   std::equal(last.begin(), last.end(), lines.end() - last.size());
        });
    }

    // The File menu's commands, chosen by their access keys.
    bool ChooseFileItem(wchar_t itemKey) const {
        return server.ChooseMenuItem(window, L'f', itemKey);
    }

    NativeProgram server{ProgramPath(VESK_VESKSERVER_PATH)};
    HWND window = nullptr;
};

TEST_F(ServerWindowTest, ShowsItsMenuStoppedAndQuitsFromIt) {
    const ResourceMenu menu(ProgramPath(VESK_VESKSERVER_PATH), 102);
    ASSERT_NE(menu.Handle(), nullptr);
    EXPECT_EQ(MenuBarTitle(menu.Handle(), 0), L"ファイル(&F)");
    EXPECT_EQ(MenuBarTitle(menu.Handle(), 1), L"ヘルプ(&H)");
    const std::pair<UINT, const wchar_t*> items[] = {
        {kStart, L"サーバー開始(&S)"},  {kStop, L"サーバー終了(&X)"},
        {kShowIp, L"IPアドレスを表示"}, {kQuit, L"終了(&Q)"},
        {kHelp, L"ヘルプ(&H)"},         {kAbout, L"バージョン情報(&A)"},
    };
    for (const auto& [id, text] : items) EXPECT_EQ(MenuItemText(menu.Handle(), id), text) << id;
    EXPECT_TRUE(LogLines().empty());

    // Stopped: stop is greyed and does nothing; start opens SERV, and the log shows that no
    // stop ran before it.
    ASSERT_TRUE(ChooseFileItem(L'x'));
    ASSERT_TRUE(ChooseFileItem(L's'));
    const HWND serv = server.WaitForWindow(kDialogClass, L"サーバー起動");
    ASSERT_NE(serv, nullptr);
    EXPECT_TRUE(LogLines().empty());
    PostMessageW(serv, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(serv));

    // This machine's address, or the notice why there is none and an empty field.
    PostMessageW(window, WM_COMMAND, kShowIp, 0);
    HWND address = nullptr;
    bool noticeShown = false;
    ASSERT_TRUE(WaitFor([&] {
        if (const HWND notice = server.FindWindowOf(kDialogClass, L"VeskServer")) {
            noticeShown = true;
            PostMessageW(notice, WM_COMMAND, IDOK, 0);
        }
        return (address = server.FindWindowOf(kDialogClass, L"IPアドレス表示")) != nullptr;
    }));
    const std::wstring dotted = WindowText(GetDlgItem(address, kAddressField));
    EXPECT_EQ(std::count(dotted.begin(), dotted.end(), L'.'), noticeShown ? 0 : 3) << dotted;
    PostMessageW(address, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForWindowGone(address));

    ASSERT_TRUE(server.ChooseMenuItem(window, L'h', L'a'));
    const HWND about = server.WaitForWindow(kDialogClass, L"バージョン情報");
    ASSERT_NE(about, nullptr);
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForWindowGone(about));

    ASSERT_TRUE(ChooseFileItem(L'q'));
    EXPECT_EQ(server.WaitForExit(), 0u);
}

TEST_F(ServerWindowTest, StartsOnTheEnteredPortRelaysAndStops) {
    ASSERT_TRUE(ChooseFileItem(L's'));
    const HWND serv = server.WaitForWindow(kDialogClass, L"サーバー起動");
    ASSERT_NE(serv, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(serv, kPortField)), L"15000");

    // Below the server ports: the reason is shown and the dialog waits for another port.
    SetDlgItemTextW(serv, kPortField, L"999");
    PostMessageW(serv, WM_COMMAND, IDOK, 0);
    const HWND refusal = server.WaitForWindow(kDialogClass, L"VeskServer");
    ASSERT_NE(refusal, nullptr);
    EXPECT_NE(WindowText(GetDlgItem(refusal, kMessageBoxText)).find(L"1000以上"),
              std::wstring::npos);
    PostMessageW(refusal, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForWindowGone(refusal));
    EXPECT_TRUE(IsWindow(serv));
    EXPECT_TRUE(LogLines().empty());

    const int port = FreePort();
    SetDlgItemTextW(serv, kPortField, std::to_wstring(port).c_str());
    PostMessageW(serv, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForWindowGone(serv));
    EXPECT_TRUE(LogEndsWith({L"サーバー起動", L"接続受け入れ可能"}));

    TestPeer client(port);
    ASSERT_TRUE(client.Connected());
    EXPECT_TRUE(WaitFor([&] {
        const auto lines = LogLines();
        return !lines.empty() && lines.back().starts_with(L"接続：クライアント No.0 (ポート番号 ");
    }));

    // Running: start is greyed (a SERV dialog would hold up the stop behind it), stop stops.
    ASSERT_TRUE(ChooseFileItem(L's'));
    ASSERT_TRUE(ChooseFileItem(L'x'));
    EXPECT_TRUE(LogEndsWith({L"サーバー終了", L"接続受け入れ不能"}));
    EXPECT_EQ(server.FindWindowOf(kDialogClass, L"サーバー起動"), nullptr);
    // Stopped again: start is offered once more.
    ASSERT_TRUE(ChooseFileItem(L's'));
    const HWND again = server.WaitForWindow(kDialogClass, L"サーバー起動");
    ASSERT_NE(again, nullptr);
    PostMessageW(again, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(again));

    // The client still connected is cut off at the end, which must not hold the program up.
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(server.WaitForExit(), 0u);
    EXPECT_TRUE(client.WaitForClose());
}

}  // namespace
}  // namespace vesk::test
