#pragma once
#include <QStringList>

// Tarvik without its window, for a terminal, a script, a timer or a monitoring system:
// `tarvik COMMAND …`. Nothing of the GUI starts, so no display is needed.

// True when the arguments (the program first) are anything but what the window takes
// (--dir and Qt's own options): a command, help, or a mistake the command line refuses.
bool IsCommandLineUse(const QStringList &arguments);
// The arguments as given, before Qt has read them.
QStringList RawArguments(int argc, char **argv);

// Parses the arguments, runs the command and answers the exit status.
int RunCommandLine(int argc, char **argv);
