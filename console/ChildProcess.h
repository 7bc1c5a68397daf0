#pragma once
#include <QByteArray>
#include <QStringList>
#include <sys/types.h>

// Thin POSIX layer of a console run: pipes, a child in its own session, non-blocking polls.

// An anonymous byte pipe. Both ends are close-on-exec (a child gets only the ends that are
// made its standard streams) and never take the numbers 0 to 2.
struct TPipe {
    int readEnd = -1;
    int writeEnd = -1;

    bool Open(); // false with errno set
    void CloseRead();
    void CloseWrite();
};

// Ignores SIGPIPE for the whole program, once: a child that exits while it is written to
// must not end the program.
void IgnoreSigpipeOnce();

// Starts words[0] (found on the search path) with words[1..] as arguments in its own
// session and process group, with the program's environment plus the given "NAME=value"
// variables (which win over the program's), its working directory, its standard input on
// stdinFd and its standard output and error on stdoutFd, and the descriptors of inherited
// open in it (in it alone: they stay close-on-exec for every other child). The child is
// killed when the calling thread ends, so it must be a thread that outlives the child.
// Returns the pid, or -1 with *error set to the reason the program could not be run.
pid_t SpawnInOwnSession(const QStringList &words, const QStringList &environment, int stdinFd, int stdoutFd,
                        int *error, const QList<int> &inherited = {});

// Exit status of the child without waiting: kStillActive while it runs, its exit code, or
// 128 + the signal that ended it. An ended child is left unreaped, so that its process
// group's number stays its own until EndProcessGroup. When the child cannot be waited for
// (someone else reaped it), returns kStillActive with *error set.
quint32 PollExitStatus(pid_t pid, int *error);

// Bytes waiting in a pipe; 0 on failure.
int BytesWaiting(int fd);

// How many bytes the pipe holds before its writer has to wait.
int PipeCapacity(int fd);

// Kills what is left of the child's process group (the child itself when it still runs,
// its background jobs in any case) and reaps the child.
void EndProcessGroup(pid_t pid);

void SetNonBlocking(int fd);
