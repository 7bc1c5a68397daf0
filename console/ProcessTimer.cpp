#include "console/ProcessTimer.h"

TProcessTimer::TProcessTimer(QObject *owner) : QTimer(owner)
{
    setInterval(1000);
    connect(this, &QTimer::timeout, this, &TProcessTimer::Tick);
}

void TProcessTimer::StartCounting(std::shared_ptr<TTickCounters> counters)
{
    counting_ = std::move(counters);
    counting_->Reset();
    start(1000);
}

void TProcessTimer::StopCounting(const std::shared_ptr<TTickCounters> &counters)
{
    if (counting_ != counters)
        return;
    stop();
    counting_.reset();
}

void TProcessTimer::Tick()
{
    if (counting_)
        counting_->Tick();
}
