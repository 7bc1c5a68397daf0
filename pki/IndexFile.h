#pragma once
#include <QString>
#include <QStringList>

// Lines of a CA database, whole, split by their status letter.
struct TIndexLists
{
    QStringList valid;   // lines starting with "V"
    QStringList revoked; // lines starting with "R"
};

// Reads {ca}/index.txt relative to the working directory. Raises Exception with
// "Fichier introuvable", "Nom de fichier incorrect", "Accès au fichier refusé"
// or "Erreur E/S {errno}" when the file cannot be opened or read.
TIndexLists ReadIndexLists(const QString &ca);

// A database line as typed: the tool writes each byte of a non-ASCII subject as "\xC3"
// escapes, which read back as UTF-8. The database itself is never rewritten.
QString DecodeIndexText(const QString &text);
