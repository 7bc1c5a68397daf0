// Destroying components while their runs go on: no hang, no crash, no surviving child,
// and no worker that reaches a released component.

#include "console_support.h"

#include <QPlainTextEdit>

TEST_F(ConsoleTest, DestroyingTheOwnerEndsEveryRun)
{
    QPlainTextEdit memo;
    TMemoLines memoLines(&memo);
    TConsoleCommand *flood = command;
    flood->SetOutputLines(&memoLines);
    flood->SetCommandLine(Shell("echo $$; exec yes"));
    flood->Start();
    const qint64 floodPid = FirstNumber();

    deliveries.clear();
    TConsoleCommand *sleeper = NewCommand();
    sleeper->SetCommandLine(Shell("echo $$; exec sleep 30"));
    sleeper->Start();
    ASSERT_TRUE(WaitUntil([&] {
        for (const TDelivery &d : deliveries)
            if (d.text != QLatin1String("y"))
                return true;
        return false;
    }));
    qint64 sleepPid = 0;
    for (const TDelivery &d : deliveries)
        if (d.text != QLatin1String("y"))
            sleepPid = d.text.toLongLong();
    ASSERT_GT(floodPid, 0);
    ASSERT_GT(sleepPid, 0);

    BusyUiThread(50); // the flooding worker now waits in a hand-over
    delete owner;
    owner = nullptr;
    EXPECT_TRUE(TConsoleCommand::WaitForAllWorkers(5000));
    EXPECT_FALSE(ProcessExists(floodPid));
    EXPECT_FALSE(ProcessExists(sleepPid));
    // A released component gets no OnTerminated, and stray events find nothing to touch.
    EXPECT_EQ(TerminatedCount(), 0u);
    const size_t delivered = deliveries.size();
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(deliveries.size(), delivered);
}

TEST_F(ConsoleTest, DestroyingTheOwnerDuringTheErrorBoxReleasesTheWorker)
{
    // The window closes while the box of a failed start is up; the worker waits for it.
    command->SetCommandLine("tarvik-no-such-program");
    command->SetErrorReporter([this](const QString &message) {
        errors << message;
        delete owner;
        owner = nullptr;
    });
    command->Start();
    ASSERT_TRUE(WaitUntil([this] { return !errors.isEmpty(); }));
    EXPECT_EQ(owner, nullptr);
    EXPECT_TRUE(TConsoleCommand::WaitForAllWorkers(5000));
    EXPECT_EQ(errors, QStringList{"tarvik-no-such-program doesn't exist."});
}

TEST_F(ConsoleTest, StopEndsTheRunEvenWhileTheUiThreadIsBusy)
{
    command->SetCommandLine(Shell("echo $$; exec yes"));
    command->Start();
    const qint64 pid = FirstNumber();
    BusyUiThread(50);
    command->Stop();
    ASSERT_TRUE(WaitUntil([this] { return TerminatedCount() == 1; }));
    EXPECT_EQ(terminated[0].exitCode, kStillActive);
    EXPECT_FALSE(ProcessExists(pid));
}
