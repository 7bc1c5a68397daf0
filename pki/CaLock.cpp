#include "pki/CaLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TCaLock::TCaLock(const QString &ca)
{
    // Close-on-exec: only a run's interpreter inherits it, by name (TCaLock::Descriptor).
    fd_ = ::open(QFile::encodeName(ca).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = Held;
        return;
    }
    const int error = errno;
    state_ = error == EWOULDBLOCK ? Busy : Failed;
    error_ = QStringLiteral("%1 : %2").arg(ca, qt_error_string(error));
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

TCaLock::~TCaLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}
