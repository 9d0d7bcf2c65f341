#include "client/win/chat_main_window.h"

#include <shellscalingapi.h>

#include <iterator>
#include <utility>

#include "client/rules/toolbar_layout.h"
#include "client/rules/window_layout.h"
#include "client/win/connect_dialog.h"
#include "client/win/font_choice.h"
#include "client/win/option_dialog.h"
#include "protocol/cp932.h"
#include "protocol/dpi_scale.h"
#include "resources/client/vesk_chat_ids.h"
#include "ui/win/common_dialogs.h"
#include "ui/win/wide_text.h"
#include "ui/win/window_text.h"

namespace vesk {

namespace {

constexpr int kComboBoxId = 5;
constexpr int kComboBoxHeight = 250;  // the drop-down list included

UINT_PTR TimerId(CoreTimer timer) { return timer == CoreTimer::Rejoin ? 1 : 2; }

BOOL CALLBACK AddScreen(HMONITOR monitor, HDC, LPRECT area, LPARAM screens) {
    UINT dpiX = kBaseDpi, dpiY = kBaseDpi;
    if (GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY) != S_OK) dpiY = kBaseDpi;
    reinterpret_cast<std::vector<ScreenArea>*>(screens)->push_back(
        {area->left, area->top, area->right - area->left, area->bottom - area->top,
         static_cast<int>(dpiY)});
    return TRUE;
}

void Place(HDWP batch, HWND control, const ControlRect& rect, UINT flags = SWP_NOZORDER) {
    DeferWindowPos(batch, control, nullptr, rect.x, rect.y, rect.width, rect.height, flags);
}

}  // namespace

NativeChatWindow::NativeChatWindow(HINSTANCE instance, SettingsStore& store, ListPaths paths)
    : instance(instance),
      chatInput([this] { core.SendChatLine(); }),
      core(*this, store, std::move(paths)) {}

NativeChatWindow::~NativeChatWindow() {
    if (window != nullptr) DestroyWindow(window);
}

bool NativeChatWindow::RegisterWindowClass(HINSTANCE instance) {
    return RegisterObjectWindowClass<NativeChatWindow>(
        instance, kClassName, CS_HREDRAW | CS_VREDRAW, VESK_CHAT_ICON, VESK_CHAT_MENU);
}

bool NativeChatWindow::Start() {
    // Made hidden; the core puts it at the stored placement and shows it.
    if (CreateWindowExW(0, kClassName, L"VeskChat", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                        this) == nullptr) {
        return false;
    }
    core.Start();
    return true;
}

LRESULT NativeChatWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateChildren();
            break;
        case WM_DPICHANGED:
            FollowDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_SIZE:
            LayOut();
            core.WindowMoved();
            break;
        case WM_MOVE:
            core.WindowMoved();
            break;
        case WM_SETFOCUS:
            // The window comes back to the front: the player goes on typing.
            if (chatInput.Window() != nullptr) SetFocus(chatInput.Window());
            return 0;
        case WM_COMMAND:
            if (IsChatCommand(LOWORD(wParam))) {
                core.RunCommand(static_cast<ChatCommand>(LOWORD(wParam)));
            }
            break;
        case WM_TIMER:
            for (const CoreTimer timer : {CoreTimer::Rejoin, CoreTimer::RecordFlush}) {
                if (wParam != TimerId(timer)) continue;
                KillTimer(window, wParam);
                core.TimerFired(timer);
                return 0;
            }
            break;
        case MainThreadQueue::kWakeMessage:
            queue.RunPending();
            return 0;
        case WM_CLOSE:
            Closing();
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            window = nullptr;
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void NativeChatWindow::CreateChildren() {
    dpi = WindowDpi(window);
    uiFont.Update(dpi);
    // The rich edit classes: the library stays loaded for the whole run.
    LoadLibraryW(L"msftedit.dll");
    chatLog.Create(window, instance);
    chatInput.Create(window, instance);
    participantList =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0,
                        0, 0, 0, window, nullptr, instance, nullptr);
    toolbar.Create(window, instance, *this, uiFont.Handle());
    // Measured when made: the log and the list start where the toolbar ends.
    toolbarHeight = toolbar.Height();
    diceBox.emplace(CreateComboBox());
    nameBox.emplace(CreateComboBox());
    ScaleControls();
    queue.Attach(window);
}

