#pragma once

// What the host may tune of the relay's rules; the defaults are VeskServer's.

#include <chrono>
#include <cstddef>

namespace vesk {

struct RelayOptions {
    // What the relay holds for a client that has not read its lines yet, beyond what the
    // system holds for it. Nobody waits for a client to read; one whose lines pass this is cut
    // off. A client that keeps reading falls this far behind only in a flood.
    std::size_t sendQueueBytes = 16 * 1024 * 1024;
    // What the relay holds for all its clients together. Beyond it, the clients whose lines
    // fill it are read from no more until some is taken.
    std::size_t relayQueueBytes = 256 * 1024 * 1024;
    // A client that takes no whole line for this long while some wait for it is stuck, and
    // cut off, so that it holds nobody's memory for good.
    std::chrono::milliseconds stuckReceiver{5000};
    // A connection that sends no name line within this time never joins, and is closed.
    std::chrono::milliseconds nameTimeout{30000};
    // Connections from one address at a time; the next one is closed at once. 0: no limit.
    int perAddress = 10;
    // Lines per second that one participant may send for long; lines beyond it wait their turn
    // (its own lines only, nobody else's). 0 lets every participant send at full speed.
    int floodLimit = 50;
    // How long a participant may go on sending while more of its lines wait than the relay
    // holds for it before it is cut off. No person does that; a program that does could
    // otherwise keep its lines, held in the system's buffers, coming long after it left.
    std::chrono::milliseconds floodCutOff{5000};
    // A client whose machine or network vanished is noticed about a minute later: 30 s
    // idle, then three probes 10 s apart; data it never acknowledges is given up as soon.
    std::chrono::seconds keepAliveIdle{30};
    std::chrono::seconds keepAliveInterval{10};
    int keepAliveProbes = 3;
    // A browser seat whose page lost its connection without leaving keeps its place this long;
    // what the party says meanwhile waits for it (within sendQueueBytes), and its page, once
    // back, receives all of it. 0: it leaves at once, as a client does.
    std::chrono::milliseconds seatGrace{120000};
    // The party's last lines kept for whoever joins: at most this many (0: none kept, as
    // VeskServer keeps none) and at most historyBytes together.
    std::size_t historyLines = 0;
    std::size_t historyBytes = 256 * 1024;
    // A client connecting by TCP gets those lines after its roster lines, between the relay's
    // "【これまでの会話】" and "【ここまで】" lines. Off, the relay sends what VeskServer sends.
    bool tcpHistory = false;
    // The relay rolls the dice commands in chat lines and keeps its mark for its own lines.
    // Off, it relays every line as it came and says nothing of its own but the roster.
    bool dice = true;
};

}  // namespace vesk
