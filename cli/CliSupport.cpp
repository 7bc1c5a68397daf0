#include "cli/CliSupport.h"

#include "cli/OperationRun.h"
#include "common/Exception.h"
#include "console/ConsoleCommand.h"
#include "pki/CaLayout.h"
#include "pki/CaLock.h"
#include "pki/CaName.h"
#include "pki/PemDates.h"
#include "pki/Texts.h"
#include "settings/CaSettings.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

Q_LOGGING_CATEGORY(lcCommandLine, "tarvik.commandline")

namespace {

QString &CallerDir()
{
    static QString dir;
    return dir;
}

// A pass phrase is one line; anything much longer is not the file meant.
constexpr qint64 kMaxSecretFileBytes = 4096;

// The file's first line, once it is known to be a plain file of the user's alone. Opened
// without blocking, so that a FIFO is refused instead of waiting for a writer.
bool ReadSecretFile(const QString &file, QString *secret, QString *error)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        *error = Texts::PassphraseFileUnreadable(file, qt_error_string(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode))
        *error = Texts::PassphraseFileNotRegular(file);
    else if (st.st_uid != ::geteuid())
        *error = Texts::PassphraseFileNotYours(file);
    else if (st.st_mode & (S_IRWXG | S_IRWXO))
        *error = Texts::PassphraseFileOpen(file, st.st_mode & 07777);
    else if (st.st_size > kMaxSecretFileBytes)
        *error = Texts::PassphraseFileTooLarge(file, kMaxSecretFileBytes / 1024);
    QFile in;
    if (error->isEmpty() && !in.open(fd, QIODevice::ReadOnly))
        *error = Texts::PassphraseFileUnreadable(file, in.errorString());
    if (error->isEmpty())
        *secret = QString::fromUtf8(in.readLine()).remove(u'\n').remove(u'\r');
    in.close();
    ::close(fd);
    return error->isEmpty();
}

// Read from the terminal with its echo off, as passwd does. False without a terminal.
bool PromptSecret(const QString &prompt, QString *secret)
{
    termios saved;
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &saved) != 0)
        return false;
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    Print(stderr, prompt);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    QFile in;
    const bool opened = in.open(stdin, QIODevice::ReadOnly);
    const QByteArray line = opened ? in.readLine() : QByteArray();
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    Print(stderr, QStringLiteral("\n"));
    *secret = QString::fromUtf8(line).remove(u'\n');
    return opened;
}

QByteArray ReadAnswerLine()
{
    QFile in;
    return in.open(stdin, QIODevice::ReadOnly) ? in.readLine().trimmed() : QByteArray();
}

// The console run of the plan, its lines printed as they come. Answers its exit code, or
// false when the interpreter could not be started (already said).
bool RunPlan(const TOperationPlan &plan, const QList<int> &locks, quint32 *exitCode, QStringList *lines)
{
    TConsoleCommand run(nullptr);
    PrepareOperationRun(run, plan, locks);
    bool started = true;
    run.SetErrorReporter([&started](const QString &message) {
        started = false;
        Complain(message);
    });
    run.SetOnNewLine([](TConsoleCommand *, const QString &line, TOutputType type) {
        if (type == otEntireLine)
            Print(stdout, line + u'\n');
    });
    *exitCode = kStillActive;
    // Called on the worker once every line has been handed over: the loop ends after them.
    run.SetOnTerminated([exitCode](TConsoleCommand *, quint32 code) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [exitCode, code] {
                *exitCode = code;
                QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    });
    try {
        run.Start();
    } catch (const std::exception &e) {
        qCWarning(lcCommandLine) << "the run could not start:" << e.what();
        Complain(Texts::RunNotStarted(plan.failure));
        return false;
    }
    QueueOperationCommands(run, plan);
    QCoreApplication::exec();
    *lines = run.CollectedLines();
    // The worker releases itself right after; it must be gone before the program ends.
    TConsoleCommand::WaitForAllWorkers(5000);
    if (!started)
        Complain(Texts::RunNotStarted(plan.failure));
    return started;
}

void RemoveEmptyDirectories(const QStringList &dirs)
{
    for (const QString &dir : dirs)
        if (!QDir().rmdir(dir))
            qCInfo(lcCommandLine) << "kept the folder" << dir;
}

} // namespace

