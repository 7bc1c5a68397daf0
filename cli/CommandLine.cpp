#include "cli/CommandLine.h"

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "pki/Texts.h"
#include "settings/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSet>

namespace {

const QString kDir = QStringLiteral("dir");

// Qt's own options that the window accepts, with and without a value.
const QSet<QString> kQtValueOptions = {
    QStringLiteral("-platform"), QStringLiteral("-platformpluginpath"), QStringLiteral("-platformtheme"),
    QStringLiteral("-plugin"),   QStringLiteral("-qwindowgeometry"),    QStringLiteral("-qwindowicon"),
    QStringLiteral("-qwindowtitle"), QStringLiteral("-session"),        QStringLiteral("-display"),
    QStringLiteral("-geometry"), QStringLiteral("-title"),              QStringLiteral("-style"),
    QStringLiteral("-stylesheet")};
const QSet<QString> kQtFlags = {QStringLiteral("-reverse"), QStringLiteral("-widgetcount"), QStringLiteral("-nograb"),
                                QStringLiteral("-dograb"), QStringLiteral("-sync")};

QList<QCommandLineOption> GlobalOptions()
{
    return {{kDir, Texts::DirOptionHelp, QStringLiteral("RÉPERTOIRE")},
            {{QStringLiteral("h"), QStringLiteral("help")}, Texts::HelpOptionHelp},
            {QStringLiteral("version"), Texts::VersionOptionHelp}};
}

// The first argument that is neither an option nor the value of --dir.
qsizetype CommandIndex(const QStringList &args)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--dir"))
            ++i; // its value may be any name, "crl" included
        else if (!args[i].startsWith(u'-'))
            return i;
    }
    return -1;
}

QString OptionName(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

QString OptionLines(const QList<QCommandLineOption> &options)
{
    QString text;
    for (const QCommandLineOption &o : options) {
        QString names;
        for (const QString &name : o.names())
            names += (names.isEmpty() ? QString() : QStringLiteral(", ")) + OptionName(name);
        if (!o.valueName().isEmpty())
            names += u' ' + o.valueName();
        text += QStringLiteral("  %1 %2\n").arg(names, -30).arg(o.description());
    }
    return text;
}

QString GeneralHelp()
{
    QString commands;
    for (const TCliCommand &c : AllCommands())
        commands += QStringLiteral("  %1 %2\n").arg(c.name, -8).arg(c.summary);
    return Texts::Help(commands, OptionLines(GlobalOptions()));
}

// QCommandLineParser words its errors in English; the option they are about is quoted.
QString FrenchParseError(const QCommandLineParser &parser)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        return Texts::UnknownOption(OptionName(name));
    }
    const QRegularExpressionMatch quoted = QRegularExpression(QStringLiteral("'([^']*)'")).match(parser.errorText());
    return Texts::BadOptionValue(quoted.hasMatch() ? quoted.captured(1) : parser.errorText());
}

bool EnterProgramDir(const QCommandLineParser &parser, bool readOnly, QString *error)
{
    TCommandLine dir = parser.isSet(kDir) ? ParseCommandLine({QString(), QStringLiteral("--dir"), parser.value(kDir)})
                                          : TCommandLine();
    dir.readOnly = readOnly;
    *error = dir.error;
    if (!error->isEmpty())
        return false;
    const TProgramDir chosen = ChooseProgramDir(QCoreApplication::applicationDirPath(), dir,
                                                UserDataDir(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()));
    *error = chosen.error;
    if (chosen.error.isEmpty() && !QDir::setCurrent(chosen.dir))
        *error = Texts::CannotEnterDir(chosen.dir);
    return error->isEmpty();
}

int RunCommand(const TCliCommand &command, const QStringList &args)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(GlobalOptions());
    parser.addOptions(command.options);
    if (!parser.parse(args))
        return Refuse(Texts::Usage(FrenchParseError(parser)));
    if (parser.isSet(QStringLiteral("help"))) {
        Print(stdout, Texts::CommandHelp(command.name, command.synopsis, command.summary,
                                         OptionLines(command.options + GlobalOptions())));
        return kExitDone;
    }
    const qsizetype count = CommandArguments(parser).size();
    if (count < command.minArguments || (command.maxArguments >= 0 && count > command.maxArguments))
        return Refuse(Texts::CommandUsage(command.name, command.synopsis));
    QString error;
    if (!EnterProgramDir(parser, command.readsOnly, &error))
        return Refuse(error);
    // A report writes nothing, not even what a crash left unfinished.
    if (!command.readsOnly)
        for (const QString &message : FinishInterruptedCommitsOf(RegisteredCas()))
            Complain(message);
    return command.run(parser);
}

} // namespace

bool IsCommandLineUse(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QStringLiteral("--dir") || kQtValueOptions.contains(arg))
            ++i;
        else if (!arg.startsWith(QStringLiteral("--dir=")) && !kQtFlags.contains(arg))
            return true; // a command, help, or an option only the command line can refuse
    }
    return false;
}

QStringList RawArguments(int argc, char **argv)
{
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    return raw;
}

int RunCommandLine(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Every failure is told in French; the log's English lines only when asked for.
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    RememberCallerDir();
    const QStringList args = QCoreApplication::arguments();
    const qsizetype at = CommandIndex(args);
    if (at < 0) {
        QCommandLineParser parser;
        parser.addOptions(GlobalOptions());
        if (!parser.parse(args))
            return Refuse(Texts::Usage(FrenchParseError(parser)));
        if (parser.isSet(QStringLiteral("version"))) {
            Print(stdout, Texts::Version(QStringLiteral(TARVIK_VERSION)));
            return kExitDone;
        }
        if (parser.isSet(QStringLiteral("help"))) {
            Print(stdout, GeneralHelp());
            return kExitDone;
        }
        return Refuse(Texts::Usage(Texts::NoCommand));
    }
    for (const TCliCommand &command : AllCommands())
        if (command.name == args[at])
            return RunCommand(command, args);
    return Refuse(Texts::Usage(Texts::UnknownCommand(args[at])));
}
