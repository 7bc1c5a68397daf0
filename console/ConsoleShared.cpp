#include "console/ConsoleShared.h"

std::mutex &PostLock()
{
    static std::mutex lock;
    return lock;
}

void TConsoleShared::Detach()
{
    {
        std::lock_guard<std::mutex> lock(handOverMutex_);
        alive_ = false;
    }
    handOverDone_.notify_all();
    std::unique_lock<std::shared_mutex> lock(lifeLock_);
    lifeAlive_ = false;
}

quint64 TConsoleShared::BeginRun()
{
    std::lock_guard<std::mutex> lock(recordsMutex_);
    collectedLines_.clear();
    return ++generation_;
}

void TConsoleShared::SetRunStatus(quint64 run, quint8 status)
{
    std::lock_guard<std::mutex> lock(recordsMutex_);
    if (run == generation_)
        runStatus_ = status;
}

void TConsoleShared::SetRunResult(quint64 run, quint8 status, quint32 code)
{
    std::lock_guard<std::mutex> lock(recordsMutex_);
    if (run == generation_) {
        runResultCode_ = code;
        runStatus_ = status;
    }
}

void TConsoleShared::SetOutputReturnCode(quint64 run, TReturnCode code)
{
    std::lock_guard<std::mutex> lock(recordsMutex_);
    if (run == generation_)
        outputReturnCode_ = code;
}

void TConsoleShared::AppendCollected(quint64 run, const QString &text)
{
    std::lock_guard<std::mutex> lock(recordsMutex_);
    if (run == generation_)
        collectedLines_.append(text);
}

QStringList TConsoleShared::CollectedLines() const
{
    std::lock_guard<std::mutex> lock(recordsMutex_);
    return collectedLines_;
}
