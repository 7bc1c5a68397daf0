#include "pki/CommandLines.h"
#include "pki/CaLayout.h"

namespace {

const QString kExit = QStringLiteral("exit");

// Joins the quoted tool and the items, which the caller quotes as needed.
QString Line(const QString &tool, const QStringList &items)
{
    return ShellQuote(tool) + u' ' + items.join(u' ');
}

QStringList Pkcs12Format(bool compatible)
{
    // macOS, iOS, Android, Windows and Java refuse the AES/PBKDF2 default, saying the
    // password is wrong.
    if (compatible)
        return {"-keypbe", "PBE-SHA1-3DES", "-certpbe", "PBE-SHA1-3DES", "-macalg", "sha1"};
    return {};
}

// One value of the tool's -subj argument, where "/" separates fields and "+" joins them.
QString SubjectValue(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        if (c == u'\\' || c == u'/' || c == u'+')
            escaped += u'\\';
        escaped += c;
    }
    return escaped;
}

// SHA-256 is the tool's default; only a stronger CA key asks for more.
QStringList DigestOption(TKeyType keyType)
{
    const QString digest = SigningDigest(keyType);
    return digest == QLatin1String("sha256") ? QStringList() : QStringList{u'-' + digest};
}

// The chain file a server or device installs beside its key: the certificate, then its CA.
// PEM blocks only: the text the tool writes before a certificate makes appliances refuse
// the file. An issuing CA signs no CA, so the CA is the last one below the root. sed
// rather than the tool, whose start costs more than the rest of the copy.
QString ChainFileLine(const QString &crtQuoted, const QString &caCrtQuoted, const QString &chainQuoted)
{
    return QStringLiteral("sed -n '/^-----BEGIN CERTIFICATE-----$/,$p' ") + crtQuoted + u' ' + caCrtQuoted
           + QStringLiteral(" > ") + chainQuoted;
}

} // namespace

