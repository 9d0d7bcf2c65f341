#include "server/queue_memory.h"

#include <algorithm>
#include <string>

namespace vesk {

namespace {

// What a copy costs beside its bytes: the allocation, the counts and the share list.
constexpr std::size_t kCopyOverhead = 128;

// The longest a waiting sender goes without looking at its stop condition.
constexpr auto kWaitSlice = std::chrono::milliseconds(100);

}  // namespace

struct QueueMemory::HeldLines {
    HeldLines(QueueMemory& memory, std::string_view bytes, const std::vector<Share>& senders)
        : memory(memory), bytes(bytes), senders(senders) {}
    ~HeldLines() { memory.Release(bytes.size() + kCopyOverhead, senders); }
    HeldLines(const HeldLines&) = delete;
    HeldLines& operator=(const HeldLines&) = delete;

    QueueMemory& memory;
    const std::string bytes;
    const std::vector<Share> senders;
};

SendQueue::Lines QueueMemory::Hold(std::string_view bytes, const std::vector<Share>& senders) {
    held += bytes.size() + kCopyOverhead;
    for (const Share& share : senders) {
        if (share.sender->held.fetch_add(share.bytes) == 0) ++holders;
    }
    const auto copy = std::make_shared<const HeldLines>(*this, bytes, senders);
    return SendQueue::Lines(copy, &copy->bytes);
}

void QueueMemory::Release(std::size_t bytes, const std::vector<Share>& senders) {
    for (const Share& share : senders) {
        if (share.sender->held.fetch_sub(share.bytes) == share.bytes) --holders;
    }
    if (held.fetch_sub(bytes) > capBytes) {
        std::lock_guard guard(waitLock);
        released.notify_all();
    }
}

bool QueueMemory::Filling(const Sender& sender) const {
    const std::size_t total = held;
    const std::size_t mine = sender.held;
    const auto sharing = static_cast<std::size_t>(std::max(1L, holders.load()));
    return total > capBytes && mine > 0 && mine * sharing >= total;
}

void QueueMemory::WaitWhileFilling(const Sender& sender, const std::function<bool()>& stop) {
    if (!Filling(sender)) return;
    std::unique_lock guard(waitLock);
    while (Filling(sender) && !stop()) released.wait_for(guard, kWaitSlice);
}

}  // namespace vesk
