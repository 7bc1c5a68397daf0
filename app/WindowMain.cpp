#include "cli/CommandLine.h"
#include "QtTranslation.h"
#include "Unit1.h"

#include "console/ConsoleCommand.h"
#include "pki/Texts.h"
#include "settings/ProgramDir.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>

namespace {

// Drawn for each size rather than scaled, so the small ones stay sharp.
QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tarvik-%1.png").arg(size), QSize(size, size));
    return icon;
}

int Refuse(const QString &message)
{
    std::fprintf(stderr, "tarvik : %s\nUsage : tarvik [--dir RÉPERTOIRE]\n", qUtf8Printable(message));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    // A bad --dir is said before Qt looks for a display, which a terminal may not have.
    // Qt's own options (-platform …) make the early reading fail: they wait for Qt's.
    {
        const QStringList raw = RawArguments(argc, argv);
        if (IsCommandLineUse(raw))
            return RunCommandLine(argc, argv);
        const TCommandLine early = ParseCommandLine(raw);
        if (early.hasDir && early.error.isEmpty()) {
            const TProgramDir chosen = ChooseProgramDir(QString(), early, QString());
            if (!chosen.error.isEmpty())
                return Refuse(chosen.error);
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    // No display name: the window manager would append it to every box's title.
    // Ties the window to the menu entry, so the task bar shows the entry's icon and name.
    QApplication::setDesktopFileName(QStringLiteral(TARVIK_APP_ID));
    QApplication::setWindowIcon(ProgramIcon());
    InstallQtFrench();

    const TProgramDir chosen =
        ChooseProgramDir(QCoreApplication::applicationDirPath(), ParseCommandLine(QCoreApplication::arguments()),
                         UserDataDir(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()));
    if (!chosen.error.isEmpty())
        return Refuse(chosen.error);
    // The CA paths in command lines and configuration files are relative: they must
    // name the directories of the program directory however it was started.
    if (!QDir::setCurrent(chosen.dir))
        return Refuse(Texts::CannotEnterDir(chosen.dir));

    int result = 0;
    {
        TForm1 form(chosen.dir, std::make_unique<TQtBoxes>());
        form.show();
        result = app.exec();
    }
    // Workers of runs stopped with the window kill their children and end on their own.
    TConsoleCommand::WaitForAllWorkers(5000);
    return result;
}
