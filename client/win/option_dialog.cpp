#include "client/win/option_dialog.h"

#include <array>
#include <utility>

#include "client/win/target_fields.h"
#include "protocol/cp932.h"
#include "protocol/player_name.h"
#include "resources/client/vesk_chat_ids.h"
#include "ui/win/modal_form.h"
#include "ui/win/window_text.h"

namespace vesk {

namespace {

// Each check box with the setting it shows.
std::array<std::pair<int, bool ClientSettings::*>, 4> CheckBoxes() {
    return {{{VESK_ID_RECORD, &ClientSettings::record},
             {VESK_ID_SHOW_TIMES, &ClientSettings::showTimes},
             {VESK_ID_NUDGE, &ClientSettings::nudge},
             {VESK_ID_HIGHLIGHT_NAME, &ClientSettings::highlightName}}};
}

void Show(HWND dialog, const ConnectionTarget& target, const ClientSettings& settings) {
    ShowTargetFields(dialog, target);
    SetDialogItemTextCp932(dialog, VESK_ID_DEFAULT_NAME, settings.name);
    for (const auto& [id, setting] : CheckBoxes()) {
        CheckDlgButton(dialog, id, settings.*setting ? BST_CHECKED : BST_UNCHECKED);
    }
}

// The settings the dialog holds, or nothing once the user has been told what is wrong.
std::optional<OptionChoice> Read(HWND dialog, const ClientSettings& settings,
                                 MessageBoxView& messages) {
    const std::optional<ConnectionTarget> target = ReadTargetFields(dialog, messages);
    if (!target) return std::nullopt;
    const std::string name = DialogItemTextCp932(dialog, VESK_ID_DEFAULT_NAME, kPlayerNameMaxBytes);
    if (name.empty()) {
        // An empty default name would have the player join the party nameless.
        messages.ShowMessage(Cp932FromUtf8("プレイヤー名を入力してください。"));
        FocusForRetyping(dialog, VESK_ID_DEFAULT_NAME);
        return std::nullopt;
    }
    OptionChoice choice{*target, settings};
    choice.settings.name = name;
    for (const auto& [id, setting] : CheckBoxes()) {
        choice.settings.*setting = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    }
    return choice;
}

}  // namespace

std::optional<OptionChoice> RunOptionDialog(HINSTANCE instance, HWND owner,
                                            const ConnectionTarget& target,
                                            const ClientSettings& settings,
                                            MessageBoxView& messages) {
    std::optional<OptionChoice> choice;
    RunModalForm(
        instance, owner, L"OPTION", [&](HWND dialog) { Show(dialog, target, settings); },
        [&](HWND dialog) {
            choice = Read(dialog, settings, messages);
            return choice.has_value();
        });
    return choice;
}

}  // namespace vesk
