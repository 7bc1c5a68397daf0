#pragma once
#include <QByteArray>
#include <QString>

// Reads a whole file the tool wrote, refusing anything but a regular file without ever
// waiting: a FIFO or a device in its place would freeze the window. Answers false with
// *error set: an errno value, or ENOTREG for a file that is not a regular one (or is
// larger than maxBytes, when that is not negative).
inline constexpr int ENOTREG = -1;
bool ReadRegularFile(const QString &path, QByteArray &data, int *error, qint64 maxBytes = -1);
