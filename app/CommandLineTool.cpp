#include "CommandLineTool.h"

#include "OperationRun.h"
#include "console/ConsoleCommand.h"
#include "pki/CaLayout.h"
#include "pki/CaLock.h"
#include "pki/CaName.h"
#include "pki/Expiry.h"
#include "pki/IndexFile.h"
#include "pki/Operation.h"
#include "pki/PemDates.h"
#include "pki/Texts.h"
#include "settings/CaSettings.h"
#include "settings/IniFile.h"
#include "settings/ProgramDir.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcCommandLine, "tarvik.commandline")

namespace {

// Exit statuses of a refused command, of a run that failed, as monitoring checks read them.
constexpr int kFailed = 1;
constexpr int kRefused = 2;

const QString kCrl = QStringLiteral("crl");
const QString kExpiry = QStringLiteral("expiry");

struct TArguments
{
    QString command; // crl, expiry, or empty for --help / --version
    bool help = false, version = false;
    TCommandLine dir;
    QStringList names;
    QString days = QString::number(kExpiryWarningDays);
    QString passphraseFile;
    QString error;
};

// An option's value, from "--opt=value" or from the next argument.
bool TakeValue(const QStringList &args, qsizetype &i, const QString &option, QString *value)
{
    const QString &arg = args[i];
    if (arg.startsWith(option + u'=')) {
        *value = arg.mid(option.size() + 1);
        return true;
    }
    if (arg != option)
        return false;
    *value = ++i < args.size() ? args[i] : QString();
    return true;
}

TArguments Parse(const QStringList &args)
{
    TArguments a;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        QString value;
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            a.help = true;
        } else if (arg == QStringLiteral("--version")) {
            a.version = true;
        } else if (TakeValue(args, i, QStringLiteral("--dir"), &value)) {
            a.dir = ParseCommandLine({QString(), QStringLiteral("--dir"), value}); // as the window reads it
        } else if (TakeValue(args, i, QStringLiteral("--days"), &a.days)
                   || TakeValue(args, i, QStringLiteral("--passphrase-file"), &a.passphraseFile)) {
            continue;
        } else if (arg.startsWith(u'-')) {
            a.error = Texts::UnknownOption(arg);
        } else if (a.command.isEmpty() && (arg == kCrl || arg == kExpiry)) {
            a.command = arg;
        } else if (a.command.isEmpty()) {
            a.error = Texts::UnknownCommand(arg);
        } else {
            a.names << arg;
        }
        if (!a.error.isEmpty())
            return a;
    }
    if (!a.dir.error.isEmpty())
        a.error = a.dir.error;
    else if (a.command == kCrl && a.names.size() != 1)
        a.error = Texts::CrlTakesOneCa;
    else if (bool ok = false; a.days.toInt(&ok) < 0 || !ok)
        a.error = Texts::BadDaysOption;
    else if (a.command != kCrl && !a.passphraseFile.isEmpty())
        a.error = Texts::PassphraseFileForCrlOnly;
    return a;
}

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
    return kRefused;
}

// The program directory made the working directory, as the window does: the CA paths are
// relative to it.
bool EnterProgramDir(const TCommandLine &dir, QString *error)
{
    const TProgramDir chosen =
        ChooseProgramDir(QCoreApplication::applicationDirPath(), dir,
                         UserDataDir(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()));
    *error = chosen.error;
    if (chosen.error.isEmpty() && !QDir::setCurrent(chosen.dir))
        *error = Texts::CannotEnterDir(chosen.dir);
    return error->isEmpty();
}

QStringList RegisteredCas()
{
    QStringList cas;
    TIniFile(SettingsFilePath(QDir::currentPath() + u'/')).ListKeys(SettingsKeys::Domaine, cas);
    return cas;
}

// Empty when the CA can be worked on; otherwise why not.
QString CaRefusal(const QString &ca)
{
    if (!IsValidCaName(ca))
        return Texts::InvalidCaName;
    if (!RegisteredCas().contains(ca) || !QFileInfo(ca).isDir())
        return Texts::UnknownCa(ca, QDir::currentPath());
    return QString();
}

// The pass phrase file's first line, once the file is known to be the user's alone.
bool ReadPassphraseFile(const QString &file, QString *passphrase, QString *error)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
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
    QFile in;
    if (error->isEmpty() && !in.open(fd, QIODevice::ReadOnly))
        *error = Texts::PassphraseFileUnreadable(file, in.errorString());
    if (error->isEmpty())
        *passphrase = QString::fromUtf8(in.readLine()).remove(u'\n').remove(u'\r');
    in.close();
    ::close(fd);
    return error->isEmpty();
}

// Asked on the terminal with its echo off, as passwd does.
bool PromptPassphrase(const QString &ca, QString *passphrase)
{
    termios saved;
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &saved) != 0)
        return false;
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    Print(stderr, Texts::PassphrasePrompt(ca));
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    QFile in;
    const bool opened = in.open(stdin, QIODevice::ReadOnly);
    const QByteArray line = opened ? in.readLine() : QByteArray();
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    Print(stderr, QStringLiteral("\n"));
    *passphrase = QString::fromUtf8(line).remove(u'\n');
    return opened;
}

bool ReadPassphrase(const TArguments &a, const QString &ca, QString *passphrase, QString *error)
{
    if (qEnvironmentVariableIsSet("TARVIK_CA_PASS"))
        *passphrase = qEnvironmentVariable("TARVIK_CA_PASS");
    else if (!a.passphraseFile.isEmpty())
        return ReadPassphraseFile(a.passphraseFile, passphrase, error);
    else if (!PromptPassphrase(ca, passphrase))
        *error = Texts::NoPassphrase;
    if (error->isEmpty() && passphrase->isEmpty())
        *error = Texts::EmptyPassphrase;
    return error->isEmpty();
}

