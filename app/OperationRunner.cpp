// Running an operation's plan through a console run, and reporting how it really ended.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "OperationRun.h"
#include "console/ConsoleCommand.h"
#include "pki/CaLock.h"
#include "pki/CaLayout.h"
#include "pki/PemDates.h"
#include "pki/Texts.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcOperations, "tarvik.operations")

struct TForm1::TOperationRun
{
    TConsoleCommand *run = nullptr;
    QPlainTextEdit *memo = nullptr;
    TOperationPlan plan;
    TFileStamp before;
    std::unique_ptr<TCaLock> lock; // also keeps `tarvik crl` off the CA
    bool startFailureShown = false;
};

TForm1::~TForm1()
{
    // Runs still going must stop before the panes they write to are destroyed.
    for (const auto &op : operations_)
        delete op->run;
    qDeleteAll(memoLines_);
}

bool TForm1::Refused(const QString &refusal)
{
    if (refusal.isEmpty())
        return false;
    boxes_->Message(refusal);
    return true;
}

bool TForm1::CaSelected()
{
    return !Refused(CaName().isEmpty() ? Texts::NoCaSelected : QString());
}

// Two runs on one CA would share its database and configuration files; two runs on
// one page would mix their output.
bool TForm1::OperationFree(const QString &ca, const QPlainTextEdit *memo)
{
    for (const auto &op : operations_) {
        if (op->plan.ca == ca)
            return !Refused(Texts::CaBusy);
        if (op->memo == memo)
            return !Refused(Texts::PageBusy);
    }
    return true;
}

void TForm1::RunOperation(const TOperationInput &in, QPlainTextEdit *memo)
{
    if (!CaSelected() || Refused(MissingFieldRefusal(in)) || Refused(InvalidNameRefusal(in))
        || !OperationFree(in.ca, memo))
        return;
    auto lock = std::make_unique<TCaLock>(in.ca);
    if (lock->State() == TCaLock::Failed)
        qCWarning(lcOperations) << "CA" << in.ca << "could not be locked:" << lock->Error();
    if (Refused(lock->State() == TCaLock::Busy ? Texts::CaBusy : QString()) || Refused(RefusalBeforeRun(in)))
        return;
    const QDateTime caEnd = CertificateNotAfter(CaLayout::CaCert(in.ca));
    for (const QString &warning : WarningsBeforeIssue(in, caEnd, QDateTime::currentDateTimeUtc()))
        if (!boxes_->Confirm(warning))
            return;
    const TOperationPlan plan = PlanOperation(in);
    for (const QString &dir : plan.directories)
        QDir().mkdir(dir); // an existing one is fine; the tool reports any other trouble
    if (plan.writeFiles)
        plan.writeFiles();
    const bool earlier = std::any_of(plan.earlierResults.cbegin(), plan.earlierResults.cend(),
                                     [](const QString &path) { return QFileInfo::exists(path); });
    if (earlier && !boxes_->Confirm(plan.question))
        return;
    StartOperation(plan, memo, std::move(lock));
}

void TForm1::StartOperation(const TOperationPlan &plan, QPlainTextEdit *memo, std::unique_ptr<TCaLock> lock)
{
    memoLines_.value(memo)->Clear();
    auto op = std::make_shared<TOperationRun>();
    op->memo = memo;
    op->plan = plan;
    op->before = StampOf(plan.result);
    op->lock = std::move(lock);
    op->run = new TConsoleCommand(this);
    TConsoleCommand *run = op->run;
    PrepareOperationRun(*run, plan);
    run->SetErrorReporter([this, op](const QString &message) {
        op->startFailureShown = true;
        boxes_->Error(ErrorBoxText(message));
    });
    run->SetOutputLines(memoLines_.value(memo));
    // Called on the worker thread: the outcome is judged on the UI thread, once every
    // line has been shown.
    run->SetOnTerminated([this, run](TConsoleCommand *, quint32 exitCode) {
        QMetaObject::invokeMethod(
            this, [this, run, exitCode] { Guarded([&] { FinishOperation(run, exitCode); }); }, Qt::QueuedConnection);
    });
    operations_.append(op);
    try {
        run->Start();
    } catch (...) {
        operations_.removeOne(op);
        delete run;
        throw;
    }
    QueueOperationCommands(*run, plan);
}

void TForm1::FinishOperation(TConsoleCommand *run, quint32 exitCode)
{
    const auto it = std::find_if(operations_.begin(), operations_.end(), [run](const auto &op) { return op->run == run; });
    if (it == operations_.end())
        return;
    const std::shared_ptr<TOperationRun> op = *it;
    operations_.erase(it);
    // The run has ended: release it now, not with the window. Its worker has left
    // OnTerminated, so the component's destructor does not wait.
    delete op->run;
    op->lock.reset();

    const QString failure = JudgeRun(op->plan, op->before, exitCode, op->memo->toPlainText().split(u'\n'));
    if (failure.isEmpty()) {
        boxes_->Message(op->plan.doneMessage);
        return;
    }
    qCWarning(lcOperations) << "operation on" << op->plan.ca << "failed with exit code" << exitCode << ":" << failure;
    if (!op->startFailureShown)
        boxes_->Error(ErrorBoxText(failure));
}
