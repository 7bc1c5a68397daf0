#pragma once
#include <QDateTime>
#include <QString>

// Dates read straight from the PEM files the tool wrote, in UTC; invalid when the file
// is missing or not what it should be.
// A time as certificates, CRLs and the tool's database write it: UTCTime "YYMMDDHHMMSSZ"
// or GeneralizedTime "YYYYMMDDHHMMSSZ"; invalid otherwise.
QDateTime Asn1Time(QStringView text);

QDateTime CertificateNotAfter(const QString &pemPath);
QDateTime CrlNextUpdate(const QString &pemPath);
