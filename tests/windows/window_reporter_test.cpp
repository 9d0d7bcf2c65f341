// How the relay reaches VeskServer's event log: lines from any thread arrive whole and in
// order, and none once the program ends.

#include "server/win/window_reporter.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "server/win/event_log.h"
#include "tests/windows/native_driver.h"
#include "ui/win/main_thread_queue.h"

namespace vesk::test {
namespace {

MainThreadQueue* hostQueue = nullptr;

LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MainThreadQueue::kWakeMessage) {
        hostQueue->RunPending();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The log's window: a top-level window that runs the queue's tasks, with the event log in it.
class WindowReporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostQueue = &queue;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = HostProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"WindowReporterTestHost";
        RegisterClassW(&windowClass);
        host = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 400,
                               300, nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(host, nullptr);
        log.Create(windowClass.hInstance, host);
        ASSERT_NE(log.Handle(), nullptr);
        queue.Attach(host);
    }

    void TearDown() override {
        queue.Close();
        DestroyWindow(host);
        hostQueue = nullptr;
    }

    // Runs the window's messages until condition holds or the deadline passes.
    template <typename Condition>
    bool PumpUntil(Condition condition) {
        return WaitFor([&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            return condition();
        });
    }

    std::wstring LogText() const { return WindowText(log.Handle()); }

    HWND host = nullptr;
    EventLog log;
    MainThreadQueue queue;
    WindowReporter reporter{log, queue};
};

TEST_F(WindowReporterTest, LinesFromAnyThreadArriveWholeAndInOrder) {
    std::thread worker([&] {
        for (const char* line : {"one", "two", "three"}) reporter.LogLine(line);
    });
    worker.join();
    // The main thread's line comes after those handed over before it, without a message run.
    reporter.LogLine("main");
    EXPECT_EQ(LogText(), L"one\r\ntwo\r\nthree\r\nmain\r\n");

    std::thread later([&] { reporter.LogLine("\x83\x54\x81\x5B\x83\x6F\x81\x5B"); });
    later.join();
    EXPECT_TRUE(PumpUntil([&] { return LogText().ends_with(L"main\r\nサーバー\r\n"); }))
        << testing::PrintToString(LogText());

    // After the end, lines are dropped at once.
    reporter.Shutdown();
    std::thread late([&] { reporter.LogLine("late line"); });
    late.join();
    reporter.LogLine("late main line");
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    PumpUntil([&] { return std::chrono::steady_clock::now() > until; });
    EXPECT_FALSE(LogText().ends_with(L"line\r\n")) << testing::PrintToString(LogText());
}

}  // namespace
}  // namespace vesk::test