QString ToolPath()
{
    const QString fallback = DefaultToolPath(QCoreApplication::applicationDirPath() + u'/');
    return TIniFile(SettingsFilePath(QDir::currentPath() + u'/')).ReadValue(SettingsKeys::Path, SettingsKeys::Tool, fallback);
}

// The console run of the plan, its lines printed as they come; answers its exit code.
quint32 RunPlan(const TOperationPlan &plan, const TCaLock &lock, QStringList *lines)
{
    TConsoleCommand run(nullptr);
    PrepareOperationRun(run, plan);
    run.SetInheritedDescriptor(lock.Descriptor());
    run.SetErrorReporter(Complain);
    run.SetOnNewLine([](TConsoleCommand *, const QString &line, TOutputType type) {
        if (type == otEntireLine)
            Print(stdout, line + u'\n');
    });
    quint32 exitCode = kStillActive;
    // Called on the worker once every line has been handed over: the loop ends after them.
    run.SetOnTerminated([&exitCode](TConsoleCommand *, quint32 code) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&exitCode, code] {
                exitCode = code;
                QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    });
    run.Start();
    QueueOperationCommands(run, plan);
    QCoreApplication::exec();
    *lines = run.CollectedLines();
    // The worker releases itself right after; it must be gone before the program ends.
    TConsoleCommand::WaitForAllWorkers(5000);
    return exitCode;
}

int PublishCrl(const TArguments &a)
{
    const QString ca = a.names.first();
    if (const QString refusal = CaRefusal(ca); !refusal.isEmpty())
        return Refuse(refusal);
    TOperationInput in;
    in.kind = TOperationKind::CrlPublication;
    in.tool = ToolPath();
    in.ca = ca;
    // The DER copy for clients is written where the CA names a distribution point.
    in.crlUrl = ReadCaSection(TIniFile(SettingsFilePath(QDir::currentPath() + u'/')), ca).crlUrl;
    if (const QString refusal = RefusalBeforeRun(in); !refusal.isEmpty())
        return Refuse(refusal);
    QString error;
    if (!ReadPassphrase(a, ca, &in.passphrase, &error))
        return Refuse(error);
    const TCaLock lock(ca);
    if (lock.State() == TCaLock::Busy) {
        Complain(Texts::CaBusy);
        return kFailed;
    }
    if (lock.State() == TCaLock::Failed)
        return Refuse(Texts::CaLockFailed(lock.Error()));

    const TOperationPlan plan = PlanOperation(in);
    try {
        plan.writeFiles();
    } catch (const Exception &e) {
        return Refuse(e.Message());
    }
    DiscardPending(plan);
    const TFileStamp before = StampOf(plan.result);
    QStringList lines;
    const quint32 exitCode = RunPlan(plan, lock, &lines);
    QString failure = JudgeRun(plan, before, exitCode, lines);
    if (failure.isEmpty())
        failure = CommitResults(plan);
    if (!failure.isEmpty()) {
        DiscardPending(plan);
        qCWarning(lcCommandLine) << "CRL of" << ca << "not published, exit code" << exitCode;
        Complain(failure);
        return kFailed;
    }
    Print(stdout, plan.doneMessage + u'\n');
    return 0;
}

TCaFacts FactsOf(const QString &ca)
{
    TCaFacts facts;
    facts.ca = ca;
    facts.caCertExists = QFileInfo::exists(CaLayout::CaCert(ca));
    facts.caNotAfter = CertificateNotAfter(CaLayout::CaCert(ca));
    facts.crlExists = QFileInfo::exists(CaLayout::Crl(ca));
    facts.crlNextUpdate = CrlNextUpdate(CaLayout::Crl(ca));
    try {
        facts.validLines = ReadIndexLists(ca).valid;
    } catch (const Exception &e) {
        facts.indexError = e.Message();
    }
    return facts;
}

int CheckExpiry(const TArguments &a)
{
    const QStringList cas = a.names.isEmpty() ? RegisteredCas() : a.names;
    if (cas.isEmpty())
        return Refuse(Texts::NoCas);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    int status = 0;
    for (const QString &ca : cas) {
        if (const QString refusal = CaRefusal(ca); !refusal.isEmpty()) {
            Print(stdout, Texts::CheckLine(ca, refusal) + u'\n');
            status = kRefused;
            continue;
        }
        const TCheckReport report = CheckCaExpiry(FactsOf(ca), a.days.toInt(), now);
        Print(stdout, report.lines.join(u'\n') + u'\n');
        status = std::max(status, report.status);
    }
    return status;
}

} // namespace

bool IsCommandLineUse(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QStringLiteral("--dir"))
            ++i; // its value may be any name, "crl" included
        else if (arg == kCrl || arg == kExpiry || arg == QStringLiteral("--help") || arg == QStringLiteral("-h")
                 || arg == QStringLiteral("--version"))
            return true;
    }
    return false;
}

int RunCommandLine(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const TArguments a = Parse(QCoreApplication::arguments());
    if (!a.error.isEmpty())
        return Refuse(Texts::Usage(a.error));
    if (a.help || a.version) {
        Print(stdout, a.help ? Texts::Help : Texts::Version(QStringLiteral(TARVIK_VERSION)));
        return 0;
    }
    QString error;
    if (!EnterProgramDir(a.dir, &error))
        return Refuse(error);
    return a.command == kCrl ? PublishCrl(a) : CheckExpiry(a);
}
