#pragma once
#include <QString>
#include <QtGlobal>
#include <functional>

class TConsoleCommand;

// The interpreter that every certificate operation runs: a POSIX shell that echoes each
// line it reads, so the pane shows every command right before its output.
inline constexpr const char *kCommandInterpreter = "/bin/sh -v";

// Exit status of a child that still runs, and the exit code reported for a child that was
// killed or never started; no real exit status (0..255, 128 + signal) can take this value.
inline constexpr quint32 kStillActive = 259;

// Enumerations keep the Windows ordinals, each stored in one byte.
enum TOutputType : quint8 { otEntireLine, otBeginningOfLine };

enum TReturnCode : quint8 { rcCRLF, rcLF };

enum TShowWindow : quint8 {
    swHIDE,
    swMAXIMIZE,
    swMINIMIZE,
    swRESTORE,
    swSHOW,
    swSHOWDEFAULT,
    swSHOWMAXIMIZED,
    swSHOWMINIMIZED,
    swSHOWMINNOACTIVE,
    swSHOWNA,
    swSHOWNOACTIVATE,
    swSHOWNORMAL
};

enum TCreationFlag : quint8 {
    fCREATE_DEFAULT_ERROR_MODE,
    fCREATE_NEW_CONSOLE,
    fCREATE_NEW_PROCESS_GROUP,
    fCREATE_SEPARATE_WOW_VDM,
    fCREATE_SHARED_WOW_VDM,
    fCREATE_SUSPENDED,
    fCREATE_UNICODE_ENVIRONMENT,
    fDEBUG_PROCESS,
    fDEBUG_ONLY_THIS_PROCESS,
    fDETACHED_PROCESS
};

// Stage reached by the latest run, or how it ended. A failed run ends on the odd value
// after the stage it reached.
enum TRunStatus : quint8 {
    rsPreparing = 0,
    rsPrepareFailed = 1,
    rsOpeningPipes = 2,
    rsPipesFailed = 3,
    rsStartingProcess = 4,
    rsStartFailed = 5,
    rsRunning = 6,
    rsRunFailed = 7,
    rsExited = 8,
    rsStopped = 9,
    rsTimedOut = 10
};

// Windows values of the show modes and creation flags. This platform always gives the
// child its own session, so they are kept as data only.
quint32 PlatformShowMode(TShowWindow mode);
quint32 PlatformCreationFlag(TCreationFlag flag);

// Line ends that QueueInputLine appends.
const char *LineEndBytes(TReturnCode code);

using TNewLineEvent =
    std::function<void(TConsoleCommand *Sender, const QString &NewLine, TOutputType OutputType)>;
using TTerminateEvent = std::function<void(TConsoleCommand *Sender, quint32 ExitCode)>;
