#pragma once
#include "common/Exception.h"

// A pipe of a run cannot be opened.
class TCreatePipeError : public Exception
{
public:
    using Exception::Exception;
};

// The child process cannot be started; the message is "{command line} doesn't exist.".
class TCreateProcessError : public Exception
{
public:
    explicit TCreateProcessError(const QString &commandLine)
        : Exception(commandLine + QStringLiteral(" doesn't exist."))
    {
    }
};
