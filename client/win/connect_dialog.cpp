#include "client/win/connect_dialog.h"

#include "client/dice/list_boxes.h"
#include "client/win/target_fields.h"
#include "client/win/win_combo_box.h"
#include "protocol/player_name.h"
#include "resources/client/vesk_chat_ids.h"
#include "ui/win/modal_form.h"
#include "ui/win/window_text.h"

namespace vesk {

std::optional<ConnectChoice> RunConnectDialog(HINSTANCE instance, HWND owner,
                                              const ConnectionTarget& target,
                                              std::string_view defaultName, const ListPaths& paths,
                                              MessageBoxView& messages) {
    std::optional<ConnectChoice> choice;
    const auto show = [&](HWND dialog) {
        ShowTargetFields(dialog, target);
        WinComboBox names(GetDlgItem(dialog, VESK_ID_NAME));
        FillNameList(paths.nameList, defaultName, names, messages);
    };
    const auto accept = [&](HWND dialog) {
        const std::optional<ConnectionTarget> chosen = ReadTargetFields(dialog, messages);
        if (!chosen) return false;
        choice =
            ConnectChoice{*chosen, DialogItemTextCp932(dialog, VESK_ID_NAME, kPlayerNameMaxBytes)};
        return true;
    };
    RunModalForm(instance, owner, L"CONNECT", show, accept);
    return choice;
}

}  // namespace vesk
