#include "client/ui/chat_client.h"

#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include "client/dice/list_boxes.h"
#include "client/dice/roll_command.h"
#include "client/shell/commands.h"
#include "client/shell/log_file.h"
#include "client/ui/chat_input.h"
#include "client/ui/chat_log.h"
#include "client/ui/client_pictures.h"
#include "client/ui/connect_dialog.h"
#include "client/ui/option_dialog.h"
#include "protocol/chat_line.h"
#include "protocol/cp932.h"
#include "ui/about_dialog.h"
#include "ui/cp932_text.h"
#include "ui/help_window.h"
#include "ui/show_ip_dialog.h"

namespace vesk {

ChatClient::ChatClient(SettingsStore& store, ListPaths paths)
    : store(store),
      paths(std::move(paths)),
      window({[this](int id) { RunCommand(id); }, [this] { SendChatLine(); },
              [this] { SavePlacement(); }, [this] { Close(); }}),
      connection(window) {}

ChatClient::~ChatClient() { Close(); }

void ChatClient::Start() {
    const WindowPlacement placement =
        LoadSettings(store, Screens(), connection.Target(), settings, window);
    window.Place(placement);
    window.show();
    window.SetMenuState(MenuState::NotConnected);
    FillListsAtStartUp(paths, settings.name, window.DiceBox(), window.NameBox(), window);
    ApplyFont();
    SeedGenerator(generator);
    window.Input().setFocus();
}

void ChatClient::RunCommand(int id) {
    const QAction* action = window.CommandAction(id);
    if (action != nullptr && !action->isEnabled()) return;
    switch (id) {
        case kConnectCommand:
            Connect();
            break;
        case kDisconnectCommand:
            connection.Disconnect();
            break;
        case kShowIpCommand: {
            ShowIpDialog dialog(FromCp932(connection.Target().address), &window);
            dialog.exec();
            break;
        }
        case kSaveLogCommand:
            SaveLog(window.Log().FileText(), std::time(nullptr), window);
            break;
        case kClearScreenCommand:
            window.Log().clear();
            noConnectionNoticeShown = false;
            break;
        case kRollDiceCommand:
            RollCommand(window.DiceBox(), window.NameBox(), window, generator,
                        [this](std::string_view line) { return connection.SendLine(line); });
            break;
        case kReloadDiceCommand:
            ReloadDiceList(paths, window.DiceBox(), window);
            break;
        case kReloadNamesCommand:
            ReloadNameList(paths, settings.name, window.NameBox(), window);
            break;
        case kOptionsCommand:
            Options();
            break;
        case kChangeFontCommand:
            ChangeFont();
            break;
        case kCopyLogCommand:
            window.Log().copy();
            break;
        case kCutInputCommand:
            window.Input().cut();
            break;
        case kCopyInputCommand:
            window.Input().copy();
            break;
        case kPasteInputCommand:
            window.Input().paste();
            break;
        case kHelpCommand:
            ShowHelp(&window);
            break;
        case kAboutCommand: {
            AboutDialog about({QStringLiteral("VeskChat"), ClientIconPath(),
                               QStringLiteral("パーティ用チャットとダイスのクライアント")},
                              &window);
            about.exec();
            break;
        }
        case kQuitCommand:
            // Queued like a posted close: the menu or key that sent the command finishes first.
            QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
            break;
        default:
            break;
    }
}

void ChatClient::SendChatLine() {
    ChatInput& input = window.Input();
    const std::string typed = ToCp932(input.text());
    if (typed.empty()) return;
    if (!connection.Connected()) {
        // Nothing typed is lost: the text stays for when the connection is back.
        if (!noConnectionNoticeShown) {
            window.AppendChatLog(Cp932FromUtf8(
                "サーバーに接続していません。ファイルメニューの「接続」で接続してください\r\n"));
            noConnectionNoticeShown = true;
        }
        return;
    }
    input.clear();
    connection.SendLine(ChatLineFromInput(window.CurrentPlayerName(), typed));
}

void ChatClient::SavePlacement() {
    SaveWindowPlacement(store, window.Placement(), window.PlacementShown(), Screens(), window);
}

void ChatClient::Close() {
    // Before anything else goes: no reader thread may post to the window from here on.
    connection.Close();
}

void ChatClient::Connect() {
    ConnectDialog dialog(connection.Target(), settings.name, paths, window, &window);
    if (dialog.exec() != QDialog::Accepted) return;
    connection.Target() = dialog.Target();
    const std::string name = dialog.PlayerName();
    // An empty field keeps the current player name.
    if (!name.empty()) SelectPlayerName(name);
    if (connection.OpenConnection()) noConnectionNoticeShown = false;
}

void ChatClient::SelectPlayerName(std::string_view name) {
    QComboBox& box = window.NameBox().Box();
    const QString text = FromCp932(name);
    int index = box.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        box.insertItem(0, text);
        index = 0;
    }
    box.setCurrentIndex(index);
}

void ChatClient::Options() {
    OptionDialog dialog(connection.Target(), settings.name, window, &window);
    if (dialog.exec() != QDialog::Accepted) return;
    connection.Target() = dialog.Target();
    settings.name = dialog.DefaultName();
    // Entry 0 is the default player name, whatever it holds now.
    QComboBox& box = window.NameBox().Box();
    if (box.count() > 0) box.removeItem(0);
    box.insertItem(0, FromCp932(settings.name));
    box.setCurrentIndex(0);
    SaveOptions(store, connection.Target(), settings, window);
}

QFont ChatClient::ChatFont() const {
    QFont font(FromCp932(settings.font));
    font.setPointSize(settings.fontSize);
    return font;
}

void ChatClient::ChangeFont() {
    // Opens on the face the log is drawn with, which is not the stored one where that font
    // is missing and another stands in for it.
    QFont shown = ChatFont();
    shown.setFamily(QFontInfo(shown).family());
    QFontDialog dialog(shown, &window);
    if (dialog.exec() != QDialog::Accepted) return;
    const QFont chosen = dialog.selectedFont();
    if (!FontFaceFits(chosen.family().toStdString())) {
        window.ShowMessage(
            Cp932FromUtf8("このフォントは名前が長すぎるか、使えない文字を含むため選べません。"));
        return;
    }
    settings.font = ToCp932(chosen.family());
    if (chosen.pointSizeF() > 0) settings.fontSize = WholePoints(chosen.pointSizeF());
    ApplyFont();
    SaveFontSettings(store, settings, window);
}

void ChatClient::ApplyFont() {
    const QFont font = ChatFont();
    window.Log().setFont(font);
    window.Input().setFont(font);
}

std::vector<ScreenArea> ChatClient::Screens() const {
    std::vector<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        screens.push_back({area.x(), area.y(), area.width(), area.height()});
    }
    return screens;
}

}  // namespace vesk
