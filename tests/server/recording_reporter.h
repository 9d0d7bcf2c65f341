#pragma once

// Keeps what the relay reports, in UTF-8, so expectations read as the user reads them.

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/cp932.h"
#include "server/relay_reporter.h"
#include "tests/support/test_peer.h"

namespace vesk::test {

class RecordingReporter : public RelayReporter {
public:
    void LogLine(std::string_view text) override {
        std::lock_guard guard(lock);
        lines.push_back(Utf8FromCp932(text));
    }
    void ShowMessage(std::string_view text) override {
        std::lock_guard guard(lock);
        messages.push_back(Utf8FromCp932(text));
    }
    std::vector<std::string> Lines() const {
        std::lock_guard guard(lock);
        return lines;
    }
    std::vector<std::string> Messages() const {
        std::lock_guard guard(lock);
        return messages;
    }
    int Count(const std::string& line) const {
        std::lock_guard guard(lock);
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    // Waits until line was logged at least times times.
    bool WaitFor(const std::string& line, int times = 1) const {
        return WaitUntil([&] { return Count(line) >= times; });
    }

private:
    mutable std::mutex lock;  // guards lines and messages; taken by every reporting thread
    std::vector<std::string> lines;
    std::vector<std::string> messages;
};

}  // namespace vesk::test