void Print(FILE *stream, const QString &text)
{
    std::fputs(qUtf8Printable(text), stream);
    std::fflush(stream);
}

void Complain(const QString &message)
{
    Print(stderr, QStringLiteral("tarvik : %1\n").arg(message));
}

int Refuse(const QString &message)
{
    Complain(message);
    return kExitRefused;
}

QStringList CommandArguments(const QCommandLineParser &p)
{
    return p.positionalArguments().mid(1);
}

void RememberCallerDir()
{
    CallerDir() = QDir::currentPath();
}

QString CallerPath(const QString &path)
{
    return path.isEmpty() || CallerDir().isEmpty() ? path : QDir(CallerDir()).absoluteFilePath(path);
}

QCommandLineOption YesOption()
{
    return {QStringLiteral("yes"), Texts::YesOptionHelp};
}

QCommandLineOption DaysOption(const QString &defaultDays)
{
    QCommandLineOption days(QStringLiteral("days"), Texts::DaysOptionHelp, QStringLiteral("N"));
    if (!defaultDays.isEmpty())
        days.setDefaultValue(defaultDays);
    return days;
}

QCommandLineOption PassphraseFileOption()
{
    return {QStringLiteral("passphrase-file"), Texts::PassphraseFileOptionHelp, QStringLiteral("FICHIER")};
}

QCommandLineOption JsonOption()
{
    return {QStringLiteral("json"), Texts::JsonOptionHelp};
}

QList<QCommandLineOption> ExportOptions()
{
    return {{QStringLiteral("export-password-file"), Texts::ExportPasswordFileOptionHelp, QStringLiteral("FICHIER")},
            {QStringLiteral("aes"), Texts::AesOptionHelp},
            {QStringLiteral("compatible"), Texts::CompatibleOptionHelp}};
}

QList<QCommandLineOption> Options(const QList<QList<QCommandLineOption>> &groups)
{
    QList<QCommandLineOption> all;
    for (const auto &group : groups)
        all += group;
    return all;
}

bool ReadSecret(const QCommandLineParser &p, const TSecretSource &source, QString *secret, QString *error)
{
    if (qEnvironmentVariableIsSet(qPrintable(source.envVar))) {
        *secret = qEnvironmentVariable(qPrintable(source.envVar));
    } else if (p.isSet(source.fileOption)) {
        if (!ReadSecretFile(CallerPath(p.value(source.fileOption)), secret, error))
            return false;
    } else if (!PromptSecret(source.prompt, secret)) {
        *error = Texts::NoSecret(source.envVar, source.fileOption);
        return false;
    } else if (QString again; source.confirm && !secret->isEmpty()
                              && (!PromptSecret(Texts::PromptAgain(source.prompt), &again) || again != *secret)) {
        *error = Texts::SecretsDiffer;
        return false;
    }
    if (secret->isEmpty())
        *error = Texts::EmptySecret(source.envVar, source.fileOption);
    return error->isEmpty();
}

TSecretSource CaPassphraseSource(const QString &ca, bool confirm)
{
    return {QStringLiteral("TARVIK_CA_PASS"), QStringLiteral("passphrase-file"), Texts::PassphrasePrompt(ca), confirm};
}

bool Confirmed(const QCommandLineParser &p, const QString &question)
{
    if (p.isSet(QStringLiteral("yes")))
        return true;
    if (!::isatty(STDIN_FILENO)) {
        Complain(question);
        Complain(Texts::QuestionUnanswered);
        return false;
    }
    Print(stderr, question + QStringLiteral(" [o/N] "));
    const QByteArray answer = ReadAnswerLine().toLower();
    return answer == "o" || answer == "oui" || answer == "y" || answer == "yes";
}

QString SettingsPathHere()
{
    return SettingsFilePath(QDir::currentPath() + u'/');
}

QString ConfiguredToolPath()
{
    const QString fallback = DefaultToolPath(QCoreApplication::applicationDirPath() + u'/');
    return TIniFile(SettingsPathHere()).ReadValue(SettingsKeys::Path, SettingsKeys::Tool, fallback);
}

