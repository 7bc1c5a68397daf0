#pragma once
#include <QStringList>

// Splits a command line into program and arguments as a POSIX shell splits simple words:
// blanks separate words; single quotes keep everything literally; double quotes keep
// blanks, and a backslash in them escapes only $ ` " \ and a newline; outside quotes a
// backslash escapes the next character. No expansion of any kind takes place.
QStringList SplitCommandLine(const QString &commandLine);
