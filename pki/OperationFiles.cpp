// A run's results take their final names only once the whole run has succeeded, so a
// failed or stopped run leaves every file a user relies on as it was.
#include "pki/Operation.h"

#include "pki/CaLayout.h"
#include "pki/CaLock.h"
#include "pki/Texts.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

// The journal of a commit: one step a line, "rename\tPENDING\tFINAL" or "remove\tFILE".
// Replaying it is harmless however often it is done: a rename whose pending file is gone
// is already done.
QByteArray JournalOf(const TOperationPlan &plan)
{
    QByteArray journal;
    for (const auto &[pending, final] : plan.commits)
        journal += "rename\t" + pending.toUtf8() + '\t' + final.toUtf8() + '\n';
    for (const QString &stale : plan.superseded)
        journal += "remove\t" + stale.toUtf8() + '\n';
    return journal;
}

bool WriteJournal(const QString &path, const QByteArray &journal)
{
    const QByteArray staging = Native(CaLayout::Pending(path));
    const int fd = ::open(staging.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool written = fd >= 0 && ::write(fd, journal.constData(), size_t(journal.size())) == journal.size() && ::fsync(fd) == 0;
    if (fd >= 0)
        written = ::close(fd) == 0 && written;
    if (written && ::rename(staging.constData(), Native(path).constData()) == 0) {
        SyncDirectoryOf(path);
        return true;
    }
    qCWarning(lcCommit) << "could not write the journal" << path << ::strerror(errno);
    ::unlink(staging.constData());
    return false;
}

// Every step of the journal that is not done yet; false, with the file, when one fails.
bool Replay(const QByteArray &journal, QString *failedFile)
{
    QSet<QString> directories;
    for (const QByteArray &line : journal.split('\n')) {
        const QList<QByteArray> step = line.split('\t');
        if (step.size() == 3 && step[0] == "rename") {
            const QString final = QString::fromUtf8(step[2]);
            if (::rename(step[1].constData(), step[2].constData()) != 0 && errno != ENOENT) {
                qCWarning(lcCommit) << "could not rename" << step[1] << "to" << final << ::strerror(errno);
                *failedFile = final;
                return false;
            }
            directories.insert(QFileInfo(final).path());
        } else if (step.size() == 2 && step[0] == "remove") {
            if (::unlink(step[1].constData()) != 0 && errno != ENOENT)
                qCWarning(lcCommit) << "could not remove" << step[1] << ::strerror(errno);
        }
    }
    for (const QString &dir : directories)
        SyncDirectoryOf(dir + QStringLiteral("/."));
    return true;
}

// Once every step is done; a journal left behind is only replayed again, harmlessly.
void RemoveJournal(const QString &journal)
{
    if (::unlink(Native(journal).constData()) != 0)
        qCWarning(lcCommit) << "could not remove" << journal << ::strerror(errno);
}

bool SameFile(const QString &a, const QString &b)
{
    struct stat sa, sb;
    return ::stat(Native(a).constData(), &sa) == 0 && ::stat(Native(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev
           && sa.st_ino == sb.st_ino;
}

bool Exists(const QString &path)
{
    return ::access(Native(path).constData(), F_OK) == 0;
}

// Before commits had a journal, a CA's key and certificate were renamed one after the
// other, after both were kept as .prev. A crash between the two left the new key beside
// the old certificate, which is still the .prev of itself, and the only certificate of
// the new key under its pending name. No other sequence leaves that: a failed run never
// made the .prev links, and a cleared one removed the pending key first.
bool FinishUnjournaledCaCommit(const QString &ca)
{
    const QString key = CaLayout::CaKey(ca), cert = CaLayout::CaCert(ca);
    if (!Exists(CaLayout::Pending(cert)) || Exists(CaLayout::Pending(key)) || !SameFile(cert, CaLayout::Previous(cert))
        || !Exists(CaLayout::Previous(key)) || SameFile(key, CaLayout::Previous(key)))
        return false;
    if (::rename(Native(CaLayout::Pending(cert)).constData(), Native(cert).constData()) != 0) {
        qCWarning(lcCommit) << "could not finish the commit of" << cert << ::strerror(errno);
        return false;
    }
    SyncDirectoryOf(cert);
    return true;
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
    // The journal makes the renames one step: once it is written, a crash anywhere
    // after is finished by the next start, never left half done.
    const QString journal = CaLayout::CommitJournal(plan.ca);
    const QByteArray steps = JournalOf(plan);
    if (!WriteJournal(journal, steps)) {
        DiscardPending(plan);
        return Texts::FailureNotRenamed(plan.failure, journal);
    }
    QString failed;
    if (!Replay(steps, &failed))
        return Texts::FailureNotRenamed(plan.failure, failed); // the next start retries
    RemoveJournal(journal);
    return QString();
}

QString FinishInterruptedCommits(const QString &ca)
{
    const QString journal = CaLayout::CommitJournal(ca);
    QFile file(journal);
    bool finished = false;
    if (file.open(QIODevice::ReadOnly)) {
        QString failed;
        if (!Replay(file.readAll(), &failed))
            return Texts::CommitNotFinished(ca, failed);
        file.close();
        RemoveJournal(journal);
        finished = true;
    }
    // A journal that was never complete names a commit that never began.
    ::unlink(Native(CaLayout::Pending(journal)).constData());
    finished = FinishUnjournaledCaCommit(ca) || finished;
    if (finished)
        qCInfo(lcCommit) << "finished an interrupted commit in" << ca;
    return finished ? Texts::CommitFinished(ca) : QString();
}

QStringList FinishInterruptedCommitsOf(const QStringList &cas)
{
    QStringList told;
    for (const QString &ca : cas) {
        // A CA busy elsewhere is being worked on: its own run finishes what it began.
        const TCaLock lock(ca);
        if (lock.State() != TCaLock::Held)
            continue;
        if (const QString message = FinishInterruptedCommits(ca); !message.isEmpty())
            told << message;
    }
    return told;
}
