#pragma once
#include "console/ChildProcess.h"
#include "console/ConsoleTypes.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class TConsoleCommand;
class TConsoleShared;
struct TConsoleRun;
struct TTickCounters;
struct TDeliveredText;

// The worker of one console run: starts the child, polls it, cuts its output into lines
// and hands each to the UI thread, writes the queued input, and releases itself at the
// end. It reaches its component only through the shared state (see ConsoleShared.h).
class TConsoleThread
{
public:
    // UI thread: copies the run's settings from the component and starts the thread.
    // Throws std::system_error when the thread cannot be created.
    static void Launch(TConsoleCommand &command, std::shared_ptr<TConsoleRun> run);

    ~TConsoleThread();

private:
    TConsoleThread(TConsoleCommand &command, std::shared_ptr<TConsoleRun> run);
    TConsoleThread(const TConsoleThread &) = delete;
    TConsoleThread &operator=(const TConsoleThread &) = delete;

    void Execute();
    void ThreadMain();
    void RunConsole();
    void PollLoop();
    void OutputStep(int waiting);
    void InputStep();
    bool WriteEntry(const QByteArray &entry);
    void EchoEntry(const QByteArray &entry);
    void AppendToLine(const char *bytes, qsizetype n);
    bool LineIsEmpty() const { return lineText_.isEmpty() && lineTail_.isEmpty(); }
    void ClearLine();
    // Queues the line being built; a complete line leaves it empty.
    void Queue(TOutputType type, TReturnCode returnCode = rcCRLF);
    void DeliverQueued();
    bool StopRequested() const;
    bool LimitExceeded() const;
    void SetStatus(quint8 status);

    // Copied from the component when the run begins.
    const std::shared_ptr<TConsoleShared> shared_;
    const std::shared_ptr<TConsoleRun> run_;
    const QString CommandLine;
    const QStringList Environment;
    const int InheritedDescriptor;
    const qint32 MaxTimeAfterBeginning;
    const qint32 MaxTimeAfterLastOutput;
    // Shared, so that a hand-over can hold the handler while the worker may already be gone.
    const std::shared_ptr<const TNewLineEvent> OnNewLine;
    const TTerminateEvent OnTerminated;
    const quint32 PriorityClass;
    const TShowWindow ShowWindow;
    const TCreationFlag CreationFlag;
    const std::shared_ptr<TTickCounters> counters_;

    // Texts of one read (or one echo), handed to the UI thread together.
    std::vector<TDeliveredText> queued_;
    // Written back by each hand-over; its waiting orders these accesses.
    bool LastWasPartial = false;
    bool lastShownCut_ = false; // the text shown last was cut at kMaxShownChars

    // State of the run.
    quint8 status_ = rsPreparing;
    int lastError_ = 0;
    QByteArray buffer_;
    int pipeCapacity_ = 0;
    TPipe input_;
    TPipe output_;
    pid_t pid_ = -1;
    quint32 exitStatus_ = kStillActive;
    quint32 showMode_ = 0;
    quint32 creationFlags_ = 0;
    // The line being built (the unfinished last line of a read or echo), decoded as it comes
    // in, so that a line that grows over many reads is decoded once; lineTail_ holds the
    // first bytes of a character that the next read completes.
    QString lineText_;
    QByteArray lineTail_;
    bool crAtEnd_ = false;
    qsizetype entryWritten_ = 0; // bytes of the first queued entry already written
};
