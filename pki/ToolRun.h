#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// The tool run once and waited for, without a shell, for what the program must know
// before it plans an operation (a request's content, a certificate's names).
struct TToolAnswer
{
    bool ran = false; // started and ended normally, in time
    int exitCode = -1;
    QString output, errors;
};

// environment holds "NAME=value" entries added to the program's own, for secrets the tool
// reads with env:.
TToolAnswer RunTool(const QString &tool, const QStringList &args, const QByteArray &input = QByteArray(),
                    int timeoutMs = 15000, const QStringList &environment = {});
