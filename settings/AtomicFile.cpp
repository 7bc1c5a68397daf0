#include "settings/AtomicFile.h"

#include "common/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcFiles, "tarvik.files")

// access() grants root everything; the mode bits keep a file or directory that
// the user marked read-only read-only for root as well.
bool Writable(const QByteArray &native, bool directory)
{
    struct stat st;
    if (::stat(native.constData(), &st) != 0)
        return false;
    if (S_ISDIR(st.st_mode) != directory) {
        errno = directory ? ENOTDIR : EISDIR;
        return false;
    }
    if ((st.st_mode & 0222) == 0) {
        errno = EACCES;
        return false;
    }
    return ::access(native.constData(), W_OK) == 0;
}

bool Holds(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.size() == content.size() && file.readAll() == content;
}

bool WriteAll(int fd, const QByteArray &content)
{
    const char *at = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        at += n;
        left -= n;
    }
    return true;
}

// A hidden name beside the target, so the rename never crosses file systems.
int CreateTemporary(const QFileInfo &target, QByteArray &name, mode_t mode)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = target.absolutePath() + QStringLiteral("/.") + target.fileName()
                                  + QStringLiteral(".tmp") + QString::number(QRandomGenerator::global()->generate(), 36);
        name = QFile::encodeName(candidate);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The rename is what must survive a crash; the file itself is already on disk.
void SyncDirectory(const QString &dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0)
        qCWarning(lcFiles) << "could not sync directory" << dir << ::strerror(errno);
    if (fd >= 0)
        ::close(fd);
}

// The file a chain of symbolic links ends at, so that the rename replaces it and not a
// link of the chain; empty for a loop.
QString FinalTarget(const QString &path)
{
    QFileInfo info(path);
    for (int hops = 0; info.isSymLink(); ++hops) {
        if (hops == 40)
            return QString();
        const QByteArray link = QFile::encodeName(info.absoluteFilePath());
        QByteArray target(4096, '\0');
        const ssize_t n = ::readlink(link.constData(), target.data(), target.size());
        if (n < 0 || n >= target.size())
            return QString();
        target.resize(n);
        const QString next = QFile::decodeName(target);
        info = QFileInfo(QDir::isAbsolutePath(next) ? next : info.absolutePath() + u'/' + next);
    }
    return info.absoluteFilePath();
}

} // namespace

QString WriteFailureMessage(const QString &file)
{
    return QStringLiteral("Impossible d'écrire dans ") + file;
}

bool TryReplaceFile(const QString &path, const QByteArray &content)
{
    const QString final = FinalTarget(path);
    if (final.isEmpty()) {
        errno = ELOOP;
        qCWarning(lcFiles) << "could not replace" << path << "at symbolic links" << ::strerror(errno);
        return false;
    }
    const QFileInfo target(final);
    const QByteArray native = QFile::encodeName(target.absoluteFilePath());
    const auto fail = [&](const char *step) {
        qCWarning(lcFiles) << "could not replace" << path << "at" << step << ::strerror(errno);
        return false;
    };

    if (!Writable(QFile::encodeName(target.absolutePath()), true))
        return fail("directory check");
    struct stat st;
    const bool exists = ::stat(native.constData(), &st) == 0;
    if (exists && !Writable(native, false))
        return fail("file check");
    if (exists && Holds(target.absoluteFilePath(), content))
        return true;

    // A new file gets the usual mode less the umask; a replaced one keeps its own.
    QByteArray temporary;
    const int fd = CreateTemporary(target, temporary, exists ? 0600 : 0666);
    if (fd < 0)
        return fail("create");
    const char *step = nullptr;
    if (exists && ::fchmod(fd, st.st_mode & 07777) != 0)
        step = "chmod";
    else if (!WriteAll(fd, content))
        step = "write";
    else if (::fsync(fd) != 0)
        step = "fsync";
    int cause = errno;
    if (::close(fd) != 0 && !step) {
        step = "close";
        cause = errno;
    }
    if (!step && ::rename(temporary.constData(), native.constData()) != 0) {
        step = "rename";
        cause = errno;
    }
    if (step) {
        ::unlink(temporary.constData());
        errno = cause;
        return fail(step);
    }
    SyncDirectory(target.absolutePath());
    return true;
}

void ReplaceFile(const QString &path, const QByteArray &content)
{
    if (!TryReplaceFile(path, content))
        throw Exception(WriteFailureMessage(path));
}
