#pragma once

// Drives a modal dialog of the test's own process from a second thread, through the Windows
// API, while the test's thread runs the dialog; and a message box stand-in that may be
// called on the dialog's thread while the driver reads it.

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "client/message_box_view.h"
#include "protocol/cp932.h"
#include "protocol/windows_headers.h"
#include "tests/windows/native_driver.h"

namespace vesk::test {

// The visible dialog of this process with the given title, or null.
inline HWND FindOwnDialog(const wchar_t* title) {
    for (HWND window = FindWindowExW(nullptr, nullptr, kDialogClass, title); window != nullptr;
         window = FindWindowExW(nullptr, window, kDialogClass, title)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

// Runs the dialog with run on this thread and drive on another once the dialog is shown. A
// dialog that drive leaves open is cancelled, so a failed step cannot hang the test.
template <typename Run>
auto DriveDialog(const wchar_t* title, const std::function<void(HWND)>& drive, Run run) {
    std::thread driver([&] {
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = FindOwnDialog(title)) != nullptr; })) {
            ADD_FAILURE() << "the dialog was not shown";
            return;
        }
        drive(dialog);
        if (!WaitForWindowGone(dialog)) {
            ADD_FAILURE() << "the dialog stayed open";
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    auto result = run();
    driver.join();
    return result;
}

inline std::wstring ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

inline void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// The control that has the focus on the dialog's thread.
inline HWND FocusOf(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

// Whether the edit control id has the focus with its whole text selected.
inline bool ReadyForRetyping(HWND dialog, int id) {
    const HWND field = GetDlgItem(dialog, id);
    DWORD start = 0, end = 0;
    SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return FocusOf(dialog) == field && start == 0 &&
           end == static_cast<DWORD>(GetWindowTextLengthW(field));
}

// Keeps each message in UTF-8; any thread.
class SharedMessageBox : public MessageBoxView {
public:
    void ShowMessage(std::string_view text) override {
        const std::lock_guard<std::mutex> hold(lock);
        shown.push_back(Utf8FromCp932(text));
    }

    std::vector<std::string> Shown() {
        const std::lock_guard<std::mutex> hold(lock);
        return shown;
    }

    // Waits until count messages have been shown.
    bool WaitForCount(std::size_t count) {
        return WaitFor([&] { return Shown().size() >= count; });
    }

private:
    std::mutex lock;
    std::vector<std::string> shown;
};

}  // namespace vesk::test
