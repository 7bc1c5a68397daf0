// How a run ends: by itself, by a stop, by a time limit or by a failed start, and what
// each leaves in the records, in OnTerminated and among the processes.

#include "console_support.h"

#include <QTimer>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

TEST_F(ConsoleTest, ExitStatusIsReported)
{
    struct TCase {
        const char *script;
        quint32 exitCode;
    };
    for (const TCase &c : {TCase{"exit 0", 0}, TCase{"exit 3", 3}, TCase{"kill -TERM $$", 143}}) {
        SCOPED_TRACE(c.script);
        terminated.clear();
        command->SetCommandLine(Shell(c.script));
        RunToEnd(command);
        EXPECT_EQ(command->RunStatus(), rsExited);
        EXPECT_EQ(command->RunResultCode(), c.exitCode);
        ASSERT_EQ(TerminatedCount(), 1u);
        EXPECT_EQ(terminated[0].sender, command);
        EXPECT_EQ(terminated[0].exitCode, c.exitCode);
        EXPECT_EQ(terminated[0].status, rsExited);
        EXPECT_NE(terminated[0].thread, std::this_thread::get_id());
    }
}

TEST_F(ConsoleTest, StopKillsTheWholeProcessGroup)
{
    command->SetCommandLine(Shell("sleep 30 & echo $$ $!; wait"));
    command->Start();
    ASSERT_TRUE(WaitUntil([this] { return !deliveries.empty(); }));
    const QStringList pids = deliveries.front().text.split(' ');
    ASSERT_EQ(pids.size(), 2);
    const qint64 child = pids[0].toLongLong();
    const qint64 grandchild = pids[1].toLongLong();
    ASSERT_TRUE(ProcessAlive(grandchild));

    command->Stop();
    ASSERT_TRUE(WaitUntil([this] { return TerminatedCount() == 1; }));
    EXPECT_TRUE(TConsoleCommand::WaitForAllWorkers(5000));
    EXPECT_EQ(terminated[0].exitCode, kStillActive);
    EXPECT_FALSE(ProcessExists(child)) << "the child was not reaped";
    EXPECT_TRUE(WaitUntil([&] { return !ProcessAlive(grandchild); }, 5000));
    EXPECT_TRUE(WaitUntil([this] { return command->RunStatus() == rsStopped; }));
}

TEST_F(ConsoleTest, TimeLimitsEndTheRun)
{
    struct TCase {
        const char *script;
        int afterBeginning;
        int afterLastOutput;
        quint8 status;
        qint64 minMs, maxMs;
    };
    const std::vector<TCase> cases = {
        // Ends in the first cycle after the second tick; a later change of the limit does
        // not reach the running worker.
        {"exec sleep 30", 1, 0, rsTimedOut, 1500, 4000},
        {"echo a; exec sleep 30", 0, 1, rsTimedOut, 1500, 4000},
        // Output every half second keeps resetting the counter.
        {"for i in 1 2 3 4 5 6 7 8; do echo $i; sleep 0.5; done", 0, 2, rsExited, 3500, 8000},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.script);
        terminated.clear();
        command->SetCommandLine(Shell(c.script));
        command->SetMaxTimeAfterBeginning(c.afterBeginning);
        command->SetMaxTimeAfterLastOutput(c.afterLastOutput);
        QElapsedTimer clock;
        clock.start();
        command->Start();
        command->SetMaxTimeAfterBeginning(0);
        command->SetMaxTimeAfterLastOutput(0);
        ASSERT_TRUE(WaitUntil([this] { return !command->IsRunning(); }));
        EXPECT_EQ(command->RunStatus(), c.status);
        EXPECT_GE(clock.elapsed(), c.minMs);
        EXPECT_LE(clock.elapsed(), c.maxMs);
        ASSERT_EQ(TerminatedCount(), 1u);
        EXPECT_EQ(terminated[0].exitCode, c.status == rsExited ? 0u : kStillActive);
    }
}

TEST_F(ConsoleTest, MissingProgramIsReportedOnce)
{
    command->SetCommandLine("tarvik-no-such-program --version");
    RunToEnd(command);
    EXPECT_EQ(errors, QStringList{"tarvik-no-such-program --version doesn't exist."});
    EXPECT_EQ(command->RunStatus(), rsStartFailed);
    EXPECT_EQ(command->RunResultCode(), quint32(ENOENT));
    // OnTerminated comes first, still seeing the stage reached, then the failure status,
    // then the box.
    ASSERT_EQ(TerminatedCount(), 1u);
    EXPECT_EQ(terminated[0].status, rsStartingProcess);
    EXPECT_EQ(terminatedAtReport, 1u);
    EXPECT_EQ(statusAtReport, rsStartFailed);
}

