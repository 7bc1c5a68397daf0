#include "console/ChildProcess.h"
#include "console/ConsoleTypes.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/ioctl.h>
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

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdinFd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDERR_FILENO);
    // A descriptor duplicated onto itself loses its close-on-exec flag in the child only.
    for (const int fd : inherited)
        posix_spawn_file_actions_adddup2(&actions, fd, fd);

    // The child gets its own session (the counterpart of a new console), an empty signal
    // mask and SIGPIPE back at its default, which the program itself ignores.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    // glibc reports a failed exec as the result of posix_spawnp itself.
    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        *error = result;
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
