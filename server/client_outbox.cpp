#include "server/client_outbox.h"

#include <algorithm>
#include <system_error>

namespace vesk {

namespace {

// The longest the writer waits for room before it looks at its stop flag and its deadline
// again; a shutdown does not wake every wait on every system.
constexpr std::chrono::milliseconds kWaitSlice{250};

}  // namespace

const SendQueue::Lines& OutgoingLines::Held() {
    if (!held) held = memory.Hold(bytes, senders ? *senders : std::vector<QueueMemory::Share>{});
    return held;
}

ClientOutbox::ClientOutbox(SocketHandle socket, std::size_t queueBytes,
                           SendQueue::Clock::duration stuckAfter)
    : socket(socket), queue(queueBytes, stuckAfter) {}

ClientOutbox::~ClientOutbox() { StopWriter(); }

void ClientOutbox::Send(OutgoingLines& lines) {
    std::lock_guard guard(lock);
    if (cutOff) return;
    const bool wasEmpty = queue.Empty();
    std::size_t sent = 0;
    if (wasEmpty) {
        // Nothing waits ahead of these lines: the socket takes what it can at once.
        const long taken = SendNow(socket, lines.Bytes());
        if (taken < 0) {
            CutOffLocked();
            return;
        }
        sent = static_cast<std::size_t>(taken);
        if (sent == lines.Bytes().size()) return;
    }
    if (!queue.Push(lines.Held(), sent, SendQueue::Clock::now())) {
        CutOffLocked();  // more than a receiver that keeps reading ever falls behind
        return;
    }
    if (wasEmpty) queueFilled.notify_one();
}

bool ClientOutbox::StartWriter() {
    try {
        writer = std::thread(&ClientOutbox::WriteQueue, this);
        return true;
    } catch (const std::system_error&) {
        std::lock_guard guard(lock);
        CutOffLocked();
        return false;
    }
}

void ClientOutbox::StopWriter() {
    {
        std::lock_guard guard(lock);
        stopping = true;
        queueFilled.notify_one();
    }
    if (writer.joinable()) writer.join();
}

bool ClientOutbox::CutOff() const {
    std::lock_guard guard(lock);
    return cutOff;
}

void ClientOutbox::CutOffLocked() {
    cutOff = true;
    queue.Clear();
    // The reset discards what the system still holds for the receiver; its own relay thread
    // then finds the connection ended and runs its departure.
    SetLinger(socket, 0);
    ShutdownBoth(socket);
    queueFilled.notify_one();
}

void ClientOutbox::WriteQueue() {
    using std::chrono::milliseconds;
    std::unique_lock guard(lock);
    for (;;) {
        queueFilled.wait(guard, [&] { return stopping || (!cutOff && !queue.Empty()); });
        if (stopping) return;
        // The piece keeps its lines while the lock is free: a cut-off may empty the queue.
        const SendQueue::Piece piece = queue.Front();
        const auto deadline = queue.Deadline();
        guard.unlock();
        const long taken = SendNow(socket, piece.Bytes());
        if (taken == 0) {
            const auto left = std::chrono::ceil<milliseconds>(deadline - SendQueue::Clock::now());
            WaitWritable(socket, std::clamp(left, milliseconds::zero(), kWaitSlice));
        }
        guard.lock();
        if (stopping || cutOff) continue;
        const auto now = SendQueue::Clock::now();
        if (taken > 0) queue.Taken(static_cast<std::size_t>(taken), now);
        // A receiver whose system takes a few bytes now and then, never a whole line, is as
        // stuck as one that takes none.
        if (taken < 0 || queue.Stuck(now)) CutOffLocked();
    }
}

}  // namespace vesk
