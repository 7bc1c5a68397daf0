#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

// How the CAs of the program directory sign each other: a root signs itself, an issuing
// CA is signed by a root. Names are CA folder names, relative to the working directory.

// The CA that signed the CA's certificate; empty for a self-signed CA.
QString IssuerOf(const QString &ca);
// The CA at the top of the CA's chain: the CA itself when it is a root.
QString RootCaOf(const QString &ca);
// The CA and every CA above it, the CA first.
QStringList ChainOf(const QString &ca);
// The file of the CA's certificate followed by those above it: what a certificate
// issued there is verified against and what its PKCS#12 export carries.
QString CaCertificates(const QString &ca);

// The CAs of the program directory that the CA signed and that are still in force: not
// expired, not revoked in its database.
QStringList IssuedCasInForce(const QString &ca, const QDateTime &now);

// The domains a certificate issued by the CA must stay in: those that the name
// constraints of the CA and of every CA above it permit. Empty when nothing constrains it.
QList<QStringList> DomainLimitsOf(const QString &ca);
// Whether a DNS name lies in one of the domains (a domain covers itself and every name
// under it).
bool InDomains(const QString &dnsName, const QStringList &domains);
// The refusal of the first DNS name (a name or a "DNS:" entry; other entries pass) that
// the CA's chain does not permit; empty when all pass.
QString OutsideDomainRefusal(const QString &ca, const QStringList &names);
