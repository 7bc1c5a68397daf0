#pragma once
#include "pki/Operation.h"

class TConsoleCommand;

// A console run set up for an operation's plan, the same for the window and for
// `tarvik crl`: the interpreter, its line ends and the secrets in its environment.
void PrepareOperationRun(TConsoleCommand &run, const TOperationPlan &plan);
// The plan's commands, queued once the run has started.
void QueueOperationCommands(TConsoleCommand &run, const TOperationPlan &plan);
