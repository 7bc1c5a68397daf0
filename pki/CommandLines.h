#pragma once
#include "pki/CaFiles.h"
#include "pki/KeyType.h"

#include <QString>
#include <QStringList>

// Every field of a command line goes through ShellQuote. Secrets travel in the
// interpreter's environment and the tool reads them with env:, so neither the
// tool's arguments nor the echoed command text ever hold one. Results are written
// under their pending names (CaLayout::Pending).

// One POSIX shell word that stands for the text exactly.
QString ShellQuote(const QString &text);

// The interpreter's environment for a run: the CA pass phrase, the export password when
// there is one, and the pass phrase of the CA that signs a new CA when there is one.
QStringList SecretEnvironment(const QString &passphrase, const QString &password = QString(),
                              const QString &issuerPassphrase = QString());

// The line that writes a new CA key of the type to outQuoted, encrypted under the CA pass
// phrase from the environment.
QString KeyCommand(const QString &tool, TKeyType type, const QString &outQuoted);

// The CA key and self-signed certificate; two command lines, then "exit". A non-empty
// permittedDomain adds the name constraint that keeps its certificates within it.
QStringList CreateCaCommands(const QString &tool, const QString &ca, const QString &days,
                             TKeyType keyType = TKeyType::Rsa2048, const QString &permittedDomain = QString());

// A CA signed by another: its key and request, the issuer's signature through the issuer's
// database and signing configuration (WriteIssuingConfig), the verification against the
// issuer's certificates (issuerCertificates, a file), and the chain file; five command
// lines, then "exit".
QStringList CreateIssuedCaCommands(const QString &tool, const QString &ca, const QString &days, TKeyType keyType,
                                   const QString &issuer, const QString &issuerCertificates);
// Copies the CA certificate that CreateCaCommands writes into DER beside it, also under a
// pending name.
QString CaCertDerCommand(const QString &tool, const QString &ca);

struct TCertificateRequest
{
    TCertKind kind = TCertKind::Server;
    QString tool, ca;
    QString name;   // host (server) or user name: the certificate's directory
    QString suffix; // "." + ca for a server; unused for a user
    QString days, company;
    // 3DES with a SHA-1 MAC, which every system imports; otherwise the tool's default.
    bool compatiblePkcs12 = false;
    TKeyType keyType = TKeyType::Rsa2048; // the CA's choice, for the new key
    // The CA certificate followed by those above it; empty for the CA certificate alone.
    QString caCertificates{};
};

// Key with its request, signature, verification, chain file and PKCS#12 export; five
// command lines, then "exit".
QStringList CertificateCommands(const TCertificateRequest &request);

// The CA's CRL published again, with nothing revoked; one command line, then "exit".
QStringList CrlCommands(const QString &tool, const QString &ca);
// The first CRL of a CA being created, signed with its key and certificate under their
// pending names, so that it is committed with them.
QString FirstCrlCommand(const QString &tool, const QString &ca);
// Copies the CRL that CrlCommands writes into DER, beside it, also under a pending name.
QString CrlDerCommand(const QString &tool, const QString &ca);
// Revocation of newcerts/{serial}.pem and the new CRL; two command lines, then "exit".
QStringList RevocationCommands(const QString &tool, const QString &ca, const QString &serial);

// A request made elsewhere, already at its pending name in the certificate's folder,
// signed under a subject of the common name and e-mail address alone (whatever the
// request says; no address when email is empty), verified against caCertificates (empty
// for the CA certificate alone), and followed by the CA certificate in the chain file; three
// command lines, then "exit".
QStringList SignRequestCommands(const QString &tool, const QString &ca, const QString &name, const QString &email,
                                const QString &caCertificates = QString());
