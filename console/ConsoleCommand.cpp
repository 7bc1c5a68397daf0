#include "console/ConsoleCommand.h"
#include "console/ChildProcess.h"
#include "console/ConsoleShared.h"
#include "console/ConsoleThread.h"
#include "console/ProcessTimer.h"
#include "console/WorkerRegistry.h"

#include "console/ConsoleLog.h"

#include <system_error>

TConsoleCommand::TConsoleCommand(QObject *owner)
    : QObject(owner), shared_(std::make_shared<TConsoleShared>(this, this))
{
}

TConsoleCommand::~TConsoleCommand()
{
    Stop();
    shared_->Detach();
    // The timer goes with the QObject children, after no worker can post to it any more.
}

bool TConsoleCommand::InputToOutput() const
{
    return shared_->InputToOutput;
}

void TConsoleCommand::SetInputToOutput(bool value)
{
    shared_->InputToOutput = value;
}

TReturnCode TConsoleCommand::OutputReturnCode() const
{
    return shared_->OutputReturnCode();
}

quint8 TConsoleCommand::RunStatus() const
{
    return shared_->RunStatus();
}

quint32 TConsoleCommand::RunResultCode() const
{
    return shared_->RunResultCode();
}

QStringList TConsoleCommand::CollectedLines() const
{
    return shared_->CollectedLines();
}

bool TConsoleCommand::IsRunning() const
{
    return worker_ && !worker_->Ended;
}

void TConsoleCommand::SetOutputLines(TStrings *lines)
{
    // The reference is read and written on the UI thread only, so it needs no lock.
    outputLines_ = lines;
}

void TConsoleCommand::Start()
{
    if (commandLine_.isEmpty())
        return;
    Stop();
    IgnoreSigpipeOnce();
    if (!timer_)
        timer_ = new TProcessTimer(this);
    auto run = std::make_shared<TConsoleRun>(shared_->BeginRun());
    try {
        TConsoleThread::Launch(*this, run);
    } catch (const std::system_error &error) {
        throw Exception(QString::fromLocal8Bit(error.what()));
    }
    worker_ = std::move(run);
}

void TConsoleCommand::Stop()
{
    if (!worker_)
        return;
    worker_->StopRequested = true;
    worker_.reset();
}

void TConsoleCommand::QueueInputLine(const QString &text, bool endLine)
{
    if (!worker_)
        return;
    QByteArray entry = text.toUtf8();
    if (endLine)
        entry += LineEndBytes(returnCode_);
    std::lock_guard<std::mutex> lock(worker_->Lock);
    worker_->InputQueue.push_back(std::move(entry));
}

void TConsoleCommand::SetErrorReporter(std::function<void(const QString &)> reporter)
{
    errorReporter_ = std::move(reporter);
}

void TConsoleCommand::ReportError(const QString &message)
{
    // A copy: the reporter or the box may run an event loop in which the reporter changes.
    const auto reporter = errorReporter_;
    if (reporter)
        reporter(message);
    else
        qCWarning(lcConsole) << "run failed, with no one to tell:" << message;
}

bool TConsoleCommand::WaitForAllWorkers(int msTimeout)
{
    return TWorkerRegistry::Instance().WaitForAll(msTimeout);
}
