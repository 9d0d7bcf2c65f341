#pragma once

// Drives a native program from a test running in the same Windows (or Wine): starts the real
// .exe, finds its windows by class and title, reads controls and menus, and waits for it to
// end. Every wait has a deadline, so a program that hangs fails the test instead of stopping
// the run.

#include <chrono>
#include <optional>
#include <string>

#include "protocol/windows_headers.h"

namespace vesk::test {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds kWindowDeadline = 60s;

// Polls condition until it holds or the deadline passes; the result of the last check.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds deadline = kWindowDeadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) return condition();
        Sleep(20);
    }
    return true;
}

// The path of a program as the build names it, for CreateProcessW. A cross build names it by
// its path on the build machine, which Wine reaches on its drive Z:.
std::wstring ProgramPath(const char* builtPath);

// One run of a program. A run the test leaves behind (a failed assertion) is ended when the
// object goes, so that it holds no port or window for the next test.
class NativeProgram {
public:
    explicit NativeProgram(const std::wstring& path);
    ~NativeProgram();
    NativeProgram(const NativeProgram&) = delete;
    NativeProgram& operator=(const NativeProgram&) = delete;

    bool Started() const { return process != nullptr; }

    // The program's top-level window of that class (nullptr: any) and title, once it is there.
    HWND WaitForWindow(const wchar_t* className, const wchar_t* title,
                       std::chrono::milliseconds deadline = kWindowDeadline) const;
    // The same without waiting: nullptr when the program has no such window now.
    HWND FindWindowOf(const wchar_t* className, const wchar_t* title) const;

    // Chooses an item of window's menu bar with the keyboard, as a user does after Alt: the
    // menu's access key opens it, the item's access key chooses it. A greyed item closes the
    // menu and does nothing. True when the menu opened and closed again.
    bool ChooseMenuItem(HWND window, wchar_t menuKey, wchar_t itemKey) const;

    // The exit code, once the program has ended within the deadline.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds deadline = kWindowDeadline);

private:
    HANDLE process = nullptr;
    DWORD processId = 0;
};

// The modal dialog boxes use this window class.
inline constexpr const wchar_t* kDialogClass = L"#32770";

// A window's or control's text; empty when the window does not answer within the deadline.
std::wstring WindowText(HWND window);

// A menu of a program's file, loaded into this process to be read: Wine does not let one
// process read the menus of another, so a program's live menu is driven only by keys.
class ResourceMenu {
public:
    ResourceMenu(const std::wstring& programPath, int menuId);
    ~ResourceMenu();
    ResourceMenu(const ResourceMenu&) = delete;
    ResourceMenu& operator=(const ResourceMenu&) = delete;

    HMENU Handle() const { return menu; }

private:
    HMODULE module = nullptr;
    HMENU menu = nullptr;
};

// The text of a menu item found by command id anywhere in the menu, or of the menu bar's
// entry at a position.
std::optional<std::wstring> MenuItemText(HMENU menu, UINT id);
std::optional<std::wstring> MenuBarTitle(HMENU menu, int position);

// True when the window has gone within the deadline.
bool WaitForWindowGone(HWND window, std::chrono::milliseconds deadline = kWindowDeadline);

}  // namespace vesk::test
