#include "server/worker_registry.h"

namespace vesk {

void WorkerRegistry::JoinAll() {
    std::map<std::thread::id, std::thread> running;
    {
        std::lock_guard guard(lock);
        running.swap(workers);
        finished.clear();
    }
    // Joined without the lock, which every ending thread takes.
    for (auto& [id, worker] : running) worker.join();
}

WorkerRegistry::Tally WorkerRegistry::Count() const {
    std::lock_guard guard(lock);
    return Tally{workers.size() - finished.size(), finished.size()};
}

void WorkerRegistry::Finished(std::thread::id id) {
    std::lock_guard guard(lock);
    // A thread that JoinAll has taken over is joined there.
    if (workers.contains(id)) finished.push_back(id);
}

void WorkerRegistry::ReapFinished() {
    for (const std::thread::id id : finished) {
        const auto found = workers.find(id);
        if (found == workers.end()) continue;
        found->second.join();
        workers.erase(found);
    }
    finished.clear();
}

}  // namespace vesk
