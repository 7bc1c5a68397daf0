#pragma once
#include "Boxes.h"

#include <QList>
#include <functional>
#include <memory>

class QObject;

// One box at a time: what a run says when it ends, while a question of the user's is
// still open, waits until that question is answered instead of covering it. The window
// shows every box through it.
class TBoxQueue : public TBoxes
{
public:
    // context: the window, on whose thread the waiting boxes are shown.
    TBoxQueue(std::unique_ptr<TBoxes> boxes, QObject *context);

    void Message(const QString &text) override;
    bool Confirm(const QString &text, TDefaultButton byDefault) override;
    void Error(const QString &text) override;

    // Runs show at once when no box is open; otherwise once the last one has closed.
    void WhenNoBoxOpen(std::function<void()> show);
    // Runs what waits now, as the window is about to close.
    void ShowWaiting();

private:
    class TOpenBox;
    void Closed();

    std::unique_ptr<TBoxes> boxes_;
    QObject *context_;
    int open_ = 0;
    QList<std::function<void()>> waiting_;
};
