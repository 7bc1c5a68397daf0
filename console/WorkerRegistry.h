#pragma once
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

// Process-wide list of the console workers' threads. A worker releases itself, but its
// thread stays joinable here, so that main() can make sure that no worker outlives the
// program: WaitForAll waits until every thread has finished and joins them.
class TWorkerRegistry
{
public:
    static TWorkerRegistry &Instance();

    // Runs body on a new thread. Throws std::system_error when no thread can be created.
    void Launch(std::function<void()> body);

    // True when every thread had finished within the time; finished threads are joined.
    bool WaitForAll(int msTimeout);

private:
    TWorkerRegistry() = default;
    void JoinFinished();

    std::mutex mutex_;
    std::condition_variable allDone_;
    std::list<std::thread> running_;
    std::list<std::thread> finished_;
};
