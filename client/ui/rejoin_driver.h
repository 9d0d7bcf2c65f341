#pragma once

// Runs the rejoin schedule on the main thread's event loop: a timer for the next try, a
// notice in the chat log before each, and the menu showing the tries while they run. The
// connect of a try runs in the background, so the window never waits for it.

#include <QTimer>

#include "client/net/client_connection.h"
#include "client/net/rejoin_schedule.h"

namespace vesk {

class RejoinDriver {
public:
    // Both must outlive the driver.
    RejoinDriver(ClientConnection& connection, ChatWindow& window);

    // What the connection reports.
    void Lost();
    void Listed();
    void OpenFailed();

    // The player disconnected, connected or quit: no more tries, none running.
    void Stop();

    bool Active() const { return schedule.Active(); }

private:
    void Tick();
    void WaitForNext();
    void GiveUp();

    ClientConnection& connection;
    ChatWindow& window;
    RejoinSchedule schedule;
    QTimer timer;
};

}  // namespace vesk
