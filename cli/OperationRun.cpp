#include "OperationRun.h"

#include "console/ConsoleCommand.h"

namespace {
// The shell stops at the first command that fails, so nothing is made from what a failed
// step left behind (an export of an older certificate, a CRL after a failed revocation).
const QString kOperationInterpreter = QString::fromLatin1(kCommandInterpreter) + QStringLiteral(" -e");
} // namespace

void PrepareOperationRun(TConsoleCommand &run, const TOperationPlan &plan, const QList<int> &lockDescriptors)
{
    run.SetInheritedDescriptors(lockDescriptors);
    run.SetCommandLine(kOperationInterpreter);
    // A POSIX shell takes a CR as part of the last word.
    run.SetReturnCode(rcLF);
    run.SetEnvironment(plan.environment);
}

void QueueOperationCommands(TConsoleCommand &run, const TOperationPlan &plan)
{
    for (const QString &line : plan.commands)
        run.QueueInputLine(line, true);
}
