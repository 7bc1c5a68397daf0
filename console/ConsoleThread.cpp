#include "console/ConsoleThread.h"
#include "console/CommandLine.h"
#include "console/ConsoleCommand.h"
#include "console/ConsoleLog.h"
#include "console/ConsoleShared.h"
#include "console/ProcessTimer.h"
#include "console/ShowText.h"
#include "console/WorkerRegistry.h"

#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <thread>
#include <unistd.h>

namespace {

// Strings of the worker's own, shared with no other thread (see CommandLine below).
QStringList DeepCopy(const QStringList &list)
{
    QStringList copy;
    for (const QString &text : list)
        copy.append(QString(text.constData(), text.size()));
    return copy;
}

QString PipeMessage(int error)
{
    return QStringLiteral("Impossible de créer un tube de communication (%1).")
        .arg(qt_error_string(error));
}

// The number of bytes at the end that begin a UTF-8 character without completing it.
qsizetype IncompleteCharacterBytes(const char *bytes, qsizetype n)
{
    for (qsizetype k = 1; k <= std::min<qsizetype>(3, n); ++k) {
        const auto byte = static_cast<unsigned char>(bytes[n - k]);
        if ((byte & 0xc0) == 0x80)
            continue; // a continuation byte: look for the lead byte
        const qsizetype length = byte >= 0xf0 && byte <= 0xf7 ? 4
                                 : byte >= 0xe0 && byte < 0xf0 ? 3
                                 : byte >= 0xc0 && byte < 0xe0 ? 2
                                                               : 1;
        return length > k ? k : 0;
    }
    return 0;
}

// The texts of one hand-over and all the UI thread needs to show them. A handler that
// destroys the component releases the waiting worker, so nothing here may lead back to it.
struct THandOver {
    std::vector<TDeliveredText> texts;
    std::shared_ptr<const TNewLineEvent> onNewLine;
    std::shared_ptr<TConsoleShared> shared;
    std::shared_ptr<TConsoleRun> run;
    // In: as left by the previous hand-over; out: as this one leaves them.
    bool lastWasPartial = false;
    bool lastShownCut = false;
    bool cutShort = false; // a handler stopped the run before every text was shown

    void Show(TConsoleCommand &command);
};

// UI thread. Each text goes into the list and then to OnNewLine, in order.
void THandOver::Show(TConsoleCommand &command)
{
    const QPointer<QObject> alive(&command);
    for (size_t k = 0; k < texts.size(); ++k) {
        // A stop that a handler requested: the rest is neither shown nor handed on.
        if (k > 0 && run->StopRequested.load(std::memory_order_relaxed)) {
            cutShort = true;
            return;
        }
        const TDeliveredText &delivered = texts[k];
        try {
            if (TStrings *lines = command.OutputLines()) {
                const bool cut = delivered.text.size() > kMaxShownChars;
                // A growing line that was cut already looks the same however long it grows.
                if (!(cut && lastWasPartial && lastShownCut && lines->Count() > 0))
                    PutText(*lines, ShownText(delivered.text), delivered.type, lastWasPartial);
                lastShownCut = cut;
            }
            lastWasPartial = delivered.type == otBeginningOfLine;
            if (*onNewLine) {
                // The handler of a complete line sees how that very line ended.
                if (delivered.type == otEntireLine)
                    shared->SetOutputReturnCode(run->Generation, delivered.returnCode);
                (*onNewLine)(&command, delivered.text, delivered.type);
            }
        } catch (...) {
            qCWarning(lcConsole) << "a line of a console run could not be shown";
        }
        if (!alive)
            return; // the component went with the handler
    }
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
      Environment(DeepCopy(command.environment_)),
      InheritedDescriptor(command.inheritedDescriptor_),
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
        qCWarning(lcConsole) << "a console run of" << CommandLine.left(80) << "failed";
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
        pipeCapacity_ = PipeCapacity(output_.readEnd);

        SetStatus(rsStartingProcess);
        showMode_ = PlatformShowMode(ShowWindow);
        creationFlags_ = PlatformCreationFlag(CreationFlag) | PriorityClass;
        int error = 0;
        pid_ = SpawnInOwnSession(SplitCommandLine(CommandLine), Environment, input_.readEnd,
                                 output_.writeEnd, &error, InheritedDescriptor);
        if (pid_ < 0) {
            lastError_ = error;
            throw TCreateProcessError(CommandLine);
        }
        childStarted = true;
        counters_->Reset();
        shared_->PostToUiThread([counters = counters_, run = run_->Generation](
                                    TConsoleCommand &command) {
            if (command.shared_->IsCurrentRun(run))
                command.timer_->StartCounting(counters);
        });
        exitStatus_ = kStillActive;

        SetStatus(rsRunning);
        ClearLine();
        LastWasPartial = false;
        crAtEnd_ = false;
        PollLoop();
        if (!LineIsEmpty()) {
            Queue(otBeginningOfLine);
            DeliverQueued();
        }
    } catch (...) {
        failure = std::current_exception();
        if (lastError_ == 0)
            lastError_ = errno;
    }

