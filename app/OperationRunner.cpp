// Running an operation's plan through a console run, and reporting how it really ended.
#include "MemoLines.h"
#include "Unit1.h"
#include "ui_Unit1.h"

#include "IssuerChoice.h"
#include "cli/OperationRun.h"
#include "console/ConsoleCommand.h"
#include "pki/CaLock.h"
#include "pki/CaLayout.h"
#include "pki/PemDates.h"
#include "pki/Texts.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcOperations, "tarvik.operations")

namespace {

// Folders made for a run that failed, when nothing else went into them.
void RemoveEmptyDirectories(const QStringList &dirs)
{
    for (const QString &dir : dirs)
        if (!QDir().rmdir(dir))
            qCInfo(lcOperations) << "kept the folder" << dir;
}

} // namespace

struct TForm1::TOperationRun
{
    TConsoleCommand *run = nullptr;
    QPlainTextEdit *memo = nullptr;
    TOperationPlan plan;
    TFileStamp before;
    QStringList madeDirectories; // removed again, when empty, if the run fails
    std::vector<std::unique_ptr<TCaLock>> locks; // also keep `tarvik crl` off the CAs
    bool startFailureShown = false;
    std::optional<TRenewed> renewed; // the certificate this run issues the successor of
};

void TForm1::closeEvent(QCloseEvent *event)
{
    if (!operations_.isEmpty() && !boxes_->Confirm(Texts::QuitWhileRunning, TDefaultButton::Cancel)) {
        event->ignore();
        return;
    }
    // A run that ended while the question was open is told before the window goes.
    boxes_->ShowWaiting();
    QMainWindow::closeEvent(event);
}

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
    return !TypedCaRefused() && !Refused(CaName().isEmpty() ? Texts::NoCaSelected : QString());
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

bool TForm1::PaneInUse(const QPlainTextEdit *memo) const
{
    return std::any_of(operations_.cbegin(), operations_.cend(), [memo](const auto &op) { return op->memo == memo; });
}

void TForm1::ShowBusyButtons()
{
    const std::pair<const QPlainTextEdit *, QList<QPushButton *>> pages[] = {
        {ui->cxMemo1, {ui->cxButton6}},
        {ui->cxMemo2, {ui->cxButton14, ui->btSignCsrSrv}},
        {ui->cxMemo3, {ui->cxButton15, ui->btSignCsrUsr}},
        {ui->cxMemo4, {ui->cxButton16, ui->btPublishCrl}},
    };
    for (const auto &[memo, buttons] : pages)
        for (QPushButton *button : buttons)
            button->setEnabled(!PaneInUse(memo));
}

