#pragma once
#include <QTimer>

#include <atomic>
#include <memory>

// The seconds counted for one run. Ticks arrive on the UI thread, resets come from the
// worker; each change is atomic, so none is lost. The worker keeps its run's counters
// alive itself, so it never needs the timer or the component to read them.
struct TTickCounters {
    std::atomic<int> SinceStart{0};
    std::atomic<int> SinceLastOutput{0};

    void Reset()
    {
        SinceStart = 0;
        SinceLastOutput = 0;
    }
    void ResetLastOutput() { SinceLastOutput = 0; }
    void Tick()
    {
        ++SinceStart;
        ++SinceLastOutput;
    }
};

// One-second timer of a component, reused by every run. It counts for the run that started
// counting last, so an old run that stops on its way out cannot stop the counting of a
// newer one. UI thread only; the worker reaches it through the component's hand-over.
class TProcessTimer : public QTimer
{
public:
    explicit TProcessTimer(QObject *owner);

    void StartCounting(std::shared_ptr<TTickCounters> counters);
    void StopCounting(const std::shared_ptr<TTickCounters> &counters);
    void Tick();

private:
    std::shared_ptr<TTickCounters> counting_;
};
