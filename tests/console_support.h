#pragma once
// Shared helpers of the console tests: waiting on conditions with a deadline, a list that
// records how it is changed, and a fixture that records every event of its components.

#include "MemoLines.h"
#include "console/ConsoleCommand.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

template <typename Predicate> bool WaitUntil(Predicate predicate, int msTimeout = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!predicate()) {
        if (clock.elapsed() > msTimeout)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Lets the UI thread do nothing for a while, so that workers pile up in hand-overs.
inline void BusyUiThread(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// "sh -c '<script>'", quoted so that the script reaches the shell as one argument.
inline QString Shell(QString script)
{
    script.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QStringLiteral("sh -c '%1'").arg(script);
}

// True while the process exists and is not a zombie.
inline bool ProcessAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() && text.at(close + 2) != 'Z';
}

// A field of /proc/self/status in kB (VmRSS, VmHWM), or -1.
inline qint64 StatusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Makes VmHWM start again from the present resident size.
inline bool ResetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// True while the process exists at all, zombie or not.
inline bool ProcessExists(qint64 pid)
{
    return QFile::exists(QStringLiteral("/proc/%1").arg(pid));
}

// A list that keeps its lines in memory and counts changes made outside an update bracket.
class TRecordingLines : public TStrings
{
public:
    int Count() const override { return int(lines.size()); }
    void Add(const QString &line) override
    {
        Touch();
        lines << line;
    }
    void ReplaceLast(const QString &line) override
    {
        Touch();
        lines.last() = line;
    }
    void SetText(const QString &text) override
    {
        Touch();
        lines = QStringList{text};
    }
    void Clear() override { lines.clear(); }
    void BeginUpdate() override { ++depth; }
    void EndUpdate() override { --depth; }

    QStringList lines;
    int depth = 0;
    int unbracketed = 0;

private:
    void Touch()
    {
        if (depth <= 0)
            ++unbracketed;
    }
};

struct TDelivery {
    QString text;
    TOutputType type;
    TReturnCode returnCode; // OutputReturnCode during the handler

    bool operator==(const TDelivery &other) const
    {
        return text == other.text && type == other.type
               && (type == otBeginningOfLine || returnCode == other.returnCode);
    }
};

inline void PrintTo(const TDelivery &d, std::ostream *os)
{
    *os << '"' << d.text.toStdString() << (d.type == otEntireLine ? "\" line" : "\" beginning")
        << (d.returnCode == rcCRLF ? " CRLF" : " LF");
}

class ConsoleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        owner = new QObject;
        command = NewCommand();
    }

    void TearDown() override
    {
        delete owner;
        EXPECT_TRUE(TConsoleCommand::WaitForAllWorkers(10000));
    }

    // A component of the owner whose events are recorded.
    TConsoleCommand *NewCommand()
    {
        auto *c = new TConsoleCommand(owner);
        c->SetOutputLines(&lines);
        c->SetOnNewLine([this](TConsoleCommand *sender, const QString &text, TOutputType type) {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            deliveries.push_back({text, type, sender->OutputReturnCode()});
        });
        c->SetOnTerminated([this](TConsoleCommand *sender, quint32 exitCode) {
            std::lock_guard<std::mutex> lock(mutex);
            terminated.push_back({sender, exitCode, std::this_thread::get_id(), sender->RunStatus()});
        });
        c->SetErrorReporter([this, c](const QString &message) {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            errors << message;
            statusAtReport = c->RunStatus();
            std::lock_guard<std::mutex> lock(mutex);
            terminatedAtReport = terminated.size();
        });
        return c;
    }

    // Starts the component and waits until its worker has ended.
    void RunToEnd(TConsoleCommand *c, int msTimeout = 10000)
    {
        c->Start();
        ASSERT_TRUE(WaitUntil([c] { return !c->IsRunning(); }, msTimeout));
    }

    size_t TerminatedCount()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return terminated.size();
    }

    QStringList EntireLines() const
    {
        QStringList result;
        for (const TDelivery &d : deliveries)
            if (d.type == otEntireLine)
                result << d.text;
        return result;
    }

    // The first delivered line, waited for.
    qint64 FirstNumber()
    {
        EXPECT_TRUE(WaitUntil([this] { return !deliveries.empty(); }));
        return deliveries.empty() ? 0 : deliveries.front().text.split(' ').first().toLongLong();
    }

    struct TTermination {
        TConsoleCommand *sender;
        quint32 exitCode;
        std::thread::id thread;
        quint8 status; // RunStatus during the call
    };

    QObject *owner = nullptr;
    TConsoleCommand *command = nullptr;
    TRecordingLines lines;
    std::vector<TDelivery> deliveries;
    QStringList errors;
    quint8 statusAtReport = 0;
    size_t terminatedAtReport = 0;
    std::mutex mutex;
    std::vector<TTermination> terminated;
};
