#pragma once
#include <QString>
#include <QStringList>

// Adding a CA to the list, the same from the window and the command line.

// Why the name cannot be a new CA: not a DNS name, or a CA of that name (whatever its
// case) is listed already; empty when it can.
QString NewCaRefusal(const QStringList &registered, const QString &name);

// Makes the folder of a new CA under progDir (ending with '/'), unless a CA removed from
// the list earlier left its database there: that one comes back with what it issued.
// Answers whether the folder was already a CA's. Raises Exception when it cannot write.
bool PrepareCaFolder(const QString &progDir, const QString &name);
