#include "Unit1.h"

#include "console/ConsoleCommand.h"

#include <QApplication>
#include <QDir>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tarvik"));

    // The CA paths in command lines and configuration files are relative: they must
    // name the directories beside the program however it was started.
    const QString progDir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    QDir::setCurrent(progDir);

    int result = 0;
    {
        TForm1 form(progDir, std::make_unique<TQtBoxes>());
        form.show();
        result = app.exec();
    }
    // Workers of runs stopped with the window kill their children and end on their own.
    TConsoleCommand::WaitForAllWorkers(5000);
    return result;
}
