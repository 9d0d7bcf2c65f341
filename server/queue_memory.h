#pragma once

// The memory that the relay holds in its receivers' send queues, counted against one cap for
// the whole relay, and whose lines fill it. While the relay is over its cap, the senders whose
// lines fill it are read from no more: their own connections then slow them down, and nobody
// else waits. The lines it holds must not outlive it.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "server/send_queue.h"

namespace vesk {

class QueueMemory {
public:
    // What one sender's lines hold in queues.
    class Sender {
        friend class QueueMemory;
        std::size_t held = 0;
    };
    // Bytes of a sender's lines among lines being broadcast.
    struct Share {
        std::shared_ptr<Sender> sender;
        std::size_t bytes = 0;
    };

    explicit QueueMemory(std::size_t capBytes) : capBytes(capBytes) {}

    // The bytes, for the queues. They count against the cap, and against the senders of their
    // lines, for as long as any queue holds them.
    SendQueue::Lines Hold(std::string bytes, std::vector<Share> senders = {});

    std::size_t Held() const { return held; }

    // The relay is over its cap, and the sender's lines hold at least an even share of what
    // the senders' lines hold. Never for a sender whose lines no queue holds.
    bool Filling(const Sender& sender) const;

    // Whether any lines were let go since the last call.
    bool Released();

private:
    struct HeldLines;
    void Release(std::size_t bytes, const std::vector<Share>& senders);

    const std::size_t capBytes;
    std::size_t held = 0;
    std::size_t sendersHeld = 0;  // of held, the bytes of senders' lines
    std::size_t holders = 0;      // senders whose lines some queue holds
    bool released = false;
};

}  // namespace vesk
