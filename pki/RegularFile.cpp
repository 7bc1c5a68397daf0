#include "pki/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TFd
{
public:
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

} // namespace

bool ReadRegularFile(const QString &path, QByteArray &data, int *error, qint64 maxBytes)
{
    data.clear();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const TFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) {
        *error = errno;
        return false;
    }
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) {
        *error = errno;
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        *error = EISDIR;
        return false;
    }
    if (!S_ISREG(st.st_mode) || (maxBytes >= 0 && st.st_size > maxBytes)) {
        *error = ENOTREG;
        return false;
    }
    // Root opens anything; a file without any read bit is refused all the same.
    if ((st.st_mode & 0444) == 0) {
        *error = EACCES;
        return false;
    }
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return false;
        }
        data.append(buffer, got);
        if (maxBytes >= 0 && data.size() > maxBytes) {
            *error = ENOTREG;
            return false;
        }
    }
}
