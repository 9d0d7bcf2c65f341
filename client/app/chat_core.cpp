#include "client/app/chat_core.h"

#include "client/dice/list_boxes.h"
#include "client/dice/roll_command.h"
#include "client/rules/html_log.h"
#include "client/rules/log_file.h"
#include "client/rules/log_line.h"
#include "protocol/chat_line.h"
#include "protocol/cp932.h"
#include "protocol/path_text.h"

namespace vesk {

namespace {

constexpr std::chrono::milliseconds kRecordFlushEvery{1000};

}  // namespace

void ChatCore::WindowRelay::AddParticipantRow(std::string_view name) {
    core.frontEnd.AddParticipantRow(name);
}

void ChatCore::WindowRelay::DeleteParticipantRow(int index) {
    core.frontEnd.DeleteParticipantRow(index);
}

void ChatCore::WindowRelay::ClearParticipantRows() { core.frontEnd.ClearParticipantRows(); }

void ChatCore::WindowRelay::ShowMessage(std::string_view text) { core.frontEnd.ShowMessage(text); }

void ChatCore::WindowRelay::SetMenuState(MenuState state) {
    core.menuState = state;
    core.frontEnd.SetMenuState(state);
}

std::string ChatCore::WindowRelay::CurrentPlayerName() { return core.frontEnd.CurrentPlayerName(); }

void ChatCore::WindowRelay::PostToMainThread(std::function<void()> task) {
    core.frontEnd.PostToMainThread(std::move(task));
}

ChatCore::ChatCore(ChatFrontEnd& frontEnd, SettingsStore& store, ListPaths paths)
    : frontEnd(frontEnd),
      store(store),
      paths(std::move(paths)),
      connection(relay),
      rejoin(connection, relay, frontEnd) {
    connection.OnEvent([this](ConnectionEvent event) { ConnectionChanged(event); });
}

ChatCore::~ChatCore() { Close(); }

void ChatCore::Start() {
    const WindowPlacement placement =
        LoadSettings(store, frontEnd.Screens(), connection.Target(), settings, frontEnd);
    savedPlacement = placement;
    frontEnd.ShowAt(placement);
    relay.SetMenuState(MenuState::Idle);
    FillListsAtStartUp(paths, settings.name, frontEnd.DiceBox(), frontEnd.NameBox(), frontEnd);
    frontEnd.ApplyFont(settings.font, settings.fontSize);
    SeedGenerator(generator);
}

void ChatCore::RunCommand(ChatCommand command) {
    if (!Allowed(command)) return;
    switch (command) {
        case ChatCommand::kConnect:
            rejoin.Stop();
            Connect();
            break;
        case ChatCommand::kDisconnect:
            rejoin.Stop();
            connection.Disconnect();
            break;
        case ChatCommand::kShowIp:
            frontEnd.ShowIpAddresses(connection.Target().address);
            break;
        case ChatCommand::kSaveLog:
            SaveLog(frontEnd.Log().FileText(), std::time(nullptr), frontEnd);
            break;
        case ChatCommand::kSaveHtmlLog:
            SaveLog(HtmlLog(frontEnd.Log().Lines(), "VeskChat のログ"), std::time(nullptr),
                    frontEnd, {}, ".html");
            break;
        case ChatCommand::kClearScreen:
            frontEnd.Log().Clear();
            noConnectionNoticeShown = false;
            break;
        case ChatCommand::kRollDice:
            RollCommand(frontEnd.DiceBox(), frontEnd.NameBox(), frontEnd, generator,
                        [this](std::string_view line) { return connection.SendLine(line); });
            break;
        case ChatCommand::kReloadDice:
            ReloadDiceList(paths, frontEnd.DiceBox(), frontEnd);
            break;
        case ChatCommand::kReloadNames:
            ReloadNameList(paths, settings.name, frontEnd.NameBox(), frontEnd);
            break;
        case ChatCommand::kOptions:
            Options();
            break;
        case ChatCommand::kChangeFont:
            ChangeFont();
            break;
        case ChatCommand::kCopyLog:
            frontEnd.Log().Copy();
            break;
        case ChatCommand::kCutInput:
            frontEnd.Input().Cut();
            break;
        case ChatCommand::kCopyInput:
            frontEnd.Input().Copy();
            break;
        case ChatCommand::kPasteInput:
            frontEnd.Input().Paste();
            break;
        case ChatCommand::kHelp:
            frontEnd.ShowHelp();
            break;
        case ChatCommand::kAbout:
            frontEnd.ShowAbout();
            break;
        case ChatCommand::kQuit:
            frontEnd.PostClose();
            break;
    }
}

void ChatCore::SendChatLine() {
    const std::string typed = frontEnd.Input().Text();
    if (typed.empty()) return;
    if (!connection.Connected()) {
        // Nothing typed is lost: the text stays for when the connection is back.
        if (!noConnectionNoticeShown) {
            ShowLine(Cp932FromUtf8(
                "サーバーに接続していません。ファイルメニューの「接続」で接続してください\r\n"));
            noConnectionNoticeShown = true;
        }
        return;
    }
    frontEnd.Input().Clear();
    connection.SendLine(ChatLineFromInput(frontEnd.CurrentPlayerName(), typed));
}

void ChatCore::ShowLine(std::string_view text) {
    const std::time_t now = std::time(nullptr);
    if (record && !record->Append(text, now)) {
        const std::string name = record->FileName();
        StopRecord();
        ShowLine(Cp932FromUtf8("記録ファイル ") + name +
                 Cp932FromUtf8(" に書き込めなかったため、記録を止めました\r\n"));
    }
    const std::string_view line = text.substr(0, text.find("\r\n"));
    const bool named = settings.highlightName && MentionsPlayer(line, connection.PlayerName());
    const LineLook look{now, settings.showTimes, named, IsRelayDiceLine(line)};
    // A secret roll shown is told against the seal announced for it.
    if (const auto verdict = seals.Read(line)) {
        frontEnd.Log().Append(std::string(line) + *verdict + "\r\n", look);
    } else {
        frontEnd.Log().Append(text, look);
    }
    // Only asks while the window is inactive; an active window ignores it.
    if (settings.nudge) frontEnd.Nudge();
}

void ChatCore::ConnectionChanged(ConnectionEvent event) {
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

void ChatCore::StartRecord() {
    StopRecord();
    if (!settings.record) return;
    record = SessionRecord::Open(PathFromText(paths.dataFolder), std::time(nullptr));
    if (!record) {
        ShowLine(Cp932FromUtf8("データフォルダに記録ファイルを作れませんでした\r\n"));
        return;
    }
    frontEnd.StartTimer(CoreTimer::RecordFlush, kRecordFlushEvery);
}

void ChatCore::StopRecord() {
    record.reset();
    frontEnd.StopTimer(CoreTimer::RecordFlush);
}

void ChatCore::TimerFired(CoreTimer timer) {
    switch (timer) {
        case CoreTimer::Rejoin:
            rejoin.Tick();
            break;
        case CoreTimer::RecordFlush:
            if (!record) return;
            record->Flush();
            frontEnd.StartTimer(CoreTimer::RecordFlush, kRecordFlushEvery);
            break;
    }
}

void ChatCore::WindowMoved() {
    const WindowPlacement now = frontEnd.Placement();
    if (now == savedPlacement) return;
    if (SaveWindowPlacement(store, now, frontEnd.PlacementShown(), frontEnd.Screens(), frontEnd)) {
        savedPlacement = now;
    }
}

void ChatCore::Close() {
    // Before anything else goes: no reader thread may post to the window from here on.
    rejoin.Stop();
    connection.Close();
    StopRecord();
}

void ChatCore::Connect() {
    const std::optional<ConnectChoice> choice =
        frontEnd.RunConnectDialog(connection.Target(), settings.name, paths);
    if (!choice) return;
    connection.Target() = choice->target;
    // An empty field keeps the current player name.
    if (!choice->playerName.empty()) SelectPlayerName(choice->playerName);
    if (connection.OpenConnection()) noConnectionNoticeShown = false;
}

void ChatCore::SelectPlayerName(std::string_view name) {
    NameBoxView& box = frontEnd.NameBox();
    int index = box.Find(name);
    if (index < 0) {
        box.InsertFirst(name);
        index = 0;
    }
    box.Select(index);
}

void ChatCore::Options() {
    const std::optional<OptionChoice> choice =
        frontEnd.RunOptionDialog(connection.Target(), settings);
    if (!choice) return;
    connection.Target() = choice->target;
    settings = choice->settings;
    if (!settings.record) StopRecord();
    // Entry 0 is the default player name, whatever it holds now.
    NameBoxView& box = frontEnd.NameBox();
    box.RemoveFirst();
    box.InsertFirst(settings.name);
    box.Select(0);
    SaveOptions(store, connection.Target(), settings, frontEnd);
    SaveEveningOptions(store, settings, frontEnd);
}

void ChatCore::ChangeFont() {
    // Opens on the face the log is drawn with, which is not the stored one where that font
    // is missing and another stands in for it.
    const std::string openedOn = frontEnd.ShownFontFace(settings.font);
    const std::optional<FontChoice> choice = frontEnd.ChooseFont(openedOn, settings.fontSize);
    if (!choice) return;
    if (choice->face != openedOn && !FontFaceFits(choice->face)) {
        frontEnd.ShowMessage(
            Cp932FromUtf8("このフォントは名前が長すぎるか、使えない文字を含むため選べません。"));
        return;
    }
    settings.font = FaceAfterFontDialog(settings.font, openedOn, choice->face);
    settings.fontSize = WholePoints(choice->points);
    frontEnd.ApplyFont(settings.font, settings.fontSize);
    SaveFontSettings(store, settings, frontEnd);
}

}  // namespace vesk
