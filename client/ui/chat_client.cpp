#include "client/ui/chat_client.h"

#include <QApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include "client/ui/chat_input.h"
#include "client/ui/chat_log.h"
#include "client/ui/client_pictures.h"
#include "client/ui/connect_dialog.h"
#include "client/ui/font_dialog.h"
#include "client/ui/option_dialog.h"
#include "ui/about_dialog.h"
#include "ui/cp932_text.h"
#include "ui/help_window.h"
#include "ui/show_ip_dialog.h"

namespace vesk {

namespace {

QFont ChatFont(const QString& face, int points) {
    QFont font(face);
    font.setPointSize(points);
    return font;
}

}  // namespace

ChatClient::ChatClient(SettingsStore& store, ListPaths paths)
    : window({[this](ChatCommand command) { core.RunCommand(command); },
              [this] { core.SendChatLine(); }, [this] { core.WindowMoved(); },
              [this] { core.Close(); }, [this](std::string_view text) { core.ShowLine(text); }}),
      core(*this, store, std::move(paths)) {
    for (const CoreTimer timer : {CoreTimer::Rejoin, CoreTimer::RecordFlush}) {
        Timer(timer).setSingleShot(true);
        QObject::connect(&Timer(timer), &QTimer::timeout,
                         [this, timer] { core.TimerFired(timer); });
    }
}

ChatClient::~ChatClient() = default;

void ChatClient::PostToMainThread(std::function<void()> task) {
    window.PostToMainThread(std::move(task));
}

ChatLogView& ChatClient::Log() { return window.Log(); }

ChatInputView& ChatClient::Input() { return window.Input(); }

std::optional<ConnectChoice> ChatClient::RunConnectDialog(const ConnectionTarget& target,
                                                          std::string_view defaultName,
                                                          const ListPaths& paths) {
    ConnectDialog dialog(target, defaultName, paths, window, &window);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ConnectChoice{dialog.Target(), dialog.PlayerName()};
}

std::optional<OptionChoice> ChatClient::RunOptionDialog(const ConnectionTarget& target,
                                                        const ClientSettings& settings) {
    OptionDialog dialog(target, settings, window, &window);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return OptionChoice{dialog.Target(), dialog.Settings()};
}

std::string ChatClient::ShownFontFace(std::string_view storedFace) {
    return QFontInfo(ChatFont(FromCp932(storedFace), 12)).family().toStdString();
}

std::optional<FontChoice> ChatClient::ChooseFont(std::string_view utf8Face, int points) {
    FontDialog dialog(
        ChatFont(QString::fromUtf8(utf8Face.data(), static_cast<int>(utf8Face.size())), points),
        points, &window);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return FontChoice{dialog.Face().toStdString(), dialog.Points()};
}

void ChatClient::ApplyFont(std::string_view face, int points) {
    const QFont font = ChatFont(FromCp932(face), points);
    window.Log().setFont(font);
    window.Input().setFont(font);
}

void ChatClient::ShowIpAddresses(std::string_view serverAddress) {
    ShowIpDialog dialog(FromCp932(serverAddress), &window);
    dialog.exec();
}

void ChatClient::ShowAbout() {
    AboutDialog about({QStringLiteral("VeskChat"), ClientIconPath(),
                       QStringLiteral("パーティ用チャットとダイスのクライアント")},
                      &window);
    about.exec();
}

void ChatClient::ShowHelp() { vesk::ShowHelp(&window); }

void ChatClient::Nudge() { QApplication::alert(&window); }

void ChatClient::StartTimer(CoreTimer timer, std::chrono::milliseconds after) {
    Timer(timer).start(after);
}

void ChatClient::StopTimer(CoreTimer timer) { Timer(timer).stop(); }

std::vector<ScreenArea> ChatClient::Screens() const {
    std::vector<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        screens.push_back({area.x(), area.y(), area.width(), area.height()});
    }
    return screens;
}

void ChatClient::ShowAt(const WindowPlacement& placement) {
    window.Place(placement);
    window.show();
    window.Input().setFocus();
}

void ChatClient::PostClose() {
    // Queued like a posted close: the menu or key that sent the command finishes first.
    QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
}

}  // namespace vesk
