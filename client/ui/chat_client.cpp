#include "client/ui/chat_client.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include "client/dice/list_boxes.h"
#include "client/dice/roll_command.h"
#include "client/rules/commands.h"
#include "client/rules/html_log.h"
#include "client/rules/log_file.h"
#include "client/rules/log_line.h"
#include "client/ui/chat_input.h"
#include "client/ui/chat_log.h"
#include "client/ui/client_pictures.h"
#include "client/ui/connect_dialog.h"
#include "client/ui/font_dialog.h"
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
      window({[this](ChatCommand command) { RunCommand(command); }, [this] { SendChatLine(); },
              [this] { SavePlacement(); }, [this] { Close(); },
              [this](std::string_view text) { ShowLine(text); }}),
      connection(window),
      rejoin(connection, window) {
    connection.OnEvent([this](ConnectionEvent event) { ConnectionChanged(event); });
    recordFlush.setInterval(1000);
    QObject::connect(&recordFlush, &QTimer::timeout, [this] {
        if (record) record->Flush();
    });
}

ChatClient::~ChatClient() { Close(); }

void ChatClient::Start() {
    const WindowPlacement placement =
        LoadSettings(store, Screens(), connection.Target(), settings, window);
    savedPlacement = placement;
    window.Place(placement);
    window.show();
    window.SetMenuState(MenuState::Idle);
    FillListsAtStartUp(paths, settings.name, window.DiceBox(), window.NameBox(), window);
    ApplyFont();
    SeedGenerator(generator);
    window.Input().setFocus();
}

void ChatClient::RunCommand(ChatCommand command) {
    const QAction* action = window.CommandAction(command);
    if (action != nullptr && !action->isEnabled()) return;
    switch (command) {
        case ChatCommand::kConnect:
            rejoin.Stop();
            Connect();
            break;
        case ChatCommand::kDisconnect:
            rejoin.Stop();
            connection.Disconnect();
            break;
        case ChatCommand::kShowIp: {
            ShowIpDialog dialog(FromCp932(connection.Target().address), &window);
            dialog.exec();
            break;
        }
        case ChatCommand::kSaveLog:
            SaveLog(window.Log().FileText(), std::time(nullptr), window);
            break;
        case ChatCommand::kSaveHtmlLog:
            SaveLog(HtmlLog(window.Log().Lines(), "VeskChat のログ"), std::time(nullptr), window,
                    {}, ".html");
            break;
        case ChatCommand::kClearScreen:
            window.Log().ClearLog();
            noConnectionNoticeShown = false;
            break;
        case ChatCommand::kRollDice:
            RollCommand(window.DiceBox(), window.NameBox(), window, generator,
                        [this](std::string_view line) { return connection.SendLine(line); });
            break;
        case ChatCommand::kReloadDice:
            ReloadDiceList(paths, window.DiceBox(), window);
            break;
        case ChatCommand::kReloadNames:
            ReloadNameList(paths, settings.name, window.NameBox(), window);
            break;
        case ChatCommand::kOptions:
            Options();
            break;
        case ChatCommand::kChangeFont:
            ChangeFont();
            break;
        case ChatCommand::kCopyLog:
            window.Log().copy();
            break;
        case ChatCommand::kCutInput:
            window.Input().cut();
            break;
        case ChatCommand::kCopyInput:
            window.Input().copy();
            break;
        case ChatCommand::kPasteInput:
            window.Input().paste();
            break;
        case ChatCommand::kHelp:
            ShowHelp(&window);
            break;
        case ChatCommand::kAbout: {
            AboutDialog about({QStringLiteral("VeskChat"), ClientIconPath(),
                               QStringLiteral("パーティ用チャットとダイスのクライアント")},
                              &window);
            about.exec();
            break;
        }
        case ChatCommand::kQuit:
            // Queued like a posted close: the menu or key that sent the command finishes first.
            QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
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

void ChatClient::ShowLine(std::string_view text) {
    const std::time_t now = std::time(nullptr);
    if (record && !record->Append(text, now)) {
        const std::string name = record->FileName();
        record.reset();
        recordFlush.stop();
        ShowLine(Cp932FromUtf8("記録ファイル ") + name +
                 Cp932FromUtf8(" に書き込めなかったため、記録を止めました\r\n"));
    }
    const std::string_view line = text.substr(0, text.find("\r\n"));
    const bool named = settings.highlightName && MentionsPlayer(line, connection.PlayerName());
    window.Log().Append(text, {now, settings.showTimes, named});
    // Only asks while the window is inactive; an active window ignores it.
    if (settings.nudge) QApplication::alert(&window);
}

void ChatClient::ConnectionChanged(ConnectionEvent event) {
    switch (event) {
        case ConnectionEvent::Opened:
            StartRecord();
            break;
        case ConnectionEvent::Listed:
            rejoin.Listed();
            break;
        case ConnectionEvent::Lost:
            rejoin.Lost();
            break;
        case ConnectionEvent::OpenFailed:
            rejoin.OpenFailed();
            break;
    }
}

void ChatClient::StartRecord() {
    record.reset();
    recordFlush.stop();
    if (!settings.record) return;
    record = SessionRecord::Open(PathFromText(paths.dataFolder), std::time(nullptr));
    if (!record) {
        ShowLine(Cp932FromUtf8("データフォルダに記録ファイルを作れませんでした\r\n"));
        return;
    }
    recordFlush.start();
}

void ChatClient::SavePlacement() {
    const WindowPlacement now = window.Placement();
    if (now == savedPlacement) return;
    if (SaveWindowPlacement(store, now, window.PlacementShown(), Screens(), window)) {
        savedPlacement = now;
    }
}

void ChatClient::Close() {
    // Before anything else goes: no reader thread may post to the window from here on.
    rejoin.Stop();
    connection.Close();
    record.reset();
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
    OptionDialog dialog(connection.Target(), settings, window, &window);
    if (dialog.exec() != QDialog::Accepted) return;
    connection.Target() = dialog.Target();
    settings = dialog.Settings();
    if (!settings.record) {
        record.reset();
        recordFlush.stop();
    }
    // Entry 0 is the default player name, whatever it holds now.
    QComboBox& box = window.NameBox().Box();
    if (box.count() > 0) box.removeItem(0);
    box.insertItem(0, FromCp932(settings.name));
    box.setCurrentIndex(0);
    SaveOptions(store, connection.Target(), settings, window);
    SaveEveningOptions(store, settings, window);
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
    const QString openedOn = QFontInfo(shown).family();
    shown.setFamily(openedOn);
    FontDialog dialog(shown, settings.fontSize, &window);
    if (dialog.exec() != QDialog::Accepted) return;
    const std::string chosen = dialog.Face().toStdString();
    if (dialog.Face() != openedOn && !FontFaceFits(chosen)) {
        window.ShowMessage(
            Cp932FromUtf8("このフォントは名前が長すぎるか、使えない文字を含むため選べません。"));
        return;
    }
    settings.font = FaceAfterFontDialog(settings.font, openedOn.toStdString(), chosen);
    settings.fontSize = WholePoints(dialog.Points());
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
