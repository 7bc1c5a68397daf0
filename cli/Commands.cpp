#include "cli/Commands.h"

QList<TCliCommand> AllCommands()
{
    return {CaCommand(),    ServerCommand(), UserCommand(), SignCommand(), RenewCommand(),
            RevokeCommand(), CrlCommand(),   ListCommand(), ExpiryCommand(), ImportCommand(),
            TrustCommand()};
}
