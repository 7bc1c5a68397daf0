#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

// Dates read straight from the PEM files the tool wrote, in UTC, and the curve of a
// certificate's key; invalid when the file is missing or not what it should be.
// A time as certificates, CRLs and the tool's database write it: UTCTime "YYMMDDHHMMSSZ"
// or GeneralizedTime "YYYYMMDDHHMMSSZ"; invalid otherwise.
QDateTime Asn1Time(QStringView text);

// The DER of the file's first PEM block; empty when the file is missing or holds none.
QByteArray CertificateDer(const QString &pemPath);

QDateTime CertificateNotAfter(const QString &pemPath);
struct TValidity
{
    QDateTime notBefore, notAfter;
};
TValidity CertificateValidity(const QString &pemPath);
QDateTime CrlNextUpdate(const QString &pemPath);

struct TCrlContent
{
    bool valid = false; // false when the file is missing or no CRL
    QDateTime nextUpdate;
    QSet<QString> revokedSerials; // as the database writes them: upper-case hexadecimal
};
TCrlContent ReadCrl(const QString &pemPath);

// Whether the certificate's public key is an elliptic-curve key on P-384; false when the
// file is missing or not what it should be.
bool CertificateKeyOnP384(const QString &pemPath);

// The DNS names a CA certificate's name constraints permit below it; empty when it has
// none (then every DNS name is allowed).
QStringList PermittedDnsNames(const QString &pemPath);
// Whether the certificate names client authentication and not servers among its extended
// key usages, as a user's does; false when it cannot be read.
bool IssuedToUser(const QString &pemPath);
// Whether the certificate is a CA's (basic constraints with cA true).
bool IssuedToCa(const QString &pemPath);
// The certificate's serial as the tool's database writes it (upper-case hexadecimal);
// empty when the file is missing or not what it should be.
QString CertificateSerial(const QString &pemPath);
