#pragma once
// Console command component: runs one child process at a time with redirected standard
// streams, feeds it queued input entries and delivers its output, line by line, to a text
// list on the UI thread.

#include "console/ConsoleErrors.h"
#include "console/ConsoleTypes.h"
#include "console/Strings.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class TConsoleShared;
class TConsoleThread;
class TProcessTimer;
struct TConsoleRun;

class TConsoleCommand : public QObject
{
public:
    // The owner (the main window) destroys the component with its children.
    explicit TConsoleCommand(QObject *owner);
    // Stops a run that still goes on (its worker kills the child) without waiting for it.
    ~TConsoleCommand() override;

    QString CommandLine() const { return commandLine_; }
    void SetCommandLine(const QString &value) { commandLine_ = value; }
    // Called on the UI thread for every delivered text, right after it was shown.
    TNewLineEvent OnNewLine() const { return onNewLine_; }
    void SetOnNewLine(TNewLineEvent value) { onNewLine_ = std::move(value); }
    // Called on the worker thread at the end of every run, with the child's exit code, or
    // 259 when the worker killed it, it never started or its exit status was lost. The
    // component cannot be destroyed during the call, so the handler must not wait for the
    // UI thread (post to it instead).
    // It is not called once the component has been destroyed.
    TTerminateEvent OnTerminated() const { return onTerminated_; }
    void SetOnTerminated(TTerminateEvent value) { onTerminated_ = std::move(value); }
    bool InputToOutput() const;
    void SetInputToOutput(bool value);
    qint32 MaxTimeAfterBeginning() const { return maxTimeAfterBeginning_; }
    void SetMaxTimeAfterBeginning(qint32 value) { maxTimeAfterBeginning_ = value; }
    qint32 MaxTimeAfterLastOutput() const { return maxTimeAfterLastOutput_; }
    void SetMaxTimeAfterLastOutput(qint32 value) { maxTimeAfterLastOutput_ = value; }
    TShowWindow ShowWindow() const { return showWindow_; }
    void SetShowWindow(TShowWindow value) { showWindow_ = value; }
    TCreationFlag CreationFlag() const { return creationFlag_; }
    void SetCreationFlag(TCreationFlag value) { creationFlag_ = value; }
    TReturnCode ReturnCode() const { return returnCode_; }
    void SetReturnCode(TReturnCode value) { returnCode_ = value; }
    TReturnCode OutputReturnCode() const;
    // Variables ("NAME=value") added to the program's environment for the child of each
    // later run: secrets reach the child this way, never through its input or arguments.
    QStringList Environment() const { return environment_; }
    void SetEnvironment(const QStringList &assignments) { environment_ = assignments; }
    // Descriptors the interpreter, and every process it starts, keep open while they run:
    // a lock held on their behalf lasts as long as the last of them.
    void SetInheritedDescriptors(const QList<int> &fds) { inherited_ = fds; }

    // Records of the latest run.
    quint8 RunStatus() const;      // a TRunStatus value
    quint32 RunResultCode() const; // exit code, or errno of a failed run
    QStringList CollectedLines() const;
    // True from Start until the worker of the latest run has ended.
    bool IsRunning() const;

    TStrings *OutputLines() const { return outputLines_; }
    // The list is not owned and may be none; it must outlive the component's use of it.
    void SetOutputLines(TStrings *lines);

    void Start();
    void Stop();
    // The text is sent as UTF-8, followed by the line end of ReturnCode when endLine is set.
    void QueueInputLine(const QString &text, bool endLine);

    // Shows the failure of a run that could not start; called on the UI thread while the
    // worker waits. Without a reporter the failure is logged.
    void SetErrorReporter(std::function<void(const QString &message)> reporter);

    // Waits until every worker of every component has ended, for at most msTimeout.
    // main() calls it after the window (and with it every component) is gone.
    static bool WaitForAllWorkers(int msTimeout);

private:
    friend class TConsoleThread;

    void ReportError(const QString &message);

    TProcessTimer *timer_ = nullptr;            // owned through QObject parentage
    std::shared_ptr<TConsoleRun> worker_;       // the current run; cleared by Stop
    std::shared_ptr<TConsoleShared> shared_;    // records, hand-over, life of the component
    QString commandLine_;
    QStringList environment_;
    QList<int> inherited_;
    TStrings *outputLines_ = nullptr;
    TNewLineEvent onNewLine_;
    TTerminateEvent onTerminated_;
    qint32 maxTimeAfterBeginning_ = 0;
    qint32 maxTimeAfterLastOutput_ = 0;
    quint32 priorityClass_ = 32; // no property: normal priority, kept as data
    TShowWindow showWindow_ = swHIDE;
    TCreationFlag creationFlag_ = fCREATE_NEW_CONSOLE;
    TReturnCode returnCode_ = rcCRLF;
    std::function<void(const QString &)> errorReporter_;
};
