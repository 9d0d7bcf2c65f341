#include "client/win/option_dialog.h"

#include <array>
#include <utility>

#include "client/win/target_fields.h"
#include "protocol/cp932.h"
#include "protocol/player_name.h"
#include "resources/client/vesk_chat_ids.h"
#include "ui/win/window_text.h"

namespace vesk {

namespace {

struct OptionDialogState {
    const ConnectionTarget& target;
    const ClientSettings& settings;
    MessageBoxView& messages;
    std::optional<OptionChoice> choice;
};

// Each check box with the setting it shows.
std::array<std::pair<int, bool ClientSettings::*>, 4> CheckBoxes() {
    return {{{VESK_ID_RECORD, &ClientSettings::record},
             {VESK_ID_SHOW_TIMES, &ClientSettings::showTimes},
             {VESK_ID_NUDGE, &ClientSettings::nudge},
             {VESK_ID_HIGHLIGHT_NAME, &ClientSettings::highlightName}}};
}

void Show(HWND dialog, const OptionDialogState& state) {
    ShowTargetFields(dialog, state.target);
    SetDialogItemTextCp932(dialog, VESK_ID_DEFAULT_NAME, state.settings.name);
    for (const auto& [id, setting] : CheckBoxes()) {
        CheckDlgButton(dialog, id, state.settings.*setting ? BST_CHECKED : BST_UNCHECKED);
    }
}

void Accept(HWND dialog, OptionDialogState& state) {
    const std::optional<ConnectionTarget> target = ReadTargetFields(dialog, state.messages);
    if (!target) return;
    const std::string name = DialogItemTextCp932(dialog, VESK_ID_DEFAULT_NAME, kPlayerNameMaxBytes);
    if (name.empty()) {
        // An empty default name would have the player join the party nameless.
        state.messages.ShowMessage(Cp932FromUtf8("プレイヤー名を入力してください。"));
        FocusForRetyping(dialog, VESK_ID_DEFAULT_NAME);
        return;
    }
    OptionChoice choice{*target, state.settings};
    choice.settings.name = name;
    for (const auto& [id, setting] : CheckBoxes()) {
        choice.settings.*setting = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    }
    state.choice = std::move(choice);
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK OptionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        Show(dialog, *reinterpret_cast<const OptionDialogState*>(lParam));
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            Accept(dialog, DialogState<OptionDialogState>(dialog));
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

std::optional<OptionChoice> RunOptionDialog(HINSTANCE instance, HWND owner,
                                            const ConnectionTarget& target,
                                            const ClientSettings& settings,
                                            MessageBoxView& messages) {
    OptionDialogState state{target, settings, messages, std::nullopt};
    DialogBoxParamW(instance, L"OPTION", owner, OptionProc, reinterpret_cast<LPARAM>(&state));
    return state.choice;
}

}  // namespace vesk
