#pragma once
#include "pki/Operation.h"

class TConsoleCommand;

// A console run set up for an operation's plan, the same for the window and for
// `tarvik crl`: the interpreter, its line ends and the secrets in its environment.
// Every process of the run inherits the CA locks, so that a tool outliving a killed Tarvik
// still keeps the next operation off the CA.
void PrepareOperationRun(TConsoleCommand &run, const TOperationPlan &plan, const QList<int> &lockDescriptors);
// The plan's commands, queued once the run has started.
void QueueOperationCommands(TConsoleCommand &run, const TOperationPlan &plan);
