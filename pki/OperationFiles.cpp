// A run's results take their final names only once the whole run has succeeded, so a
// failed or stopped run leaves every file a user relies on as it was.
#include "pki/Operation.h"

#include "pki/CaLayout.h"
#include "pki/Texts.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcCommit, "tarvik.files")

namespace {

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

// The rename is what must survive a crash.
void SyncDirectoryOf(const QString &path)
{
    const int fd = ::open(Native(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0)
        qCWarning(lcCommit) << "could not sync the directory of" << path << ::strerror(errno);
    if (fd >= 0)
        ::close(fd);
}

// {file}.prev becomes a second name of the file, so the file itself never goes missing.
bool KeepPrevious(const QString &file)
{
    const QByteArray from = Native(file);
    const QByteArray previous = Native(CaLayout::Previous(file));
    const QByteArray staging = Native(CaLayout::Pending(CaLayout::Previous(file)));
    if (::access(from.constData(), F_OK) != 0)
        return true; // nothing to keep
    ::unlink(staging.constData());
    if (::link(from.constData(), staging.constData()) != 0 && !QFile::copy(file, QFile::decodeName(staging)))
        return false;
    return ::rename(staging.constData(), previous.constData()) == 0;
}

} // namespace

void DiscardPending(const TOperationPlan &plan)
{
    for (const auto &[pending, final] : plan.commits) {
        if (::unlink(Native(pending).constData()) != 0 && errno != ENOENT)
            qCWarning(lcCommit) << "could not remove" << pending << ::strerror(errno);
    }
}

QString CommitResults(const TOperationPlan &plan)
{
    for (const QString &file : plan.keptAsPrevious) {
        if (!KeepPrevious(file)) {
            qCWarning(lcCommit) << "could not keep" << file << "as" << CaLayout::Previous(file) << ::strerror(errno);
            DiscardPending(plan);
            return Texts::FailureNotKept(plan.failure, CaLayout::Previous(file));
        }
    }
    for (const auto &[pending, final] : plan.commits) {
        if (::rename(Native(pending).constData(), Native(final).constData()) != 0) {
            qCWarning(lcCommit) << "could not rename" << pending << "to" << final << ::strerror(errno);
            DiscardPending(plan);
            return Texts::FailureNotRenamed(plan.failure, final);
        }
    }
    for (const QString &stale : plan.superseded) {
        if (::unlink(Native(stale).constData()) != 0 && errno != ENOENT)
            qCWarning(lcCommit) << "could not remove" << stale << ::strerror(errno);
    }
    if (!plan.commits.isEmpty())
        SyncDirectoryOf(plan.commits.first().second);
    return QString();
}
