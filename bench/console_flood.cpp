// Throughput, idle cost and latency of console runs, run by hand:
//   console_flood [lines] [repetitions]
// 1. lines per second shown in a read-only pane from a child that writes 80-character
//    lines, against a plain QProcess reader. Both put each line into a fresh pane of the same
//    kind through the same code (PutText into TMemoLines); after one warm-up run each they
//    alternate which goes first, and the medians and their ratio are reported;
// 2. CPU share and wake-ups per second (context switches of all the program's threads)
//    while the child of a run is silent, next to a QProcess waiting for the same child;
// 3. time from Start to the first line shown, for a child that prints one line at once.

#include "MemoLines.h"
#include "console/ConsoleCommand.h"
#include "console/ShowText.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

const QString kLine = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyz").repeated(3).left(80);

QString FloodScript(int lines)
{
    return QStringLiteral("yes %1 | head -n %2").arg(kLine).arg(lines);
}

struct TSample {
    double linesPerSecond;
    int shown;
};

// A read-only pane as a page shows it.
struct TPane {
    TPane()
    {
        memo.setReadOnly(true);
        memo.resize(560, 300);
        memo.show();
    }
    QPlainTextEdit memo;
    TMemoLines lines{&memo};
};

TSample ConsoleRun(int lines)
{
    TPane pane;
    QObject owner;
    auto *command = new TConsoleCommand(&owner);
    command->SetOutputLines(&pane.lines);
    command->SetCommandLine(QStringLiteral("sh -c '%1'").arg(FloodScript(lines)));
    QEventLoop loop;
    command->SetOnTerminated([&loop](TConsoleCommand *, quint32) {
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    QElapsedTimer clock;
    clock.start();
    command->Start();
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    TConsoleCommand::WaitForAllWorkers(5000);
    return {lines / seconds, pane.lines.Count()};
}

TSample QProcessRun(int lines)
{
    TPane pane;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&process, &QProcess::readyReadStandardOutput, [&] {
        while (process.canReadLine()) {
            QByteArray line = process.readLine();
            line.chop(1);
            PutText(pane.lines, QString::fromUtf8(line), otEntireLine, false);
        }
    });
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), FloodScript(lines)});
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return {lines / seconds, pane.lines.Count()};
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double CpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Voluntary and involuntary context switches of every thread of the program. The
// program's own /proc/self/status counts its main thread only.
qint64 ContextSwitches()
{
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task) + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:")
                || line.startsWith("nonvoluntary_ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return total;
}

struct TIdle {
    double cpuShare;
    double wakeUpsPerSecond;
};

// Measures the 4 seconds from 0.5 s to 4.5 s after start, while the child sleeps and every
// thread of the run still exists, then ends the run with stop.
TIdle MeasureIdle(const std::function<void()> &start, const std::function<void()> &stop)
{
    QEventLoop loop;
    double cpu = 0;
    qint64 switches = 0;
    QElapsedTimer clock;
    TIdle idle = {};
    QTimer::singleShot(500, &loop, [&] {
        cpu = CpuSeconds();
        switches = ContextSwitches();
        clock.start();
    });
    QTimer::singleShot(4500, &loop, [&] {
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        idle = {(CpuSeconds() - cpu) / seconds, double(ContextSwitches() - switches) / seconds};
        loop.quit();
    });
    start();
    loop.exec();
    stop();
    return idle;
}

TIdle ConsoleIdle()
{
    QObject owner;
    auto *command = new TConsoleCommand(&owner);
    command->SetCommandLine(QStringLiteral("sleep 10"));
    const TIdle idle = MeasureIdle([command] { command->Start(); }, [command] { command->Stop(); });
    TConsoleCommand::WaitForAllWorkers(5000);
    return idle;
}

TIdle QProcessIdle()
{
    QProcess process;
    return MeasureIdle([&] { process.start(QStringLiteral("sleep"), {QStringLiteral("10")}); },
                       [&] {
                           process.kill();
                           process.waitForFinished(5000);
                       });
}

std::vector<double> FirstLineLatencies(int runs)
{
    std::vector<double> result;
    TPane pane;
    for (int i = 0; i < runs; ++i) {
        pane.lines.Clear();
        QObject owner;
        auto *command = new TConsoleCommand(&owner);
        command->SetOutputLines(&pane.lines);
        command->SetCommandLine(QStringLiteral("echo ready"));
        QEventLoop loop;
        QElapsedTimer clock;
        double ms = -1;
        command->SetOnNewLine([&](TConsoleCommand *, const QString &, TOutputType) {
            if (ms < 0)
                ms = double(clock.nsecsElapsed()) / 1e6;
            loop.quit();
        });
        clock.start();
        command->Start();
        loop.exec();
        result.push_back(ms);
        delete command;
        TConsoleCommand::WaitForAllWorkers(5000);
    }
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, atoi(argv[1])) : 200000;
    const int repetitions = argc > 2 ? std::max(1, atoi(argv[2])) : 5;

    ConsoleRun(std::max(1, lines / 4));
    QProcessRun(std::max(1, lines / 4));
    std::vector<double> consoleRates;
    std::vector<double> processRates;
    int wrongCounts = 0;
    for (int i = 0; i < repetitions; ++i) {
        for (int side = 0; side < 2; ++side) {
            const bool consoleNow = (side == 0) == (i % 2 == 0);
            const TSample sample = consoleNow ? ConsoleRun(lines) : QProcessRun(lines);
            (consoleNow ? consoleRates : processRates).push_back(sample.linesPerSecond);
            if (sample.shown != lines)
                ++wrongCounts;
            std::printf("  run %d %-15s %9.0f lines/s, %d lines shown\n", i + 1,
                        consoleNow ? "TConsoleCommand" : "QProcess", sample.linesPerSecond,
                        sample.shown);
        }
    }
    const double console = Median(consoleRates);
    const double process = Median(processRates);
    const TIdle consoleIdle = ConsoleIdle();
    const TIdle processIdle = QProcessIdle();
    const std::vector<double> latencies = FirstLineLatencies(20);

    std::printf("console_flood: %d lines of 80 characters, %d runs each way, medians\n", lines,
                repetitions);
    std::printf("  TConsoleCommand               : %9.0f lines/s\n", console);
    std::printf("  QProcess reader               : %9.0f lines/s\n", process);
    std::printf("  ratio console / QProcess      : %9.2f\n", console / process);
    std::printf("  runs with a wrong line count  : %9d\n", wrongCounts);
    std::printf("  silent child, TConsoleCommand : %9.2f %% of one core, %6.0f wake-ups/s\n",
                consoleIdle.cpuShare * 100.0, consoleIdle.wakeUpsPerSecond);
    std::printf("  silent child, QProcess        : %9.2f %% of one core, %6.0f wake-ups/s\n",
                processIdle.cpuShare * 100.0, processIdle.wakeUpsPerSecond);
    std::printf("  Start to first line shown     : median %.2f ms, max %.2f ms over %zu runs\n",
                Median(latencies), *std::max_element(latencies.begin(), latencies.end()),
                latencies.size());
    return wrongCounts == 0 ? 0 : 1;
}
