#pragma once
#include "pki/CaFiles.h"

#include <QString>
#include <QStringList>

// Every field of a command line goes through ShellQuote, and secrets travel in
// a variable set for that one command, never in the tool's arguments.

// One POSIX shell word that stands for the text exactly.
QString ShellQuote(const QString &text);

// The CA key and self-signed certificate; two command lines, then "exit".
QStringList CreateCaCommands(const QString &tool, const QString &ca, const QString &passphrase,
                             const QString &days);

struct TCertificateRequest
{
    TCertKind kind = TCertKind::Server;
    QString tool, ca;
    QString name;   // host (server) or user name: the certificate's directory
    QString suffix; // "." + ca for a server; unused for a user
    QString days, passphrase, password, company;
    // 3DES with a SHA-1 MAC, which every system imports; otherwise the tool's default.
    bool compatiblePkcs12 = false;
};

// Key, request, signature, verification and PKCS#12 export; five command lines, then "exit".
QStringList CertificateCommands(const TCertificateRequest &request);

// The CA's CRL published again, with nothing revoked; one command line, then "exit". The
// run gives the pass phrase in TARVIK_CA_PASS.
QStringList CrlCommands(const QString &tool, const QString &ca);
// Revocation of newcerts/{serial}.pem and the new CRL; two command lines, then "exit".
QStringList RevocationCommands(const QString &tool, const QString &ca, const QString &serial,
                               const QString &passphrase);
