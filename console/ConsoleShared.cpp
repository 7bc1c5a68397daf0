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
    lastCollectedBeginning_ = false;
    return ++generation_;
}

bool TConsoleShared::IsCurrentRun(quint64 run) const
{
    std::lock_guard<std::mutex> lock(recordsMutex_);
    return run == generation_;
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

void TConsoleShared::Collect(quint64 run, const std::vector<TDeliveredText> &texts)
{
    std::lock_guard<std::mutex> lock(recordsMutex_);
    if (run != generation_)
        return;
    for (const TDeliveredText &delivered : texts) {
        if (lastCollectedBeginning_ && !collectedLines_.isEmpty())
            collectedLines_.last() = delivered.text;
        else
            collectedLines_.append(delivered.text);
        lastCollectedBeginning_ = delivered.type == otBeginningOfLine;
    }
}

void TConsoleShared::ReleaseBeginning(quint64 run)
{
    std::lock_guard<std::mutex> lock(recordsMutex_);
    if (run == generation_ && lastCollectedBeginning_ && !collectedLines_.isEmpty())
        collectedLines_.last() = QString();
}

QStringList TConsoleShared::CollectedLines() const
{
    std::lock_guard<std::mutex> lock(recordsMutex_);
    return collectedLines_;
}
