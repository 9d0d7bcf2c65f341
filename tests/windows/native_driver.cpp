#include "tests/windows/native_driver.h"

#include <vector>

namespace vesk::test {

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* title;
    HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
    if (search->className != nullptr) {
        wchar_t className[256] = {};
        GetClassNameW(window, className, 256);
        if (std::wstring_view(className) != search->className) return TRUE;
    }
    if (WindowText(window) != search->title) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

std::wstring ProgramPath(const char* builtPath) {
    const std::string_view built(builtPath);
    const int size = static_cast<int>(built.size());
    std::wstring path(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, built.data(), size, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, built.data(), size, path.data(), static_cast<int>(path.size()));
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return built.starts_with('/') ? L"Z:" + path : path;
}

NativeProgram::NativeProgram(const std::wstring& path) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        return;
    }
    CloseHandle(info.hThread);
    process = info.hProcess;
    processId = info.dwProcessId;
}

NativeProgram::~NativeProgram() {
    if (process == nullptr) return;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

HWND NativeProgram::FindWindowOf(const wchar_t* className, const wchar_t* title) const {
    if (process == nullptr) return nullptr;
    WindowSearch search{processId, className, title};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND NativeProgram::WaitForWindow(const wchar_t* className, const wchar_t* title,
                                  std::chrono::milliseconds deadline) const {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowOf(className, title)) != nullptr; }, deadline);
    return found;
}

bool NativeProgram::ChooseMenuItem(HWND window, wchar_t menuKey, wchar_t itemKey) const {
    // The class of the window that shows an open menu.
    constexpr const wchar_t* kMenuClass = L"#32768";
    PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, menuKey);
    const HWND popup = WaitForWindow(kMenuClass, L"");
    if (popup == nullptr) return false;
    // The menu's own loop reads the keys from the program's queue.
    PostMessageW(popup, WM_CHAR, itemKey, 0);
    return WaitFor([&] { return !IsWindow(popup) || !IsWindowVisible(popup); });
}

std::optional<DWORD> NativeProgram::WaitForExit(std::chrono::milliseconds deadline) {
    if (process == nullptr) return std::nullopt;
    if (WaitForSingleObject(process, static_cast<DWORD>(deadline.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process, &code)) return std::nullopt;
    return code;
}

std::wstring WindowText(HWND window) {
    // Through messages with a deadline: the window may belong to a program that has stopped
    // answering, and GetWindowTextW does not read another process's controls.
    constexpr UINT kTimeout = 5000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTimeout, &length)) {
        return {};
    }
    std::vector<wchar_t> text(length + 1);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kTimeout, &copied)) {
        return {};
    }
    return std::wstring(text.data(), copied);
}

ResourceMenu::ResourceMenu(const std::wstring& programPath, int menuId)
    : module(LoadLibraryExW(programPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
    if (module != nullptr) menu = LoadMenuW(module, MAKEINTRESOURCEW(menuId));
}

ResourceMenu::~ResourceMenu() {
    if (menu != nullptr) DestroyMenu(menu);
    if (module != nullptr) FreeLibrary(module);
}

std::optional<std::wstring> MenuItemText(HMENU menu, UINT id) {
    wchar_t text[256] = {};
    if (GetMenuStringW(menu, id, text, 256, MF_BYCOMMAND) <= 0) return std::nullopt;
    return text;
}

std::optional<std::wstring> MenuBarTitle(HMENU menu, int position) {
    wchar_t text[256] = {};
    if (GetMenuStringW(menu, static_cast<UINT>(position), text, 256, MF_BYPOSITION) <= 0) {
        return std::nullopt;
    }
    return text;
}

bool WaitForWindowGone(HWND window, std::chrono::milliseconds deadline) {
    return WaitFor([&] { return !IsWindow(window); }, deadline);
}

}  // namespace vesk::test
