#include "client/app/rejoin_driver.h"

#include <algorithm>
#include <string>

#include "protocol/cp932.h"

namespace vesk {

namespace {

RejoinSchedule::Clock::time_point Now() { return RejoinSchedule::Clock::now(); }

}  // namespace

RejoinDriver::RejoinDriver(ClientConnection& connection, ChatWindow& window, ChatFrontEnd& timers)
    : connection(connection), window(window), timers(timers) {}

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
    timers.StopTimer(CoreTimer::Rejoin);
    connection.CancelBackgroundOpen();
}

void RejoinDriver::WaitForNext() {
    window.SetMenuState(MenuState::Rejoining);
    const auto next = schedule.NextTry();
    if (!next) return;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Now());
    timers.StartTimer(CoreTimer::Rejoin,
                      std::max<std::chrono::milliseconds>(wait, std::chrono::milliseconds(0)));
}

void RejoinDriver::Tick() {
    const std::optional<int> attempt = schedule.Due(Now());
    if (!attempt) return WaitForNext();
    window.AppendChatLog(
        Cp932FromUtf8("再接続しています（" + std::to_string(*attempt) + " 回目）…\r\n"));
    if (!connection.OpenInBackground()) OpenFailed();
}

void RejoinDriver::GiveUp() {
    timers.StopTimer(CoreTimer::Rejoin);
    window.SetMenuState(MenuState::Idle);
    window.AppendChatLog(Cp932FromUtf8(
        "再接続をあきらめました。ファイルメニューの「接続」で接続し直してください\r\n"));
}

}  // namespace vesk
