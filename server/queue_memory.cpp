#include "server/queue_memory.h"

#include <algorithm>
#include <utility>

namespace vesk {

namespace {

// What a copy costs beside its bytes: the allocation, the counts and the share list.
constexpr std::size_t kCopyOverhead = 128;

}  // namespace

struct QueueMemory::HeldLines {
    HeldLines(QueueMemory& memory, std::string bytes, std::vector<Share> senders)
        : memory(memory), bytes(std::move(bytes)), senders(std::move(senders)) {}
    ~HeldLines() { memory.Release(bytes.size() + kCopyOverhead, senders); }
    HeldLines(const HeldLines&) = delete;
    HeldLines& operator=(const HeldLines&) = delete;

    QueueMemory& memory;
    const std::string bytes;
    const std::vector<Share> senders;
};

SendQueue::Lines QueueMemory::Hold(std::string bytes, std::vector<Share> senders) {
    held += bytes.size() + kCopyOverhead;
    std::erase_if(senders, [](const Share& share) { return share.bytes == 0; });
    for (const Share& share : senders) {
        if (share.sender->held == 0) ++holders;
        share.sender->held += share.bytes;
        sendersHeld += share.bytes;
    }
    const auto lines =
        std::make_shared<const HeldLines>(*this, std::move(bytes), std::move(senders));
    return SendQueue::Lines(lines, &lines->bytes);
}

void QueueMemory::Release(std::size_t bytes, const std::vector<Share>& senders) {
    for (const Share& share : senders) {
        share.sender->held -= share.bytes;
        sendersHeld -= share.bytes;
        if (share.sender->held == 0) --holders;
    }
    held -= bytes;
    released = true;
}

bool QueueMemory::Filling(const Sender& sender) const {
    const std::size_t sharing = std::max<std::size_t>(1, holders);
    return held > capBytes && sender.held > 0 && sender.held * sharing >= sendersHeld;
}

bool QueueMemory::Released() { return std::exchange(released, false); }

}  // namespace vesk
