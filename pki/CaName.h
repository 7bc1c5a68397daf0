#pragma once
#include <QString>

inline const QString kInvalidCaNameMessage =
    QStringLiteral("Nom de CA invalide : utilisez des lettres, des chiffres, « . », « - » ou « _ ».");
inline const QString kCaExistsMessage = QStringLiteral("Ce CA existe déjà.");

// A CA name serves as a directory name, a settings section and a domain suffix.
bool IsValidCaName(const QString &name);

// True when {progDir}{ca} already holds a CA database, i.e. an index.txt.
bool CaDatabaseExists(const QString &progDir, const QString &ca);
