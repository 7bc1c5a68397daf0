#include "console/WorkerRegistry.h"

#include <chrono>

TWorkerRegistry &TWorkerRegistry::Instance()
{
    // Never destroyed: a thread object destroyed while joinable would end the program.
    static TWorkerRegistry *registry = new TWorkerRegistry;
    return *registry;
}

void TWorkerRegistry::Launch(std::function<void()> body)
{
    JoinFinished();
    std::lock_guard<std::mutex> lock(mutex_);
    // The slot exists before the thread does, so the thread can always find it; it cannot
    // move itself to finished_ before this lock is released.
    const auto slot = running_.emplace(running_.end());
    try {
        *slot = std::thread([this, slot, body = std::move(body)] {
            try {
                body();
            } catch (...) {
            }
            std::lock_guard<std::mutex> lock(mutex_);
            finished_.splice(finished_.end(), running_, slot);
            allDone_.notify_all();
        });
    } catch (...) {
        running_.erase(slot);
        throw;
    }
}

bool TWorkerRegistry::WaitForAll(int msTimeout)
{
    bool done;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        done = allDone_.wait_for(lock, std::chrono::milliseconds(msTimeout),
                                 [this] { return running_.empty(); });
    }
    JoinFinished();
    return done;
}

void TWorkerRegistry::JoinFinished()
{
    std::list<std::thread> done;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done.swap(finished_);
    }
    for (std::thread &thread : done)
        thread.join();
}
