#pragma once
#include <QString>
#include <QStringList>

// The program directory holds tarvik.ini and every CA; its path ends with '/'.
// A copy run from its build directory or an unpacked folder keeps them beside its
// executable, an installed copy in the user's data directory, and `--dir DIR`
// names any other directory.

struct TCommandLine
{
    bool hasDir = false;
    QString dir;
    QString error; // French, empty when the arguments are usable
    // Only read, by a report: the directory need not take new files, nor is it made.
    bool readOnly = false;
};

// Reads `--dir DIR` or `--dir=DIR` from the arguments left by QApplication (the
// first one is the program).
TCommandLine ParseCommandLine(const QStringList &arguments);

// True for the layout that `cmake --install` and the package make: the executable
// in {prefix}/bin with {prefix}/share/applications/{app id}.desktop beside it. A
// build directory or an unpacked folder has no such entry.
bool IsInstalledCopy(const QString &exeDir);

// $XDG_DATA_HOME/tarvik/ when that variable holds an absolute path, else
// {home}/.local/share/tarvik/, as the XDG base directory rules say.
QString UserDataDir(const QString &xdgDataHome, const QString &home);

struct TProgramDir
{
    QString dir;   // ends with '/'; empty when error is set
    QString error; // French
};

// Chooses the program directory and makes sure it can be used. The user's data
// directory is created with mode 0700 (CA keys go below it); a directory named by
// --dir must already exist and take new files; a refused one creates nothing.
TProgramDir ChooseProgramDir(const QString &exeDir, const TCommandLine &commandLine, const QString &userDataDir);
