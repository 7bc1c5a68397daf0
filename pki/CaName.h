#pragma once
#include <QString>

// The rules for every name the user types that becomes a path, a settings section, a
// DNS name or a serial. A name that breaks its rule is refused before anything is
// written, created or started.

// A CA name serves as a directory name, a settings section and a domain suffix.
bool IsValidCaName(const QString &name);
// The host part of a server's name: DNS labels, with an optional leading "*." (or "*"
// alone) for a wildcard; fullName is the name with the CA's suffix, at most 253 long.
bool IsValidHostName(const QString &host, const QString &fullName);
// Any printable text that names one file: no "/", not "." or "..", no blank at either end.
bool IsValidUserName(const QString &name);
// Hexadecimal digits only.
bool IsValidSerial(const QString &serial);
// The serial as the tool names its files: upper case, an even number of digits.
QString CanonicalSerial(const QString &serial);

// True when {progDir}{ca} already holds a CA database, i.e. an index.txt.
bool CaDatabaseExists(const QString &progDir, const QString &ca);