    if (childStarted) {
        EndProcessGroup(pid_); // also after an exit of its own: no background job stays
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
        int pollError = 0;
        exitStatus_ = PollExitStatus(pid_, &pollError);
        const int waiting = BytesWaiting(output_.readEnd);
        if (waiting > 0)
            OutputStep(waiting);
        else
            InputStep();
        // A child that filled the pipe waits for room and has more to say: no pause then.
        if (waiting < pipeCapacity_)
            std::this_thread::sleep_for(1ms);

        if (pollError != 0) {
            // Reaped elsewhere (SIGCHLD ignored, for instance): it has ended, but how is
            // lost, so the run fails instead of passing for a success.
            qCWarning(lcConsole) << "the exit status of" << CommandLine.left(80)
                                 << "is lost:" << qt_error_string(pollError);
            lastError_ = pollError;
            return;
        }
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
    if (!LineIsEmpty())
        shared_->ReleaseBeginning(run_->Generation); // this read delivers it again, longer
    if (buffer_.size() < waiting)
        buffer_.resize(waiting);
    std::memset(buffer_.data(), 0, size_t(buffer_.size()));
    const ssize_t got = read(output_.readEnd, buffer_.data(), size_t(buffer_.size()));
    const qsizetype n = got > 0 ? got : 0;
    const char *bytes = buffer_.constData();

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
            Queue(otEntireLine, code);
        } else {
            qsizetype end = i + 1;
            while (end < n && bytes[end] != '\0' && bytes[end] != '\r' && bytes[end] != '\n')
                ++end;
            AppendToLine(bytes + i, end - i);
            i = end;
        }
        crAtEnd_ = bytes[i - 1] == '\r';
    }
    if (!LineIsEmpty())
        Queue(otBeginningOfLine);
    DeliverQueued();
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
    if (!LastWasPartial)
        ClearLine();
    AppendToLine(entry.constData(), entry.size());
    Queue(entry.endsWith('\n') ? otEntireLine : otBeginningOfLine);
    DeliverQueued();
}

void TConsoleThread::AppendToLine(const char *bytes, qsizetype n)
{
    QByteArray joined;
    if (!lineTail_.isEmpty()) {
        joined = lineTail_ + QByteArray::fromRawData(bytes, n);
        bytes = joined.constData();
        n = joined.size();
    }
    const qsizetype whole = n - IncompleteCharacterBytes(bytes, n);
    lineText_ += QString::fromUtf8(bytes, whole);
    lineTail_ = QByteArray(bytes + whole, n - whole);
}

void TConsoleThread::ClearLine()
{
    lineText_.clear();
    lineTail_.clear();
}

void TConsoleThread::Queue(TOutputType type, TReturnCode returnCode)
{
    try {
        // An incomplete character shows as U+FFFD until the next read completes it.
        QString text = lineText_;
        if (!lineTail_.isEmpty())
            text += QString::fromUtf8(lineTail_);
        if (type == otEntireLine)
            ClearLine();
        queued_.push_back({std::move(text), type, returnCode});
    } catch (...) {
        qCWarning(lcConsole) << "a line of a console run was dropped";
    }
}

// One hand-over for all the texts of a read: the UI thread shows each and calls OnNewLine
// for each, in order, while the worker waits.
void TConsoleThread::DeliverQueued()
{
    if (queued_.empty())
        return;
    counters_->ResetLastOutput();
    try {
        shared_->Collect(run_->Generation, queued_);
        if (!*OnNewLine) {
            // Without a handler no one can see the record change line by line.
            const auto last = std::find_if(queued_.rbegin(), queued_.rend(), [](const auto &t) {
                return t.type == otEntireLine;
            });
            if (last != queued_.rend())
                shared_->SetOutputReturnCode(run_->Generation, last->returnCode);
        }
        auto handOver = std::make_shared<THandOver>();
        handOver->texts.swap(queued_);
        handOver->onNewLine = OnNewLine;
        handOver->shared = shared_;
        handOver->run = run_;
        handOver->lastWasPartial = LastWasPartial;
        handOver->lastShownCut = lastShownCut_;
        const auto show = [handOver](TConsoleCommand &command) {
            handOver->Show(command);
            // The texts share the line being built; dropped here, inside the hand-over, they
            // are gone before the worker goes on and grows that line in place.
            handOver->texts.clear();
        };
        if (shared_->RunOnUiThread(show)) {
            LastWasPartial = handOver->lastWasPartial;
            lastShownCut_ = handOver->lastShownCut;
            if (handOver->cutShort)
                ClearLine();
        }
    } catch (...) {
        qCWarning(lcConsole) << "lines of a console run could not be handed over";
    }
    queued_.clear();
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