TEST_F(ConsoleTest, StartWithoutCommandLineDoesNothing)
{
    command->Start();
    EXPECT_FALSE(command->IsRunning());
    EXPECT_TRUE(command->findChildren<QTimer *>().isEmpty());

    command->SetCommandLine(Shell("echo x"));
    RunToEnd(command);
    command->SetCommandLine(QString());
    command->Start();
    command->QueueInputLine("ignored", true);
    EXPECT_FALSE(command->IsRunning());
    EXPECT_EQ(command->CollectedLines(), QStringList{"x"});
    EXPECT_EQ(command->RunStatus(), rsExited);
    EXPECT_TRUE(WaitUntil([] { return TConsoleCommand::WaitForAllWorkers(0); }));
    EXPECT_EQ(TerminatedCount(), 1u);
}

TEST_F(ConsoleTest, SecondStartReplacesTheRunningOne)
{
    command->SetCommandLine(Shell("echo $$; exec sleep 30"));
    command->Start();
    const qint64 first = FirstNumber();
    ASSERT_GT(first, 0);

    command->SetCommandLine(Shell("echo second"));
    command->Start();
    ASSERT_TRUE(WaitUntil([this] { return TerminatedCount() == 2 && !command->IsRunning(); }));
    std::vector<quint32> codes{terminated[0].exitCode, terminated[1].exitCode};
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (std::vector<quint32>{0, kStillActive}));
    EXPECT_NE(terminated[0].thread, terminated[1].thread);
    EXPECT_EQ(command->CollectedLines(), QStringList{"second"});
    EXPECT_EQ(command->RunStatus(), rsExited);
    EXPECT_FALSE(ProcessExists(first));
}

TEST_F(ConsoleTest, ARunThatEndsByItselfEndsItsBackgroundJobs)
{
    command->SetCommandLine(Shell("sleep 30 & echo $!"));
    RunToEnd(command);
    const qint64 job = EntireLines().value(0).toLongLong();
    ASSERT_GT(job, 0);
    EXPECT_EQ(command->RunStatus(), rsExited);
    EXPECT_TRUE(WaitUntil([&] { return !ProcessAlive(job); }, 5000));
}

TEST_F(ConsoleTest, AStoppedRunThatStartsLateLeavesTheTimeLimitsToTheNewRun)
{
    // Splitting so long a command line holds the first worker back between the moment it
    // begins to start its child and the moment it starts counting: by then the second run
    // has started counting already.
    command->SetCommandLine(Shell("exec sleep 30") + QString(20000000, QLatin1Char(' ')));
    command->Start();
    QElapsedTimer clock;
    clock.start();
    while (command->RunStatus() != rsStartingProcess && clock.elapsed() < 10000)
        std::this_thread::yield(); // no events: nothing of the first run reaches the timer
    ASSERT_EQ(command->RunStatus(), rsStartingProcess);
    command->SetCommandLine(Shell("exec sleep 30"));
    command->SetMaxTimeAfterBeginning(1);
    command->Start();
    ASSERT_TRUE(WaitUntil([this] { return !command->IsRunning(); }, 6000));
    EXPECT_EQ(command->RunStatus(), rsTimedOut);
}

TEST_F(ConsoleTest, AChildReapedElsewhereIsAFailure)
{
    // With SIGCHLD ignored the system reaps the child itself: its exit status is lost.
    struct sigaction ignore = {};
    struct sigaction previous = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGCHLD, &ignore, &previous);
    command->SetCommandLine(Shell("exit 0"));
    command->Start();
    const bool ended = WaitUntil([this] { return !command->IsRunning(); });
    sigaction(SIGCHLD, &previous, nullptr);
    ASSERT_TRUE(ended);
    ASSERT_EQ(TerminatedCount(), 1u);
    EXPECT_NE(terminated[0].exitCode, 0u);
    EXPECT_EQ(command->RunStatus(), rsRunFailed);
    EXPECT_EQ(command->RunResultCode(), quint32(ECHILD));
}

TEST_F(ConsoleTest, APipeThatCannotBeOpenedIsReportedInFrench)
{
    rlimit previous = {};
    getrlimit(RLIMIT_NOFILE, &previous);
    rlimit standardStreamsOnly = previous;
    standardStreamsOnly.rlim_cur = 3;
    command->SetCommandLine(Shell("exit 0"));
    setrlimit(RLIMIT_NOFILE, &standardStreamsOnly);
    command->Start();
    const bool reported = WaitUntil([this] { return !errors.isEmpty(); });
    setrlimit(RLIMIT_NOFILE, &previous);
    ASSERT_TRUE(reported);
    const QString expected = QStringLiteral("Impossible de créer un tube de communication (%1).");
    EXPECT_EQ(errors, QStringList{expected.arg(qt_error_string(EMFILE))});
    ASSERT_TRUE(WaitUntil([this] { return !command->IsRunning(); }));
    EXPECT_EQ(command->RunStatus(), rsPipesFailed);
    EXPECT_EQ(command->RunResultCode(), quint32(EMFILE));
}
