#pragma once
#include <QList>
#include <QString>

#include <memory>
#include <vector>

// One operation at a time on a CA, also between the window and `tarvik crl`: an exclusive
// flock() on the CA folder itself. The kernel drops it with the holder's last descriptor,
// so a crashed holder leaves nothing to clean up, and no lock file is left in the folder
// by a run that was refused or cancelled. Never waits.
class TCaLock
{
public:
    enum TState { Held, Busy, Failed };

    explicit TCaLock(const QString &ca);
    ~TCaLock();
    TCaLock(const TCaLock &) = delete;
    TCaLock &operator=(const TCaLock &) = delete;

    TState State() const { return state_; }
    // The locked descriptor, for a run that must keep the CA locked as long as it lives;
    // -1 unless Held.
    int Descriptor() const { return fd_; }
    // Why the CA folder could not be locked, when Failed.
    QString Error() const { return error_; }

private:
    int fd_ = -1;
    TState state_ = Failed;
    QString error_;
};

// The descriptors of the locks held, for a run to inherit.
QList<int> HeldDescriptors(const std::vector<std::unique_ptr<TCaLock>> &locks);
