#include "console/ConsoleThread.h"
#include "console/CommandLine.h"
#include "console/ConsoleCommand.h"
#include "console/ConsoleShared.h"
#include "console/ProcessTimer.h"
#include "console/WorkerRegistry.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <thread>
#include <unistd.h>

namespace {

QString PipeMessage(int error)
{
    return QStringLiteral("Impossible de créer un tube de communication : %1")
        .arg(qt_error_string(error));
}

} // namespace

void TConsoleThread::Launch(TConsoleCommand &command, std::shared_ptr<TConsoleRun> run)
{
    std::unique_ptr<TConsoleThread> worker(new TConsoleThread(command, run));
    TConsoleThread *raw = worker.get();
    TWorkerRegistry::Instance().Launch([raw, run] {
        {
            std::unique_ptr<TConsoleThread> self(raw); // a worker always releases itself
            self->Execute();
        }
        // Only now: whoever sees the run ended may rely on the worker being gone.
        run->Ended = true;
    });
    worker.release(); // owned by its thread from now on
}

TConsoleThread::TConsoleThread(TConsoleCommand &command, std::shared_ptr<TConsoleRun> run)
    : shared_(command.shared_),
      run_(std::move(run)),
      // A copy of its own, shared with no other thread: a count dropped inside the Qt
      // library is invisible to ThreadSanitizer, which then reports the release as a race.
      CommandLine(command.commandLine_.constData(), command.commandLine_.size()),
      MaxTimeAfterBeginning(command.maxTimeAfterBeginning_),
      MaxTimeAfterLastOutput(command.maxTimeAfterLastOutput_),
      OnNewLine(std::make_shared<const TNewLineEvent>(command.onNewLine_)),
      OnTerminated(command.onTerminated_),
      PriorityClass(command.priorityClass_),
      ShowWindow(command.showWindow_),
      CreationFlag(command.creationFlag_),
      counters_(std::make_shared<TTickCounters>())
{
}

TConsoleThread::~TConsoleThread() = default;

void TConsoleThread::Execute()
{
    // A run stopped before its thread began does nothing at all.
    if (!StopRequested())
        ThreadMain();
}

void TConsoleThread::ThreadMain()
{
    QString failure;
    try {
        RunConsole();
        return;
    } catch (const TCreatePipeError &error) {
        failure = error.Message();
    } catch (const TCreateProcessError &error) {
        failure = error.Message();
    } catch (...) {
        return; // any other failure ends the run without a report
    }
    shared_->RunOnUiThread([failure](TConsoleCommand &command) { command.ReportError(failure); });
}

