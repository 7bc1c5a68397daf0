// Throughput, idle cost and latency of console runs, run by hand:
//   console_flood [lines]
// 1. lines per second shown in a read-only pane from a child that writes 80-character
//    lines, next to a plain QProcess reader that appends the same lines to a second pane;
// 2. CPU time of the whole program during a run whose child sleeps 5 s, as a share of one core;
// 3. time from Start to the first line shown, for a child that prints one line at once.

#include "console/ConsoleCommand.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTextDocument>

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

void Prepare(QPlainTextEdit &pane)
{
    pane.setReadOnly(true);
    pane.resize(560, 300);
    pane.show();
}

// Runs the command to its end and returns the milliseconds it took.
double RunToEnd(TConsoleCommand &command)
{
    QEventLoop loop;
    command.SetOnTerminated([&loop](TConsoleCommand *, quint32) {
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    QElapsedTimer clock;
    clock.start();
    command.Start();
    loop.exec();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    TConsoleCommand::WaitForAllWorkers(5000);
    return ms;
}

double ConsoleLinesPerSecond(int lines, int *shown)
{
    QPlainTextEdit pane;
    Prepare(pane);
    TMemoLines memoLines(&pane);
    QObject owner;
    auto *command = new TConsoleCommand(&owner);
    command->SetOutputLines(&memoLines);
    command->SetCommandLine(QStringLiteral("sh -c '%1'").arg(FloodScript(lines)));
    const double ms = RunToEnd(*command);
    *shown = memoLines.Count();
    return lines / (ms / 1000.0);
}

double QProcessLinesPerSecond(int lines, int *shown)
{
    QPlainTextEdit pane;
    Prepare(pane);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&process, &QProcess::readyReadStandardOutput, [&] {
        while (process.canReadLine()) {
            QByteArray line = process.readLine();
            line.chop(1);
            pane.appendPlainText(QString::fromUtf8(line));
        }
    });
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), FloodScript(lines)});
    loop.exec();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    *shown = pane.document()->blockCount();
    return lines / (ms / 1000.0);
}

double CpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double IdleRunCpuShare()
{
    QObject owner;
    auto *command = new TConsoleCommand(&owner);
    command->SetCommandLine(QStringLiteral("sleep 5"));
    const double cpuBefore = CpuSeconds();
    const double ms = RunToEnd(*command);
    return (CpuSeconds() - cpuBefore) / (ms / 1000.0);
}

std::vector<double> FirstLineLatencies(int runs)
{
    std::vector<double> result;
    QPlainTextEdit pane;
    Prepare(pane);
    TMemoLines memoLines(&pane);
    for (int i = 0; i < runs; ++i) {
        memoLines.Clear();
        QObject owner;
        auto *command = new TConsoleCommand(&owner);
        command->SetOutputLines(&memoLines);
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
    std::sort(result.begin(), result.end());
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, atoi(argv[1])) : 200000;

    int consoleShown = 0;
    int processShown = 0;
    const double processRate = QProcessLinesPerSecond(lines, &processShown);
    const double consoleRate = ConsoleLinesPerSecond(lines, &consoleShown);
    const double cpuShare = IdleRunCpuShare();
    const std::vector<double> latencies = FirstLineLatencies(20);

    std::printf("console_flood: %d lines of 80 characters\n", lines);
    std::printf("  TConsoleCommand -> TMemoLines : %9.0f lines/s (%d lines shown)\n", consoleRate,
                consoleShown);
    std::printf("  QProcess -> appendPlainText   : %9.0f lines/s (%d lines shown)\n", processRate,
                processShown);
    std::printf("  ratio console / QProcess      : %9.2f (target >= 0.5)\n",
                consoleRate / processRate);
    std::printf("  CPU of a run of 'sleep 5'     : %9.2f %% of one core (target <= 3 %%)\n",
                cpuShare * 100.0);
    std::printf("  Start to first line shown     : median %.2f ms, max %.2f ms over %zu runs "
                "(target < 20 ms)\n",
                latencies[latencies.size() / 2], latencies.back(), latencies.size());
    return 0;
}
