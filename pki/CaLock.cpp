#include "pki/CaLock.h"
#include "pki/CaLayout.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TCaLock::TCaLock(const QString &ca)
{
    const QString path = CaLayout::LockFile(ca);
    // Close-on-exec: a tool left running must not keep the CA locked.
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        error_ = QStringLiteral("%1 : %2").arg(path, qt_error_string(errno));
        return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = Held;
        return;
    }
    state_ = errno == EWOULDBLOCK ? Busy : Failed;
    error_ = QStringLiteral("%1 : %2").arg(path, qt_error_string(errno));
    ::close(fd_);
    fd_ = -1;
}

TCaLock::~TCaLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}
