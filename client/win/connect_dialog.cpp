#include "client/win/connect_dialog.h"

#include "client/dice/list_boxes.h"
#include "client/win/target_fields.h"
#include "client/win/win_combo_box.h"
#include "protocol/player_name.h"
#include "resources/client/vesk_chat_ids.h"
#include "ui/win/window_text.h"

namespace vesk {

namespace {

struct ConnectDialogState {
    const ConnectionTarget& target;
    std::string_view defaultName;
    const ListPaths& paths;
    MessageBoxView& messages;
    std::optional<ConnectChoice> choice;
};

void Accept(HWND dialog, ConnectDialogState& state) {
    const std::optional<ConnectionTarget> target = ReadTargetFields(dialog, state.messages);
    if (!target) return;
    const std::string name = DialogItemTextCp932(dialog, VESK_ID_NAME, kPlayerNameMaxBytes);
    state.choice = ConnectChoice{*target, name};
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK ConnectProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto& state = *reinterpret_cast<ConnectDialogState*>(lParam);
        ShowTargetFields(dialog, state.target);
        WinComboBox names(GetDlgItem(dialog, VESK_ID_NAME));
        FillNameList(state.paths.nameList, state.defaultName, names, state.messages);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            Accept(dialog, DialogState<ConnectDialogState>(dialog));
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

std::optional<ConnectChoice> RunConnectDialog(HINSTANCE instance, HWND owner,
                                              const ConnectionTarget& target,
                                              std::string_view defaultName, const ListPaths& paths,
                                              MessageBoxView& messages) {
    ConnectDialogState state{target, defaultName, paths, messages, std::nullopt};
    DialogBoxParamW(instance, L"CONNECT", owner, ConnectProc, reinterpret_cast<LPARAM>(&state));
    return state.choice;
}

}  // namespace vesk
