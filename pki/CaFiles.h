#pragma once
#include <QString>
#include <QStringList>

// Subject fields of a CA as typed on the configuration page.
struct TSubject
{
    QString country, province, city, company, service, email;
};

enum class TCertKind { Server, User };
// A server's request made elsewhere is signed for its names alone: its certificate holds
// no e-mail address, the CA's included, since none was shown before signing.
enum class TSigningVariant { Server, User, Crl, ServerRequest };

// Backslash before each character that OpenSSL's configuration parser would
// otherwise read as an escape, a variable, a comment or a quote (backquote included).
QString EscapeConfigValue(const QString &value);
QString UnescapeConfigValue(const QString &value);

// progDir ends with '/'; these three use the absolute form {progDir}{ca}.
void CreateCaSkeleton(const QString &progDir, const QString &ca);
void WriteRootTemplate(const QString &progDir, const QString &ca);
void WriteRootSubject(const QString &progDir, const QString &ca, const TSubject &s);
// The subject as the CA's root-ca.cnf holds it.
TSubject ReadRootSubject(const QString &progDir, const QString &ca);

// {ca}/crlnumber, "01" when the CA has none yet; an existing one is left alone.
void EnsureCrlNumber(const QString &ca);

// These two use {ca} relative to the working directory, like the command lines.
void WriteRequestConfig(const QString &ca, TCertKind kind, const TSubject &s, const QString &commonName);
// altNames are the server's subjectAltName entries ("DNS:…", "IP:…", checked by
// pki/AltNames); the server variant writes them, the other variants ignore them.
// crlUrl (checked by IsValidCrlUrl), when not empty, becomes the certificates' CRL
// distribution point. digest is the CA key's. An EC key signs and never transports a
// key (RFC 8813): only an RSA key's certificate allows keyEncipherment.
void WriteSigningConfig(const QString &ca, TSigningVariant v, const QString &days,
                        const QStringList &altNames = {}, const QString &crlUrl = {},
                        const QString &digest = QStringLiteral("sha256"), bool rsaKey = true);

// The issuer's signing configuration for signing another CA: a CA that signs no CA
// below it, with the issuer's CRL address when it has one and, when permittedDomain is
// not empty, a critical name constraint that keeps its certificates within that domain.
void WriteIssuingConfig(const QString &issuer, const QString &crlUrl, const QString &digest,
                        const QString &permittedDomain);
// The nameConstraints value that permits a domain and every name under it.
QString NameConstraintValue(const QString &domain);
