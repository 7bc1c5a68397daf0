#pragma once
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

#include <functional>

// The commands of `tarvik COMMAND …`. A command family has its own file and a line in
// AllCommands().
struct TCliCommand
{
    QString name;
    QString synopsis; // its arguments and options, for the usage line
    QString summary;  // one French sentence for the help
    QList<QCommandLineOption> options;
    int minArguments = 0, maxArguments = 0; // after the name; -1: any number
    // Called in the program directory; answers the exit status.
    std::function<int(const QCommandLineParser &)> run;
    bool readsOnly = false; // a report: works in a directory it cannot write
};

QList<TCliCommand> AllCommands();

// cli/CaCommand.cpp
TCliCommand CaCommand();
// cli/CertificateCommands.cpp
TCliCommand ServerCommand();
TCliCommand UserCommand();
TCliCommand SignCommand();
TCliCommand RenewCommand();
// cli/RevocationCommands.cpp
TCliCommand RevokeCommand();
TCliCommand CrlCommand();
// cli/ReportCommands.cpp
TCliCommand ListCommand();
TCliCommand ExpiryCommand();
// cli/TrustCommand.cpp
TCliCommand TrustCommand();
// cli/ImportCommand.cpp
TCliCommand ImportCommand();
