#pragma once
#include <QString>

// A CA name serves as a directory name, a settings section and a domain suffix.
bool IsValidCaName(const QString &name);

// True when {progDir}{ca} already holds a CA database, i.e. an index.txt.
bool CaDatabaseExists(const QString &progDir, const QString &ca);
