#pragma once
#include <QString>

// The rules for every name the user types that becomes a path, a settings section, a
// DNS name or a serial. A name that breaks its rule is refused before anything is
// written, created or started.

// A CA name serves as a directory name, a settings section and a domain suffix.
bool IsValidCaName(const QString &name);
// A name for a new CA must also be a DNS name, since it ends every server's name: labels
// of letters, digits and inner "-", no "_", no empty label, no trailing dot. CAs already
// registered under names that pass only IsValidCaName keep working.
bool IsValidNewCaName(const QString &name);
// The host part of a server's name: DNS labels, with an optional leading "*." (or "*"
// alone) for a wildcard; fullName is the name with the CA's suffix, at most 253 long.
bool IsValidHostName(const QString &host, const QString &fullName);
// Printable text that names one file and looks like what it is: no "/", not "." or "..",
// no blank at either end, no space but U+0020, and no invisible, private-use, unassigned,
// surrogate or separator character that would make two names look alike, nothing beyond
// the Basic Multilingual Plane (emoji), and short enough for every file named after it.
bool IsValidUserName(const QString &name);
// Hexadecimal digits only.
bool IsValidSerial(const QString &serial);
// The serial as the tool names its files: upper case, an even number of digits.
QString CanonicalSerial(const QString &serial);

// An address the certificate can carry as it is (ASCII, since the tool stores it as
// IA5String): one "@" with text on both sides, at most 128 characters, no blank, quote,
// comma or control character.
bool IsValidEmailAddress(const QString &address);
// Where clients fetch a CA's CRL: "http://" or "https://" with a host, at most 512
// ASCII characters, no blank, quote, comma, backslash or control character (a comma
// would start another entry of the extension).
bool IsValidCrlUrl(const QString &url);

// True when {progDir}{ca} already holds a CA database, i.e. an index.txt.
bool CaDatabaseExists(const QString &progDir, const QString &ca);
