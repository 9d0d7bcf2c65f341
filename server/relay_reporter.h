#pragma once

#include <string_view>

namespace vesk {

// How the relay reports to its front end (the event log window, or standard output). Texts
// are code page 932. Both are called from any thread, never while the server lock is held.
class RelayReporter {
public:
    virtual ~RelayReporter() = default;

    // One event log line, without its line end. Must not wait for the thread that starts or
    // stops the server: the accept loop logs while a stop waits for it to end.
    virtual void LogLine(std::string_view text) = 0;

    // A notice the user must see; the calling thread waits until it is dismissed.
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace vesk
