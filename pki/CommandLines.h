#pragma once
#include "pki/CaFiles.h"
#include "pki/KeyType.h"

#include <QString>
#include <QStringList>

// Every field of a command line goes through ShellQuote, and secrets travel in
// a variable set for that one command, never in the tool's arguments.

// One POSIX shell word that stands for the text exactly.
QString ShellQuote(const QString &text);

// The line that writes a new key of the type to outQuoted; an encrypted one takes the CA
// pass phrase.
QString KeyCommand(const QString &tool, TKeyType type, const QString &outQuoted, bool encrypted);

// The CA key and self-signed certificate; two command lines, then "exit".
QStringList CreateCaCommands(const QString &tool, const QString &ca, const QString &passphrase,
                             const QString &days, TKeyType keyType = TKeyType::Rsa2048);

struct TCertificateRequest
{
    TCertKind kind = TCertKind::Server;
    QString tool, ca;
    QString name;   // host (server) or user name: the certificate's directory
    QString suffix; // "." + ca for a server; unused for a user
    QString days, passphrase, password, company;
    // 3DES with a SHA-1 MAC, which every system imports; otherwise the tool's default.
    bool compatiblePkcs12 = false;
    TKeyType keyType = TKeyType::Rsa2048; // the CA's choice, for the new key
};

// Key, request, signature, verification and PKCS#12 export; five command lines, then "exit".
QStringList CertificateCommands(const TCertificateRequest &request);

// The CA's CRL published again, with nothing revoked; one command line, then "exit".
QStringList CrlCommands(const QString &tool, const QString &ca, const QString &passphrase);
// Revocation of newcerts/{serial}.pem and the new CRL; two command lines, then "exit".
QStringList RevocationCommands(const QString &tool, const QString &ca, const QString &serial,
                               const QString &passphrase);
