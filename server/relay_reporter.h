#pragma once

#include <string_view>

namespace vesk {

// How the relay reports to its front end (the event log window, or standard output). Texts
// are code page 932.
class RelayReporter {
public:
    virtual ~RelayReporter() = default;

    // One event log line, without its line end, from any thread: the relay's loop logs from
    // its own. Must not wait for the thread that starts or stops the server, which may be
    // waiting for the loop.
    virtual void LogLine(std::string_view text) = 0;

    // A notice the user must see, from the thread that starts and stops the server (the front
    // end's main thread); returns once it is dismissed.
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace vesk