QString ShellQuote(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString KeyCommand(const QString &tool, TKeyType type, const QString &outQuoted)
{
    return Line(tool, KeyGenerationArguments(type, outQuoted));
}

QStringList SecretEnvironment(const QString &passphrase, const QString &password, const QString &issuerPassphrase)
{
    QStringList environment{QStringLiteral("TARVIK_CA_PASS=") + passphrase};
    if (!password.isNull())
        environment << QStringLiteral("TARVIK_CERT_PASS=") + password;
    if (!issuerPassphrase.isNull())
        environment << QStringLiteral("TARVIK_ISSUER_PASS=") + issuerPassphrase;
    return environment;
}

QStringList CreateCaCommands(const QString &tool, const QString &ca, const QString &days, TKeyType keyType,
                             const QString &permittedDomain)
{
    const QString key = ShellQuote(CaLayout::Pending(CaLayout::CaKey(ca)));
    const QString crt = ShellQuote(CaLayout::Pending(CaLayout::CaCert(ca)));
    const QString cnf = ShellQuote(CaLayout::RootConfig(ca));
    return {
        KeyCommand(tool, keyType, key),
        Line(tool, QStringList{"req", "-new", "-passout", "env:TARVIK_CA_PASS", "-passin", "env:TARVIK_CA_PASS", "-x509",
                               "-days", ShellQuote(days), "-config", cnf, "-key", key, "-out", crt}
                       + DigestOption(keyType)
                       + (permittedDomain.isEmpty()
                              ? QStringList()
                              : QStringList{"-addext", ShellQuote(QStringLiteral("nameConstraints=") + NameConstraintValue(permittedDomain))})),
        kExit,
    };
}

QStringList CreateIssuedCaCommands(const QString &tool, const QString &ca, const QString &days, TKeyType keyType,
                                   const QString &issuer, const QString &issuerCertificates)
{
    const QString key = ShellQuote(CaLayout::Pending(CaLayout::CaKey(ca)));
    const QString csr = ShellQuote(CaLayout::Pending(CaLayout::CaRequest(ca)));
    const QString crt = ShellQuote(CaLayout::Pending(CaLayout::CaCert(ca)));
    const QString above = ShellQuote(issuerCertificates);
    const QString chain = ShellQuote(CaLayout::Pending(CaLayout::CaChain(ca)));
    return {
        KeyCommand(tool, keyType, key),
        Line(tool, {"req", "-new", "-passin", "env:TARVIK_CA_PASS", "-config", ShellQuote(CaLayout::RootConfig(ca)),
                    "-key", key, "-out", csr}),
        // -notext: the CA certificate goes into chain files, which take PEM blocks only.
        Line(tool, {"ca", "-batch", "-notext", "-config", ShellQuote(CaLayout::SigningConfig(issuer)), "-extensions",
                    "ca_cert", "-policy", "policy_ca", "-days", ShellQuote(days), "-out", crt, "-passin",
                    "env:TARVIK_ISSUER_PASS", "-infiles", csr}),
        Line(tool, {"verify", "-x509_strict", "-CAfile", above, crt}),
        QStringLiteral("cat ") + crt + u' ' + above + QStringLiteral(" > ") + chain,
        kExit,
    };
}

QStringList CertificateCommands(const TCertificateRequest &r)
{
    const QString key = ShellQuote(CaLayout::Pending(CaLayout::CertKey(r.ca, r.name)));
    const QString csr = ShellQuote(CaLayout::Pending(CaLayout::CertRequest(r.ca, r.name)));
    const QString crt = ShellQuote(CaLayout::Pending(CaLayout::CertFile(r.ca, r.name)));
    const QString p12 = ShellQuote(CaLayout::Pending(CaLayout::Pkcs12(r.ca, r.name)));
    const QString caCrt = ShellQuote(CaLayout::CaCert(r.ca));
    const QString trusted = r.caCertificates.isEmpty() ? caCrt : ShellQuote(r.caCertificates);
    const QString chain = ShellQuote(CaLayout::Pending(CaLayout::Chain(r.ca, r.name)));
    const QString friendly = r.kind == TCertKind::Server ? r.name + r.suffix : r.name;
    return {
        // The key is made by the request's own start, unencrypted as a server needs it.
        Line(r.tool, QStringList{"req", "-new"} + NewKeyArguments(r.keyType)
                         + QStringList{"-nodes", "-keyout", key, "-days", ShellQuote(r.days), "-config",
                                       ShellQuote(CaLayout::RequestConfig(r.ca)), "-out", csr}),
        Line(r.tool, {"ca", "-batch", "-config", ShellQuote(CaLayout::SigningConfig(r.ca)), "-out", crt, "-passin",
                      "env:TARVIK_CA_PASS", "-infiles", csr}),
        Line(r.tool, {"verify", "-CAfile", trusted, crt}),
        ChainFileLine(crt, caCrt, chain),
        // The key is written unencrypted, so -passin is never consulted.
        Line(r.tool, QStringList{"pkcs12", "-export"} + Pkcs12Format(r.compatiblePkcs12)
                         + QStringList{"-in", crt, "-inkey", key, "-certfile", trusted, "-name", ShellQuote(friendly),
                                       "-caname", ShellQuote(r.company + QStringLiteral(" CA")), "-out", p12,
                                       "-passin", "env:TARVIK_CERT_PASS", "-passout", "env:TARVIK_CERT_PASS"}),
        kExit,
    };
}

namespace {
// The CA's CRL under its pending name; signer names the key and certificate to sign it
// with when they are not the CA's own.
QString CrlLine(const QString &tool, const QString &ca, const QStringList &signer = {})
{
    return Line(tool, QStringList{"ca", "-config", ShellQuote(CaLayout::SigningConfig(ca))} + signer
                          + QStringList{"-passin", "env:TARVIK_CA_PASS", "-gencrl", "-out",
                                        ShellQuote(CaLayout::Pending(CaLayout::Crl(ca)))});
}
} // namespace

QStringList CrlCommands(const QString &tool, const QString &ca)
{
    return {CrlLine(tool, ca), kExit};
}

QString FirstCrlCommand(const QString &tool, const QString &ca)
{
    return CrlLine(tool, ca, {"-keyfile", ShellQuote(CaLayout::Pending(CaLayout::CaKey(ca))), "-cert",
                              ShellQuote(CaLayout::Pending(CaLayout::CaCert(ca)))});
}

QString CaCertDerCommand(const QString &tool, const QString &ca)
{
    return Line(tool, {"x509", "-in", ShellQuote(CaLayout::Pending(CaLayout::CaCert(ca))), "-outform", "DER", "-out",
                       ShellQuote(CaLayout::Pending(CaLayout::CaCertDer(ca)))});
}

QString CrlDerCommand(const QString &tool, const QString &ca)
{
    return Line(tool, {"crl", "-in", ShellQuote(CaLayout::Pending(CaLayout::Crl(ca))), "-outform", "DER", "-out",
                       ShellQuote(CaLayout::Pending(CaLayout::CrlDer(ca)))});
}

QStringList RevocationCommands(const QString &tool, const QString &ca, const QString &serial)
{
    return QStringList{Line(tool, {"ca", "-revoke", ShellQuote(CaLayout::IssuedBySerial(ca, serial)), "-config",
                                   ShellQuote(CaLayout::SigningConfig(ca)), "-passin", "env:TARVIK_CA_PASS"})}
           + CrlCommands(tool, ca);
}

QStringList SignRequestCommands(const QString &tool, const QString &ca, const QString &name, const QString &email,
                                const QString &caCertificates)
{
    const QString csr = ShellQuote(CaLayout::Pending(CaLayout::CertRequest(ca, name)));
    const QString crt = ShellQuote(CaLayout::Pending(CaLayout::CertFile(ca, name)));
    const QString caCrt = ShellQuote(CaLayout::CaCert(ca));
    const QString trusted = caCertificates.isEmpty() ? caCrt : ShellQuote(caCertificates);
    QString subject = QStringLiteral("/CN=") + SubjectValue(name);
    if (!email.isEmpty())
        subject += QStringLiteral("/emailAddress=") + SubjectValue(email);
    return {
        Line(tool, {"ca", "-batch", "-utf8", "-config", ShellQuote(CaLayout::SigningConfig(ca)), "-subj",
                    ShellQuote(subject), "-out", crt, "-passin", "env:TARVIK_CA_PASS", "-infiles", csr}),
        Line(tool, {"verify", "-CAfile", trusted, crt}),
        ChainFileLine(crt, caCrt, ShellQuote(CaLayout::Pending(CaLayout::Chain(ca, name)))),
        kExit,
    };
}