void TForm1::RunOperation(const TOperationInput &in, QPlainTextEdit *memo, bool revocationAsked)
{
    if (!CaSelected() || Refused(MissingFieldRefusal(in)) || Refused(InvalidNameRefusal(in))
        || !OperationFree(in.ca, memo))
        return;
    std::vector<std::unique_ptr<TCaLock>> locks;
    for (const QString &ca : CasToLock(in)) {
        auto lock = std::make_unique<TCaLock>(ca);
        if (lock->State() == TCaLock::Failed)
            qCWarning(lcOperations) << "CA" << ca << "could not be locked:" << lock->Error();
        if (Refused(lock->State() == TCaLock::Busy ? Texts::CaBusy : QString()))
            return;
        if (lock->State() == TCaLock::Held)
            Refused(FinishInterruptedCommits(ca));
        locks.push_back(std::move(lock));
    }
    if (Refused(RefusalBeforeRun(in)))
        return;
    // A revocation cannot be taken back.
    if (in.kind == TOperationKind::Revocation && !revocationAsked)
        if (const QString question = RevocationQuestion(in.ca, in.serial);
            !question.isEmpty() && !boxes_->Confirm(question, TDefaultButton::Cancel))
            return;
    const QDateTime caEnd = CertificateNotAfter(CaLayout::CaCert(in.ca));
    for (const QString &warning : WarningsBeforeIssue(in, caEnd, QDateTime::currentDateTimeUtc()))
        if (!boxes_->Confirm(warning, TDefaultButton::Ok))
            return;
    const TOperationPlan plan = PlanOperation(in);
    // Asked before anything is written: Annuler leaves the CA as it was.
    const bool earlier = std::any_of(plan.earlierResults.cbegin(), plan.earlierResults.cend(),
                                     [](const QString &path) { return QFileInfo::exists(path); });
    if (earlier && !boxes_->Confirm(plan.question, TDefaultButton::Cancel))
        return;
    QStringList made;
    for (const QString &dir : plan.directories)
        // An existing one is fine; the tool reports any other trouble. A certificate's
        // folder holds its key: the owner's alone, as the CA's folders.
        if (QDir().mkdir(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
            made.prepend(dir);
    try {
        // What an earlier run left under the pending names must not pass for this run's
        // work; the plan's own files may be among them.
        DiscardPending(plan);
        if (plan.writeFiles)
            plan.writeFiles();
        std::optional<TRenewed> renewed;
        if (renewing_ && renewing_->SucceededBy(in))
            renewed = renewing_;
        StartOperation(plan, memo, made, std::move(locks), renewed);
    } catch (...) {
        RemoveEmptyDirectories(made);
        throw;
    }
}

void TForm1::StartOperation(const TOperationPlan &plan, QPlainTextEdit *memo, const QStringList &madeDirectories,
                            std::vector<std::unique_ptr<TCaLock>> locks, std::optional<TRenewed> renewed)
{
    memoLines_.value(memo)->Clear();
    auto op = std::make_shared<TOperationRun>();
    op->memo = memo;
    op->plan = plan;
    op->before = StampOf(plan.result);
    op->madeDirectories = madeDirectories;
    op->locks = std::move(locks);
    op->renewed = std::move(renewed);
    op->run = new TConsoleCommand(this);
    TConsoleCommand *run = op->run;
    PrepareOperationRun(*run, plan, HeldDescriptors(op->locks));
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
    ShowBusyButtons();
    try {
        run->Start();
    } catch (...) {
        operations_.removeOne(op);
        ShowBusyButtons();
        delete run;
        DiscardPending(plan);
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
    ShowBusyButtons();
    const QStringList lines = op->run->CollectedLines();
    // The run has ended: release it now, not with the window. Its worker has left
    // OnTerminated, so the component's destructor does not wait.
    delete op->run;
    // The locks go with op, once the results are committed.

    QString failure = JudgeRun(op->plan, op->before, exitCode, lines);
    if (failure.isEmpty())
        failure = CommitResults(op->plan);
    if (failure.isEmpty()) {
        // Committed: the CA is free for what the user answers next.
        op->locks.clear();
        if (op->renewed)
            renewing_.reset();
        // The revocation page shows the CA's database and CRL, which the run has just changed.
        if (op->plan.ca == CaName() && ui->cxPageControl1->currentWidget() == ui->cxTabSheet5)
            cxTabSheet5Show();
        boxes_->WhenNoBoxOpen([this, message = op->plan.doneMessage, renewed = op->renewed] {
            boxes_->Message(message);
            if (renewed)
                Guarded([this, &renewed] { OfferToRevoke(*renewed); });
        });
        return;
    }
    DiscardPending(op->plan);
    RemoveEmptyDirectories(op->madeDirectories);
    qCWarning(lcOperations) << "operation on" << op->plan.ca << "failed with exit code" << exitCode << ":" << failure;
    if (!op->startFailureShown)
        boxes_->WhenNoBoxOpen([this, text = ErrorBoxText(failure)] { boxes_->Error(text); });
}

void TForm1::OfferToRevoke(const TRenewed &renewed)
{
    // The revocation works on the selected CA, with the page's pass phrase.
    if (renewed.ca != CaName() || !boxes_->Confirm(RevokeReplacedQuestion(renewed), TDefaultButton::Cancel))
        return;
    TOperationInput in = OperationInput(TOperationKind::Revocation, ui->cxMaskEdit4);
    in.serial = renewed.old.serial;
    RunOperation(in, ui->cxMemo4, true);
}