QStringList RegisteredCas()
{
    QStringList cas;
    TIniFile(SettingsPathHere()).ListKeys(SettingsKeys::Domaine, cas);
    return cas;
}

QString CaRefusal(const QString &ca)
{
    if (!IsValidCaName(ca))
        return Texts::InvalidCaName;
    if (!RegisteredCas().contains(ca) || !QFileInfo(ca).isDir())
        return Texts::UnknownCa(ca, SettingsPathHere());
    return QString();
}

TOperationInput CaInput(TOperationKind kind, const QString &ca)
{
    const TIniFile settings(SettingsPathHere());
    const TCaFields fields = ReadCaSection(settings, ca);
    TOperationInput in;
    in.kind = kind;
    in.tool = ConfiguredToolPath();
    in.ca = ca;
    in.suffix = u'.' + ca;
    in.subject = {fields.country, fields.province, fields.city, fields.company, fields.service, fields.email};
    in.crlUrl = fields.crlUrl;
    in.keyType = KeyTypeFromValue(fields.keyType);
    in.days = fields.days;
    in.compatiblePkcs12 = settings.ReadValue(SettingsKeys::Path, SettingsKeys::CompatiblePkcs12, SettingsKeys::Selected)
                          != SettingsKeys::NotSelected;
    return in;
}

int RunOperation(const TOperationInput &in, const QCommandLineParser &p, const TRunOptions &options)
{
    if (const QString refusal = CaRefusal(in.ca); !refusal.isEmpty())
        return Refuse(refusal);
    if (const QString refusal = MissingFieldRefusal(in); !refusal.isEmpty())
        return Refuse(refusal);
    if (const QString refusal = InvalidNameRefusal(in); !refusal.isEmpty())
        return Refuse(refusal);
    std::vector<std::unique_ptr<TCaLock>> locks; // the issuer too, for a CA it signs
    for (const QString &ca : CasToLock(in)) {
        const TCaLock &lock = *locks.emplace_back(std::make_unique<TCaLock>(ca));
        if (lock.State() == TCaLock::Busy) {
            Complain(Texts::CaBusy);
            return kExitFailed;
        }
        if (lock.State() == TCaLock::Failed)
            return Refuse(Texts::CaLockFailed(lock.Error()));
        if (const QString message = FinishInterruptedCommits(ca); !message.isEmpty())
            Complain(message);
    }
    if (const QString refusal = RefusalBeforeRun(in); !refusal.isEmpty())
        return Refuse(refusal);
    const QDateTime caEnd = CertificateNotAfter(CaLayout::CaCert(in.ca));
    for (const QString &warning : WarningsBeforeIssue(in, caEnd, QDateTime::currentDateTimeUtc()))
        if (!Confirmed(p, warning))
            return kExitRefused;
    const TOperationPlan plan = PlanOperation(in);
    const bool earlier = std::any_of(plan.earlierResults.cbegin(), plan.earlierResults.cend(),
                                     [](const QString &path) { return QFileInfo::exists(path); });
    if (earlier && !options.replaceWithoutAsking && !Confirmed(p, plan.question))
        return kExitRefused;

    QStringList made;
    for (const QString &dir : plan.directories)
        if (QDir().mkdir(dir))
            made.prepend(dir);
    try {
        DiscardPending(plan);
        if (plan.writeFiles)
            plan.writeFiles();
    } catch (const Exception &e) {
        RemoveEmptyDirectories(made);
        Complain(e.Message());
        return kExitFailed;
    }
    const TFileStamp before = StampOf(plan.result);
    quint32 exitCode = 0;
    QStringList lines;
    const bool ran = RunPlan(plan, HeldDescriptors(locks), &exitCode, &lines);
    QString failure = ran ? JudgeRun(plan, before, exitCode, lines) : QString();
    if (ran && failure.isEmpty())
        failure = CommitResults(plan);
    if (!ran || !failure.isEmpty()) {
        if (!failure.isEmpty())
            Complain(failure);
        DiscardPending(plan);
        RemoveEmptyDirectories(made);
        qCWarning(lcCommandLine) << "operation on" << in.ca << "failed with exit code" << exitCode;
        return kExitFailed;
    }
    Print(stdout, plan.doneMessage + u'\n');
    return kExitDone;
}
