#pragma once
#include <QString>

// One operation at a time on a CA, also between the window and `tarvik crl`: an exclusive
// flock() on a file in the CA folder. The kernel drops it with the holder's last
// descriptor, so a crashed holder leaves nothing to clean up. Never waits.
class TCaLock
{
public:
    enum TState { Held, Busy, Failed };

    explicit TCaLock(const QString &ca);
    ~TCaLock();
    TCaLock(const TCaLock &) = delete;
    TCaLock &operator=(const TCaLock &) = delete;

    TState State() const { return state_; }
    // Why the lock file could not be used, when Failed.
    QString Error() const { return error_; }

private:
    int fd_ = -1;
    TState state_ = Failed;
    QString error_;
};
