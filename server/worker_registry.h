#pragma once

// The threads that serve the relay's connections, one each. A thread that ends is joined by
// the next start, so that a long session does not collect ended threads, and whatever is
// still running is joined at the end of the program.

#include <cstddef>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace vesk {

class WorkerRegistry {
public:
    WorkerRegistry() = default;
    WorkerRegistry(const WorkerRegistry&) = delete;
    WorkerRegistry& operator=(const WorkerRegistry&) = delete;
    // Joins whatever is still running.
    ~WorkerRegistry() { JoinAll(); }

    // Joins the threads that have ended, then runs work on a thread of its own. False when
    // the system would not start another thread; work has then been dropped unrun.
    template <typename Work>
    bool Start(Work work) {
        std::lock_guard guard(lock);
        ReapFinished();
        try {
            std::thread worker([this, work = std::move(work)]() mutable {
                work();
                Finished(std::this_thread::get_id());
            });
            const std::thread::id id = worker.get_id();
            workers.emplace(id, std::move(worker));
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }

    // Waits for every thread started so far.
    void JoinAll();

    struct Tally {
        std::size_t running = 0;  // whose work has not ended
        std::size_t ended = 0;    // ended and not joined yet
    };
    Tally Count() const;

private:
    void Finished(std::thread::id id);
    void ReapFinished();  // lock held

    // Guards both containers: taken by the starting thread, by Close's, and by every worker
    // as it ends; never held while a worker runs its work.
    mutable std::mutex lock;
    std::map<std::thread::id, std::thread> workers;
    std::vector<std::thread::id> finished;
};

}  // namespace vesk
