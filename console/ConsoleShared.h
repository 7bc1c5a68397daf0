#pragma once
#include "console/ConsoleLog.h"
#include "console/ConsoleTypes.h"

#include <QByteArray>
#include <QMetaObject>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

// One text for the UI thread: an output line, a beginning, or an echoed entry.
struct TDeliveredText {
    QString text;
    TOutputType type;
    TReturnCode returnCode; // how a complete output line ended
};

// Shutdown safety. A component may be destroyed (with the main window) while its workers
// still run, and a worker may then be waiting for the UI thread, which is inside the
// destructor. So no worker ever holds the component itself: component and workers share
// this state through std::shared_ptr, and a worker reaches the component only through it,
// only while it is alive:
// - a hand-over posts the step to the component's thread and waits for it or for Detach;
//   Detach, called first by the destructor, wakes every waiting worker and bars later
//   posts, and Qt drops the posted events of a destroyed object;
// - OnTerminated runs under a read lock that Detach takes for writing, so the component
//   cannot be released in the middle of that call, and is not called afterwards.
// The destructor never waits for a worker; the worker sees its stop request, kills the
// child and releases itself.
class TConsoleShared : public std::enable_shared_from_this<TConsoleShared>
{
public:
    // The component passes itself twice: as the context that hand-overs are posted to,
    // and as the Sender of its events.
    TConsoleShared(TConsoleCommand *command, QObject *context) : command_(command), context_(context)
    {
    }

    // UI thread, from the component's destructor.
    void Detach();

    // Worker: runs step(component) on the UI thread and waits until it has run. False when
    // the component has gone (the step is not run, or not to its end).
    template <typename Step> bool RunOnUiThread(Step step);

    // Worker: runs step(component) on the UI thread later, unless the component has gone.
    template <typename Step> void PostToUiThread(Step step);

    // Worker: runs call(component) on this thread while the component cannot be released.
    template <typename Call> bool CallWhileAlive(Call call);

    // Runs: each Start begins a new generation; a worker writes the records of the
    // component, and starts its timer, only while its run is the latest, so a stopped run
    // that finishes late cannot overwrite what the next run has written or counts for.
    quint64 BeginRun();
    bool IsCurrentRun(quint64 run) const;
    void SetRunStatus(quint64 run, quint8 status);
    void SetRunResult(quint64 run, quint8 status, quint32 code);
    void SetOutputReturnCode(quint64 run, TReturnCode code);
    // Appends the texts in order; a text delivered after a beginning replaces it, so a
    // line that grows is kept once.
    void Collect(quint64 run, const std::vector<TDeliveredText> &texts);
    // Lets the kept beginning go before a longer form of it is built.
    void ReleaseBeginning(quint64 run);

    quint8 RunStatus() const { return runStatus_; }
    quint32 RunResultCode() const { return runResultCode_; }
    TReturnCode OutputReturnCode() const { return outputReturnCode_; }
    QStringList CollectedLines() const;

    std::atomic<bool> InputToOutput{false};

private:
    template <typename Step> void Post(Step step, bool *done);

    TConsoleCommand *const command_;
    QObject *const context_;

    std::mutex handOverMutex_;
    std::condition_variable handOverDone_;
    bool alive_ = true;

    std::shared_mutex lifeLock_;
    bool lifeAlive_ = true;

    mutable std::mutex recordsMutex_;
    quint64 generation_ = 0;
    std::atomic<quint8> runStatus_{rsPreparing};
    std::atomic<quint32> runResultCode_{0};
    std::atomic<TReturnCode> outputReturnCode_{rcCRLF};
    QStringList collectedLines_;
    bool lastCollectedBeginning_ = false;
};

// Qt guards its event queue with a futex that ThreadSanitizer cannot see. A worker holds
// this lock while it posts a step, and the step takes it before it reads anything the
// worker wrote, so the order of the two is plain C++ and visible to the tools as well.
std::mutex &PostLock();

// What the component holds of a run: its stop request and its input queue. It outlives the
// worker, so Stop and QueueInputLine never reach a worker that has ended.
struct TConsoleRun {
    explicit TConsoleRun(quint64 generation) : Generation(generation) {}

    const quint64 Generation;
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> Ended{false};
    std::mutex Lock; // guards InputQueue on both threads
    std::deque<QByteArray> InputQueue;
};

// Called with handOverMutex_ held while alive. When done is given, it is set and the waiting
// worker woken once the step has run.
template <typename Step> void TConsoleShared::Post(Step step, bool *done)
{
    std::lock_guard<std::mutex> posting(PostLock());
    QMetaObject::invokeMethod(
        context_,
        [self = shared_from_this(), done, step = std::move(step)]() mutable {
            { std::lock_guard<std::mutex> posted(PostLock()); }
            {
                std::lock_guard<std::mutex> lock(self->handOverMutex_);
                if (!self->alive_)
                    return;
            }
            try {
                step(*self->command_);
            } catch (...) {
                // Exceptions never cross Qt's event machinery; a failed step is dropped.
                qCWarning(lcConsole) << "a step of a console run failed on the UI thread";
            }
            if (!done)
                return;
            std::lock_guard<std::mutex> lock(self->handOverMutex_);
            if (self->alive_) { // otherwise the waiting worker has left already
                *done = true;
                self->handOverDone_.notify_all();
            }
        },
        Qt::QueuedConnection);
}

template <typename Step> bool TConsoleShared::RunOnUiThread(Step step)
{
    bool done = false; // lives on this stack only while this call waits
    std::unique_lock<std::mutex> lock(handOverMutex_);
    if (!alive_)
        return false;
    Post(std::move(step), &done);
    handOverDone_.wait(lock, [&] { return done || !alive_; });
    return done;
}

template <typename Step> void TConsoleShared::PostToUiThread(Step step)
{
    std::lock_guard<std::mutex> lock(handOverMutex_);
    if (alive_)
        Post(std::move(step), nullptr);
}

template <typename Call> bool TConsoleShared::CallWhileAlive(Call call)
{
    std::shared_lock<std::shared_mutex> lock(lifeLock_);
    if (!lifeAlive_)
        return false;
    call(*command_);
    return true;
}
