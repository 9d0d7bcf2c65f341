#pragma once

// One receiver's way out of the relay. Lines go straight to its socket while its system buffer
// takes them; what the buffer does not take waits in the receiver's send queue, which a thread
// of its own writes as the receiver reads. Nothing here waits for the receiver under the
// caller's lock. A receiver is cut off, its connection reset, only when it is stuck (its
// queue takes no whole line for the stuck time), when its queue passes its cap, or when its
// connection is gone.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "protocol/socket.h"
#include "server/queue_memory.h"
#include "server/send_queue.h"

namespace vesk {

// Lines being broadcast. The copy that queues share is made for the first receiver that
// needs one, so a broadcast that every socket takes at once copies nothing.
class OutgoingLines {
public:
    // senders: whose lines these are; none for the relay's own lines.
    OutgoingLines(std::string_view bytes, QueueMemory& memory,
                  const std::vector<QueueMemory::Share>* senders = nullptr)
        : bytes(bytes), memory(memory), senders(senders) {}

    std::string_view Bytes() const { return bytes; }
    const SendQueue::Lines& Held();

private:
    std::string_view bytes;
    QueueMemory& memory;
    const std::vector<QueueMemory::Share>* senders;
    SendQueue::Lines held;
};

class ClientOutbox {
public:
    ClientOutbox(SocketHandle socket, std::size_t queueBytes,
                 SendQueue::Clock::duration stuckAfter);
    ~ClientOutbox();
    ClientOutbox(const ClientOutbox&) = delete;
    ClientOutbox& operator=(const ClientOutbox&) = delete;

    SocketHandle Socket() const { return socket; }

    // Sends lines after everything sent before, without waiting for the receiver.
    void Send(OutgoingLines& lines);

    // Starts the thread that writes the queue; false when no thread could be started, and
    // the receiver is then cut off, as its queue would never be written.
    bool StartWriter();
    // Ends the writer. Shut the socket down first, so that a write under way ends too.
    void StopWriter();

    bool CutOff() const;

private:
    void WriteQueue();
    void CutOffLocked();  // lock held

    const SocketHandle socket;

    // Guards the queue and the flags. Taken by the broadcaster (under the server lock) and by
    // the writer; no one waits for the receiver while holding it.
    mutable std::mutex lock;
    std::condition_variable queueFilled;  // or stopping set
    SendQueue queue;
    bool cutOff = false;
    bool stopping = false;
    std::thread writer;
};

}  // namespace vesk