bool NativeChatWindow::TakeTab(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || !diceBox || !nameBox) {
        return false;
    }
    const HWND order[] = {diceBox->Window(), nameBox->Window(), chatLog.Window(), participantList,
                          chatInput.Window()};
    const std::size_t count = std::size(order);
    std::size_t at = 0;
    // A combo box's keys come from the edit field inside it.
    while (at < count && order[at] != message.hwnd && !IsChild(order[at], message.hwnd)) ++at;
    if (at == count) return false;
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    const HWND next = order[backwards ? (at + count - 1) % count : (at + 1) % count];
    SetFocus(next);
    // As in a dialog, a box reached by Tab has its text selected, so that typing replaces it.
    if (next == diceBox->Window() || next == nameBox->Window()) {
        SendMessageW(next, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    }
    return true;
}

HWND NativeChatWindow::CreateComboBox() {
    return CreateWindowExW(
        WS_EX_CLIENTEDGE, L"COMBOBOX", L"",
        WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | CBS_DROPDOWN | CBS_HASSTRINGS, 0, 0, 0, 0,
        toolbar.Window(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboBoxId)), instance,
        nullptr);
}

void NativeChatWindow::ScaleControls() {
    const auto font = reinterpret_cast<WPARAM>(uiFont.Handle());
    SendMessageW(participantList, WM_SETFONT, font, TRUE);
    const auto scaled = [this](int pixels) { return ScaledForDpi(pixels, dpi); };
    for (const auto& [box, left] : {std::pair{diceBox->Window(), kDiceComboLeft},
                                    std::pair{nameBox->Window(), kNameComboLeft}}) {
        SendMessageW(box, WM_SETFONT, font, TRUE);
        SetWindowPos(box, nullptr, scaled(left), scaled(kComboTop), scaled(kComboWidth),
                     scaled(kComboBoxHeight), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (chatPoints > 0) SetChatFonts();
}

void NativeChatWindow::SetChatFonts() {
    for (HWND control : {chatLog.Window(), chatInput.Window()}) {
        SetRichEditFont(control, chatFace, chatPoints, dpi);
    }
}

void NativeChatWindow::FollowDpi(int newDpi, const RECT& suggested) {
    dpi = newDpi;
    uiFont.Update(dpi);
    toolbar.Rescale(dpi, uiFont.Handle());
    toolbarHeight = toolbar.Height();
    ScaleControls();
    // The size the system suggests keeps the window as large on the new monitor as it looked
    // on the old one.
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut();
}

void NativeChatWindow::LayOut() {
    RECT client{};
    GetClientRect(window, &client);
    const WindowLayout layout = LayOutWindow(client.right, client.bottom, toolbarHeight, dpi);
    HDWP batch = BeginDeferWindowPos(4);
    // The toolbar sizes itself across the top at its own height.
    Place(batch, toolbar.Window(), {}, SWP_NOZORDER | SWP_NOREDRAW);
    Place(batch, chatLog.Window(), layout.chatLog);
    Place(batch, participantList, layout.participantList);
    Place(batch, chatInput.Window(), layout.chatInput);
    EndDeferWindowPos(batch);
}

void NativeChatWindow::Closing() {
    // Before the roster and the controls go: no reader thread posts to the window from here on.
    core.Close();
    queue.Close();
}

void NativeChatWindow::AddParticipantRow(std::string_view name) {
    const std::wstring row = WideFromCp932(name);
    SendMessageW(participantList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
}

void NativeChatWindow::DeleteParticipantRow(int index) {
    SendMessageW(participantList, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void NativeChatWindow::ClearParticipantRows() {
    SendMessageW(participantList, LB_RESETCONTENT, 0, 0);
}

void NativeChatWindow::ShowMessage(std::string_view text) { ShowMessageBox(L"VeskChat", text); }

void NativeChatWindow::SetMenuState(MenuState state) {
    HMENU menu = GetMenu(window);
    for (const ChatCommand command : {ChatCommand::kConnect, ChatCommand::kDisconnect}) {
        EnableMenuItem(menu, static_cast<UINT>(command),
                       MF_BYCOMMAND | (CommandAllowed(command, state) ? MF_ENABLED : MF_GRAYED));
    }
    DrawMenuBar(window);
}

std::string NativeChatWindow::CurrentPlayerName() { return nameBox->Text(); }

std::optional<ConnectChoice> NativeChatWindow::RunConnectDialog(const ConnectionTarget& target,
                                                                std::string_view defaultName,
                                                                const ListPaths& paths) {
    return vesk::RunConnectDialog(instance, window, target, defaultName, paths, *this);
}

std::optional<OptionChoice> NativeChatWindow::RunOptionDialog(const ConnectionTarget& target,
                                                              const ClientSettings& settings) {
    return vesk::RunOptionDialog(instance, window, target, settings, *this);
}

std::string NativeChatWindow::ShownFontFace(std::string_view storedFace) {
    // The face the system draws the stored one with: a stand-in where it is not installed.
    LOGFONTW asked{};
    asked.lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = WideFromCp932(storedFace);
    face.copy(asked.lfFaceName, LF_FACESIZE - 1);
    const HFONT font = CreateFontIndirectW(&asked);
    const HDC context = GetDC(window);
    const HGDIOBJ previous = SelectObject(context, font);
    wchar_t shown[LF_FACESIZE] = {};
    const int length = GetTextFaceW(context, LF_FACESIZE, shown);
    SelectObject(context, previous);
    ReleaseDC(window, context);
    DeleteObject(font);
    if (length <= 0) return Utf8FromCp932(storedFace);
    return Utf8FromCp932(Cp932FromWide(shown));
}

std::optional<FontChoice> NativeChatWindow::ChooseFont(std::string_view utf8Face, int points) {
    return ChooseChatFont(window, Cp932FromUtf8(utf8Face), points);
}

void NativeChatWindow::ApplyFont(std::string_view face, int points) {
    chatFace = WideFromCp932(face);
    chatPoints = points;
    SetChatFonts();
}

void NativeChatWindow::ShowIpAddresses(std::string_view serverAddress) {
    RunAddressDialog(instance, window, VESK_ID_SHOWN_ADDRESS, serverAddress);
}

void NativeChatWindow::ShowAbout() { RunAboutDialog(instance, window); }

void NativeChatWindow::ShowHelp() { OpenHelpPage(window, L"VeskChat"); }

void NativeChatWindow::Nudge() {
    // Only while another window has the player's attention.
    if (GetForegroundWindow() == window) return;
    FLASHWINFO flash{sizeof flash, window, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
}

void NativeChatWindow::StartTimer(CoreTimer timer, std::chrono::milliseconds after) {
    SetTimer(window, TimerId(timer), static_cast<UINT>(after.count()), nullptr);
}

void NativeChatWindow::StopTimer(CoreTimer timer) {
    if (window != nullptr) KillTimer(window, TimerId(timer));
}

std::vector<ScreenArea> NativeChatWindow::Screens() const {
    std::vector<ScreenArea> screens;
    EnumDisplayMonitors(nullptr, nullptr, AddScreen, reinterpret_cast<LPARAM>(&screens));
    return screens;
}

WindowPlacement NativeChatWindow::Placement() const {
    RECT outer{};
    GetWindowRect(window, &outer);
    return {outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top};
}

bool NativeChatWindow::PlacementShown() const {
    return IsWindowVisible(window) && !IsIconic(window);
}

void NativeChatWindow::ShowAt(const WindowPlacement& placement) {
    SetWindowPos(window, nullptr, placement.posX, placement.posY, placement.width, placement.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (chatInput.Window() != nullptr) SetFocus(chatInput.Window());
}

void NativeChatWindow::PostClose() { PostMessageW(window, WM_CLOSE, 0, 0); }

}  // namespace vesk
