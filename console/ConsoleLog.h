#pragma once
#include <QLoggingCategory>

// Failures of console runs that no one else reports (a failed delivery, a lost child).
Q_DECLARE_LOGGING_CATEGORY(lcConsole)
