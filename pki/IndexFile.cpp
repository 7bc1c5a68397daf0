#include "pki/IndexFile.h"

#include "common/Exception.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(int error, bool caDirExists)
{
    if (error == ENOENT || error == ENOTDIR)
        throw Exception(caDirExists ? QStringLiteral("Fichier introuvable")
                                    : QStringLiteral("Nom de fichier incorrect"));
    if (error == EACCES || error == EPERM)
        throw Exception(QStringLiteral("Accès au fichier refusé"));
    throw Exception(QStringLiteral("Erreur E/S %1").arg(error));
}

bool IsDirectory(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

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

QByteArray ReadAll(const QString &ca)
{
    if (ca.isEmpty())
        Fail(ENOENT, false);
    const QByteArray path = QFile::encodeName(ca + QStringLiteral("/index.txt"));
    const TFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        const int error = errno;
        Fail(error, IsDirectory(ca));
    }
    // Root opens anything; a file without any read bit is refused all the same.
    struct stat st;
    if (::fstat(fd.Get(), &st) == 0 && (st.st_mode & 0444) == 0)
        Fail(EACCES, true);

    QByteArray data;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got == 0)
            return data;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno, true);
        }
        data.append(buffer, got);
    }
}

} // namespace

TIndexLists ReadIndexLists(const QString &ca)
{
    const QByteArray data = ReadAll(ca);
    TIndexLists lists;
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype lf = data.indexOf('\n', pos);
        if (lf < 0)
            lf = data.size();
        QByteArray line = data.mid(pos, lf - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        pos = lf + 1;
        if (line.startsWith('V'))
            lists.valid.append(QString::fromUtf8(line));
        else if (line.startsWith('R'))
            lists.revoked.append(QString::fromUtf8(line));
    }
    return lists;
}
