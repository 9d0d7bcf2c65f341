#pragma once

// Runs the rejoin schedule on the front end's timer: a notice in the chat log before each try,
// and the menu showing the tries while they run. The connect of a try runs in the background,
// so the window never waits for it.

#include "client/app/chat_front_end.h"
#include "client/net/client_connection.h"
#include "client/net/rejoin_schedule.h"

namespace vesk {

class RejoinDriver {
public:
    // All must outlive the driver; window is what the notices and the menu state go to,
    // timers runs CoreTimer::Rejoin.
    RejoinDriver(ClientConnection& connection, ChatWindow& window, ChatFrontEnd& timers);

    // What the connection reports.
    void Lost();
    void Listed();
    void OpenFailed();

    // The player disconnected, connected or quit: no more tries, none running.
    void Stop();

    // CoreTimer::Rejoin fired.
    void Tick();

    bool Active() const { return schedule.Active(); }

private:
    void WaitForNext();
    void GiveUp();

    ClientConnection& connection;
    ChatWindow& window;
    ChatFrontEnd& timers;
    RejoinSchedule schedule;
};

}  // namespace vesk
