#include "BoxQueue.h"

#include <QMetaObject>
#include <QObject>

TBoxQueue::TBoxQueue(std::unique_ptr<TBoxes> boxes, QObject *context) : boxes_(std::move(boxes)), context_(context) {}

// Counts a box as open for as long as it is shown, also when it throws.
class TBoxQueue::TOpenBox
{
public:
    explicit TOpenBox(TBoxQueue &queue) : queue_(queue) { ++queue_.open_; }
    ~TOpenBox() { queue_.Closed(); }
    TOpenBox(const TOpenBox &) = delete;
    TOpenBox &operator=(const TOpenBox &) = delete;

private:
    TBoxQueue &queue_;
};

void TBoxQueue::Message(const QString &text)
{
    const TOpenBox open(*this);
    boxes_->Message(text);
}

bool TBoxQueue::Confirm(const QString &text, TDefaultButton byDefault)
{
    const TOpenBox open(*this);
    return boxes_->Confirm(text, byDefault);
}

void TBoxQueue::Error(const QString &text)
{
    const TOpenBox open(*this);
    boxes_->Error(text);
}

void TBoxQueue::WhenNoBoxOpen(std::function<void()> show)
{
    if (open_ == 0)
        show();
    else
        waiting_.append(std::move(show));
}

void TBoxQueue::ShowWaiting()
{
    // A box opened before this turn came: its closing brings the turn again.
    if (open_ > 0)
        return;
    const QList<std::function<void()>> waiting = std::exchange(waiting_, {});
    for (const auto &show : waiting)
        show();
}

// The caller of the box that closed goes on first with its answer; what waited follows.
void TBoxQueue::Closed()
{
    if (--open_ == 0 && !waiting_.isEmpty())
        QMetaObject::invokeMethod(context_, [this] { ShowWaiting(); }, Qt::QueuedConnection);
}
