#pragma once

// The memory that the relay holds in its receivers' send queues, counted against one cap for
// the whole relay, and whose lines fill it. While the relay is over its cap, the senders
// whose lines fill it wait before they are read from again: their own connections then slow
// them down, and nobody else waits.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "server/send_queue.h"

namespace vesk {

class QueueMemory {
public:
    // What one sender's lines hold in queues.
    class Sender {
        friend class QueueMemory;
        std::atomic<std::size_t> held{0};
    };
    // Bytes of a sender's lines among lines being broadcast.
    struct Share {
        std::shared_ptr<Sender> sender;
        std::size_t bytes = 0;
    };

    explicit QueueMemory(std::size_t capBytes) : capBytes(capBytes) {}

    // A copy of bytes for the queues. It counts against the cap, and against the senders of
    // its lines, for as long as any queue holds it.
    SendQueue::Lines Hold(std::string_view bytes, const std::vector<Share>& senders);

    std::size_t Held() const { return held; }

    // Waits while the relay is over its cap and the sender's lines hold at least an even share
    // of what is held, or until stop gives true. It never waits for a sender whose lines no
    // queue holds.
    void WaitWhileFilling(const Sender& sender, const std::function<bool()>& stop);

private:
    struct HeldLines;
    void Release(std::size_t bytes, const std::vector<Share>& senders);
    bool Filling(const Sender& sender) const;

    const std::size_t capBytes;
    std::atomic<std::size_t> held{0};
    // Senders whose lines some queue holds; for a moment one too few or too many while a sender's
    // first lines are held as its last are freed.
    std::atomic<long> holders{0};

    // Wakes the waiting senders when memory is freed while the relay is over its cap. Taken
    // by those senders and by whoever frees lines then; nothing else is done under it.
    std::mutex waitLock;
    std::condition_variable released;
};

}  // namespace vesk
