#include "pki/ToolRun.h"

#include <QLoggingCategory>
#include <QProcess>

Q_LOGGING_CATEGORY(lcToolRun, "tarvik.tool")

TToolAnswer RunTool(const QString &tool, const QStringList &args, const QByteArray &input, int timeoutMs,
                    const QStringList &environment)
{
    TToolAnswer answer;
    QProcess process;
    if (!environment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &entry : environment)
            env.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        process.setProcessEnvironment(env);
    }
    process.start(tool, args);
    if (!process.waitForStarted(timeoutMs)) {
        qCWarning(lcToolRun) << "could not start" << tool << process.errorString();
        return answer;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        qCWarning(lcToolRun) << tool << "did not answer in time; stopped";
        process.kill();
        process.waitForFinished(1000);
        return answer;
    }
    answer.ran = process.exitStatus() == QProcess::NormalExit;
    answer.exitCode = process.exitCode();
    answer.output = QString::fromUtf8(process.readAllStandardOutput());
    answer.errors = QString::fromUtf8(process.readAllStandardError());
    return answer;
}
