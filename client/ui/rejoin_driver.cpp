#include "client/ui/rejoin_driver.h"

#include <string>

#include "protocol/cp932.h"

namespace vesk {

namespace {

RejoinSchedule::Clock::time_point Now() { return RejoinSchedule::Clock::now(); }

}  // namespace

RejoinDriver::RejoinDriver(ClientConnection& connection, ChatWindow& window)
    : connection(connection), window(window) {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [this] { Tick(); });
}

void RejoinDriver::Lost() {
    schedule.Lost(Now());
    if (!schedule.Active()) return GiveUp();
    WaitForNext();
}

void RejoinDriver::Listed() { schedule.Joined(); }

void RejoinDriver::OpenFailed() {
    if (!schedule.Failed(Now())) return GiveUp();
    WaitForNext();
}

void RejoinDriver::Stop() {
    if (schedule.Active() && !connection.Connected()) {
        window.SetMenuState(MenuState::Idle);
    }
    schedule.Stop();
    timer.stop();
    connection.CancelBackgroundOpen();
}

void RejoinDriver::WaitForNext() {
    window.SetMenuState(MenuState::Rejoining);
    const auto next = schedule.NextTry();
    if (!next) return;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Now());
    timer.start(std::max<std::chrono::milliseconds>(wait, std::chrono::milliseconds(0)));
}

void RejoinDriver::Tick() {
    const std::optional<int> attempt = schedule.Due(Now());
    if (!attempt) return WaitForNext();
    window.AppendChatLog(
        Cp932FromUtf8("再接続しています（" + std::to_string(*attempt) + " 回目）…\r\n"));
    if (!connection.OpenInBackground()) OpenFailed();
}

void RejoinDriver::GiveUp() {
    timer.stop();
    window.SetMenuState(MenuState::Idle);
    window.AppendChatLog(Cp932FromUtf8(
        "再接続をあきらめました。ファイルメニューの「接続」で接続し直してください\r\n"));
}

}  // namespace vesk