void TConsoleThread::RunConsole()
{
    bool bufferReady = false;
    bool pipesOpen = false;
    bool childStarted = false;
    std::exception_ptr failure;
    try {
        SetStatus(rsPreparing);
        buffer_ = QByteArray(1024, '\0');
        bufferReady = true;

        SetStatus(rsOpeningPipes);
        if (!input_.Open()) {
            lastError_ = errno;
            throw TCreatePipeError(PipeMessage(lastError_));
        }
        if (!output_.Open()) {
            lastError_ = errno;
            input_.CloseRead();
            input_.CloseWrite();
            throw TCreatePipeError(PipeMessage(lastError_));
        }
        pipesOpen = true;
        // The worker never waits on a pipe: it reads only what is there, and an entry that
        // does not fit is continued in a later cycle.
        SetNonBlocking(input_.writeEnd);
        SetNonBlocking(output_.readEnd);

        SetStatus(rsStartingProcess);
        showMode_ = PlatformShowMode(ShowWindow);
        creationFlags_ = PlatformCreationFlag(CreationFlag) | PriorityClass;
        int error = 0;
        pid_ = SpawnInOwnSession(SplitCommandLine(CommandLine), input_.readEnd, output_.writeEnd,
                                 &error);
        if (pid_ < 0) {
            lastError_ = error;
            throw TCreateProcessError(CommandLine);
        }
        childStarted = true;
        counters_->Reset();
        shared_->PostToUiThread([counters = counters_](TConsoleCommand &command) {
            command.timer_->StartCounting(counters);
        });
        exitStatus_ = kStillActive;

        SetStatus(rsRunning);
        pending_.clear();
        LastWasPartial = false;
        crAtEnd_ = false;
        PollLoop();
        if (!pending_.isEmpty())
            DeliverLine(pending_, otBeginningOfLine);
    } catch (...) {
        failure = std::current_exception();
        if (lastError_ == 0)
            lastError_ = errno;
    }

    if (childStarted) {
        if (exitStatus_ == kStillActive)
            KillGroupAndReap(pid_);
        shared_->PostToUiThread([counters = counters_](TConsoleCommand &command) {
            command.timer_->StopCounting(counters);
        });
    }
    if (pipesOpen) {
        input_.CloseRead();
        output_.CloseWrite();
        output_.CloseRead();
        input_.CloseWrite();
    }
    if (bufferReady)
        buffer_ = QByteArray();
    if (OnTerminated) {
        shared_->CallWhileAlive([this](TConsoleCommand &command) {
            try {
                OnTerminated(&command, exitStatus_);
            } catch (...) {
            }
        });
    }
    if (status_ == rsPreparing || status_ == rsOpeningPipes || status_ == rsStartingProcess
        || status_ == rsRunning) {
        status_ = quint8(status_ + 1);
        shared_->SetRunResult(run_->Generation, status_, quint32(lastError_));
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TConsoleThread::PollLoop()
{
    using namespace std::chrono_literals;
    for (;;) {
        // The exit status is polled before the peek, so the cycle that sees the exit still
        // reads everything the child wrote before it.
        exitStatus_ = PollExitStatus(pid_);
        const int waiting = BytesWaiting(output_.readEnd);
        if (waiting > 0)
            OutputStep(waiting);
        else
            InputStep();
        std::this_thread::sleep_for(1ms);

        if (exitStatus_ != kStillActive) {
            status_ = rsExited;
            shared_->SetRunResult(run_->Generation, rsExited, exitStatus_);
            return;
        }
        if (StopRequested()) {
            SetStatus(rsStopped);
            return;
        }
        if (LimitExceeded()) {
            SetStatus(rsTimedOut);
            return;
        }
    }
}

void TConsoleThread::OutputStep(int waiting)
{
    if (buffer_.size() < waiting)
        buffer_.resize(waiting);
    std::memset(buffer_.data(), 0, size_t(buffer_.size()));
    const ssize_t got = read(output_.readEnd, buffer_.data(), size_t(buffer_.size()));
    const qsizetype n = got > 0 ? got : 0;
    const char *bytes = buffer_.constData();

    line_ = pending_;
    qsizetype i = 0;
    while (i < n && !StopRequested()) {
        const char byte = bytes[i];
        if (byte == '\0') {
            ++i;
        } else if (byte == '\n' && i == 0 && crAtEnd_) {
            ++i; // completes a CR LF split between two reads
        } else if (byte == '\r' || byte == '\n') {
            TReturnCode code = rcLF;
            if (byte == '\r' && i + 1 < n && bytes[i + 1] == '\n') {
                code = rcCRLF;
                ++i;
            }
            ++i;
            shared_->SetOutputReturnCode(run_->Generation, code);
            DeliverLine(line_, otEntireLine);
            line_.resize(0);
        } else {
            qsizetype end = i + 1;
            while (end < n && bytes[end] != '\0' && bytes[end] != '\r' && bytes[end] != '\n')
                ++end;
            line_.append(bytes + i, end - i);
            i = end;
        }
        crAtEnd_ = bytes[i - 1] == '\r';
    }
    pending_ = line_;
    if (!pending_.isEmpty())
        DeliverLine(pending_, otBeginningOfLine);
}

void TConsoleThread::InputStep()
{
    for (;;) {
        QByteArray entry;
        {
            std::lock_guard<std::mutex> lock(run_->Lock);
            if (run_->InputQueue.empty() || StopRequested())
                return;
            entry = run_->InputQueue.front();
        }
        if (!WriteEntry(entry))
            return; // the pipe is full: the rest of the entry goes in a later cycle
        if (shared_->InputToOutput)
            EchoEntry(entry);
        std::lock_guard<std::mutex> lock(run_->Lock);
        run_->InputQueue.pop_front();
    }
}

bool TConsoleThread::WriteEntry(const QByteArray &entry)
{
    while (entryWritten_ < entry.size()) {
        const ssize_t n = write(input_.writeEnd, entry.constData() + entryWritten_,
                                size_t(entry.size() - entryWritten_));
        if (n > 0)
            entryWritten_ += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && errno == EAGAIN)
            return false;
        else
            break; // a failed write drops the entry all the same
    }
    entryWritten_ = 0;
    return true;
}

void TConsoleThread::EchoEntry(const QByteArray &entry)
{
    if (entry.isEmpty())
        return; // nothing was written, so there is nothing to echo
    if (LastWasPartial)
        pending_ += entry;
    else
        pending_ = entry;
    if (entry.endsWith('\n')) {
        DeliverLine(pending_, otEntireLine);
        pending_.clear();
    } else {
        DeliverLine(pending_, otBeginningOfLine);
    }
}

void TConsoleThread::DeliverLine(const QByteArray &line, TOutputType type)
{
    try {
        // Decoded only now, so a character split between two reads is whole in the line.
        const QString text = QString::fromUtf8(line);
        shared_->AppendCollected(run_->Generation, text);
        counters_->ResetLastOutput();
        CurrentLine = text;
        CurrentType = type;
        shared_->RunOnUiThread([this](TConsoleCommand &command) { ShowLine(command); });
    } catch (...) {
        // A failed delivery is dropped; the run goes on.
    }
}

void TConsoleThread::ShowLine(TConsoleCommand &command)
{
    // Local copies: should OnNewLine destroy the component, this worker is released while
    // the handler still runs.
    const QString line = CurrentLine;
    const TOutputType type = CurrentType;
    const std::shared_ptr<const TNewLineEvent> handler = OnNewLine;
    if (TStrings *lines = command.OutputLines()) {
        lines->BeginUpdate();
        try {
            if (lines->Count() == 0) {
                if (type == otEntireLine)
                    lines->Add(line);
                else
                    lines->SetText(line);
            } else if (LastWasPartial) {
                lines->ReplaceLast(line);
            } else {
                lines->Add(line);
            }
        } catch (...) {
            lines->EndUpdate();
            throw;
        }
        lines->EndUpdate();
    }
    LastWasPartial = type == otBeginningOfLine;
    if (*handler)
        (*handler)(&command, line, type);
}

bool TConsoleThread::StopRequested() const
{
    return run_->StopRequested.load(std::memory_order_relaxed);
}

bool TConsoleThread::LimitExceeded() const
{
    return (MaxTimeAfterBeginning > 0 && counters_->SinceStart > MaxTimeAfterBeginning)
           || (MaxTimeAfterLastOutput > 0 && counters_->SinceLastOutput > MaxTimeAfterLastOutput);
}

void TConsoleThread::SetStatus(quint8 status)
{
    status_ = status;
    shared_->SetRunStatus(run_->Generation, status);
}
