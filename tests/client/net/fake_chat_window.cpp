#include "tests/client/net/fake_chat_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "protocol/cp932.h"
#include "tests/support/test_peer.h"

namespace vesk::test {

FakeChatWindow::FakeChatWindow() : mainThread(std::this_thread::get_id()) {}

void FakeChatWindow::OnMainThread(const char* call) {
    if (std::this_thread::get_id() != mainThread) {
        ADD_FAILURE() << call << " called off the main thread";
    }
    std::lock_guard guard(queueLock);
    if (gone) ADD_FAILURE() << call << " called after the window was gone";
}

void FakeChatWindow::AppendChatLog(std::string_view text) {
    OnMainThread("AppendChatLog");
    chatLog.emplace_back(text);
    events.push_back("log:" + std::string(text));
}

void FakeChatWindow::AddParticipantRow(std::string_view name) {
    OnMainThread("AddParticipantRow");
    rows.emplace_back(name);
    events.push_back("add:" + std::string(name));
}

void FakeChatWindow::DeleteParticipantRow(int index) {
    OnMainThread("DeleteParticipantRow");
    if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) {
        ADD_FAILURE() << "no row " << index;
    } else {
        rows.erase(rows.begin() + index);
    }
    events.push_back("del:" + std::to_string(index));
}

void FakeChatWindow::ClearParticipantRows() {
    OnMainThread("ClearParticipantRows");
    rows.clear();
    events.push_back("clear");
}

void FakeChatWindow::ShowMessage(std::string_view text) {
    OnMainThread("ShowMessage");
    messages.push_back(Utf8FromCp932(text));
    events.push_back("message");
}

void FakeChatWindow::SetMenuState(MenuState state) {
    OnMainThread("SetMenuState");
    menu = state;
    menuChanges.push_back(state);
    events.push_back("menu:" + std::to_string(static_cast<int>(state)));
}

std::string FakeChatWindow::CurrentPlayerName() {
    OnMainThread("CurrentPlayerName");
    return playerName;
}

void FakeChatWindow::PostToMainThread(std::function<void()> task) {
    std::lock_guard guard(queueLock);
    if (gone) ADD_FAILURE() << "PostToMainThread called after the window was gone";
    queue.push_back(std::move(task));
    mostPending = std::max(mostPending, queue.size());
}

int FakeChatWindow::RunPending() {
    OnMainThread("RunPending");
    int ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard guard(queueLock);
            if (queue.empty()) return ran;
            task = std::move(queue.front());
            queue.pop_front();
        }
        task();
        ++ran;
    }
}

bool FakeChatWindow::PumpUntil(const std::function<bool()>& condition,
                               std::chrono::milliseconds deadline) {
    return WaitUntil(
        [&] {
            RunPending();
            return condition();
        },
        deadline);
}

std::size_t FakeChatWindow::PendingCount() const {
    std::lock_guard guard(queueLock);
    return queue.size();
}

std::size_t FakeChatWindow::MostPending() const {
    std::lock_guard guard(queueLock);
    return mostPending;
}

void FakeChatWindow::Gone() {
    std::lock_guard guard(queueLock);
    gone = true;
}

}  // namespace vesk::test
