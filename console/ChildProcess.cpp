#include "console/ChildProcess.h"
#include "console/ConsoleTypes.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

// Moves a descriptor above the standard streams, so that installing one end as the child's
// standard input can never overwrite another end that has one of those numbers.
int AboveStandardStreams(int fd)
{
    if (fd > 2)
        return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    const int saved = errno;
    close(fd);
    errno = saved;
    return moved;
}

void CloseEnd(int &fd)
{
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// The program's file as posix_spawnp would find it: a name with a slash as it is,
// otherwise the first executable of that name on the search path. Resolved before fork,
// where the child may only make async-signal-safe calls.
QByteArray ExecutablePath(const QByteArray &name)
{
    if (name.contains('/'))
        return name;
    const char *path = getenv("PATH");
    for (const QByteArray &dir : QByteArray(path ? path : "/usr/local/bin:/usr/bin:/bin").split(':')) {
        const QByteArray candidate = (dir.isEmpty() ? QByteArray(".") : dir) + '/' + name;
        struct stat info;
        if (stat(candidate.constData(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.constData(), X_OK) == 0)
            return candidate;
    }
    return {};
}

[[noreturn]] void ChildFails(int reportFd)
{
    const int reason = errno;
    [[maybe_unused]] const ssize_t ignored = write(reportFd, &reason, sizeof reason);
    _exit(127);
}

} // namespace

bool TPipe::Open()
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return false;
    readEnd = AboveStandardStreams(ends[0]);
    writeEnd = AboveStandardStreams(ends[1]);
    if (readEnd < 0 || writeEnd < 0) {
        const int saved = errno;
        CloseEnd(readEnd);
        CloseEnd(writeEnd);
        errno = saved;
        return false;
    }
    return true;
}

void TPipe::CloseRead()
{
    CloseEnd(readEnd);
}

void TPipe::CloseWrite()
{
    CloseEnd(writeEnd);
}

void IgnoreSigpipeOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action = {};
        action.sa_handler = SIG_IGN;
        sigemptyset(&action.sa_mask);
        sigaction(SIGPIPE, &action, nullptr);
    });
}

pid_t SpawnInOwnSession(const QStringList &words, const QStringList &environment, int stdinFd, int stdoutFd,
                        int *error, const QList<int> &inherited)
{
    if (words.isEmpty()) {
        *error = ENOENT;
        return -1;
    }
    std::vector<QByteArray> bytes;
    bytes.reserve(words.size());
    std::vector<char *> argv;
    for (const QString &word : words) {
        bytes.push_back(word.toUtf8());
        argv.push_back(bytes.back().data());
    }
    argv.push_back(nullptr);

    std::vector<QByteArray> added;
    for (const QString &assignment : environment)
        added.push_back(assignment.toUtf8());
    std::vector<char *> envp;
    for (char **entry = environ; *entry; ++entry) {
        const char *equals = std::strchr(*entry, '=');
        const size_t nameLength = equals ? size_t(equals - *entry) + 1 : std::strlen(*entry);
        const bool replaced = std::any_of(added.cbegin(), added.cend(), [&](const QByteArray &a) {
            return size_t(a.size()) >= nameLength && std::memcmp(a.constData(), *entry, nameLength) == 0;
        });
        if (!replaced)
            envp.push_back(*entry);
    }
    for (QByteArray &assignment : added)
        envp.push_back(assignment.data());
    envp.push_back(nullptr);

    const QByteArray program = ExecutablePath(bytes.front());
    if (program.isEmpty()) {
        *error = ENOENT;
        return -1;
    }
    // The child reports a failed exec through this pipe, which a successful one closes.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        *error = errno;
        return -1;
    }
    // Blocked across fork, so that no handler of the program runs in the child before exec.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        close(report[0]);
        // The child gets its own session (the counterpart of a new console) and dies with
        // the thread that started it, so a killed program leaves no interpreter feeding
        // commands to a CA that the next run believes free.
        if (setsid() < 0 || prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
            ChildFails(report[1]);
        if (dup2(stdinFd, STDIN_FILENO) < 0 || dup2(stdoutFd, STDOUT_FILENO) < 0 || dup2(stdoutFd, STDERR_FILENO) < 0)
            ChildFails(report[1]);
        // Open in this child alone: they stay close-on-exec for every other one.
        for (const int fd : inherited)
            if (fcntl(fd, F_SETFD, 0) != 0)
                ChildFails(report[1]);
        // SIGPIPE back at its default, which the program itself ignores; an empty mask.
        struct sigaction action = {};
        action.sa_handler = SIG_DFL;
        sigaction(SIGPIPE, &action, nullptr);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execve(program.constData(), argv.data(), envp.data());
        ChildFails(report[1]);
    }
    const int forkError = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    close(report[1]);
    if (pid < 0) {
        close(report[0]);
        *error = forkError;
        return -1;
    }
    int childError = 0;
    ssize_t got;
    while ((got = read(report[0], &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    if (got > 0) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        *error = childError ? childError : ENOEXEC;
        return -1;
    }
    return pid;
}

quint32 PollExitStatus(pid_t pid, int *error)
{
    siginfo_t info = {};
    if (waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno != EINTR)
            *error = errno;
        return kStillActive;
    }
    if (info.si_pid != pid)
        return kStillActive;
    if (info.si_code == CLD_EXITED)
        return quint32(info.si_status);
    return 128u + quint32(info.si_status); // CLD_KILLED or CLD_DUMPED
}

int BytesWaiting(int fd)
{
    int waiting = 0;
    if (ioctl(fd, FIONREAD, &waiting) != 0)
        return 0;
    return waiting;
}

int PipeCapacity(int fd)
{
    const int capacity = fcntl(fd, F_GETPIPE_SZ);
    return capacity > 0 ? capacity : 65536;
}

void EndProcessGroup(pid_t pid)
{
    // The child is not reaped yet, so the group's number cannot name anyone else's group.
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    // What the group held (an inherited lock) is released only once its processes are
    // gone: a bounded wait, since an orphan's reaping is init's.
    for (int i = 0; i < 100 && kill(-pid, 0) == 0; ++i)
        usleep(10000);
}

void SetNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}
