#pragma once

// A stand-in for the VeskChat window: it records what the connection does to it, in order,
// and runs posted tasks only when the test, as the main thread, pumps its queue. It fails the
// test when a main-thread call comes from another thread, or when anything reaches it after
// the test declared it gone.

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "client/net/chat_window.h"

namespace vesk::test {

class FakeChatWindow : public ChatWindow {
public:
    FakeChatWindow();

    void AppendChatLog(std::string_view text) override;
    void AddParticipantRow(std::string_view name) override;
    void DeleteParticipantRow(int index) override;
    void ClearParticipantRows() override;
    void ShowMessage(std::string_view text) override;
    void SetMenuState(MenuState state) override;
    std::string CurrentPlayerName() override;
    void PostToMainThread(std::function<void()> task) override;

    // Runs the tasks posted so far; how many ran.
    int RunPending();
    // Runs posted tasks until condition holds or the deadline passes.
    bool PumpUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds deadline = std::chrono::seconds(10));
    std::size_t PendingCount() const;
    // The most tasks that were ever waiting at once.
    std::size_t MostPending() const;

    // From now on any call is a fault.
    void Gone();

    // Main-thread state, in code page 932 unless noted.
    std::string playerName;
    std::vector<std::string> chatLog;  // one entry per append
    std::vector<std::string> rows;
    std::vector<std::string> messages;  // UTF-8
    MenuState menu = MenuState::Idle;
    std::vector<MenuState> menuChanges;
    // Every call in order, such as "log:text", "add:name", "del:1", "clear", "menu:1".
    std::vector<std::string> events;

private:
    void OnMainThread(const char* call);

    const std::thread::id mainThread;
    bool gone = false;

    // Guards queue, mostPending and gone; taken by reader threads posting and by the test
    // pumping.
    mutable std::mutex queueLock;
    std::deque<std::function<void()>> queue;
    std::size_t mostPending = 0;
};

}  // namespace vesk::test
