#pragma once
#include <QDateTime>
#include <QString>

// Dates read straight from the PEM files the tool wrote, in UTC; invalid when the file
// is missing or not what it should be.
QDateTime CertificateNotAfter(const QString &pemPath);
QDateTime CrlNextUpdate(const QString &pemPath);
