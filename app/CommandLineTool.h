#pragma once
#include <QStringList>

// Tarvik without its window, for a terminal, a timer or a monitoring system:
// `tarvik crl CA`, `tarvik expiry [CA…]`, `--help`, `--version`. Nothing of the GUI
// starts, so no display is needed.

// True when the arguments (the program first) name a command or ask for help or the
// version rather than the window.
bool IsCommandLineUse(const QStringList &arguments);

// Runs the command and answers the exit status.
int RunCommandLine(int argc, char **argv);
