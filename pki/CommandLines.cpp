#include "pki/CommandLines.h"
#include "pki/CaLayout.h"

namespace {

const QString kExit = QStringLiteral("exit");

QString CaPass(const QString &passphrase)
{
    return QStringLiteral("TARVIK_CA_PASS=") + ShellQuote(passphrase) + u' ';
}

QString CertPass(const QString &password)
{
    return QStringLiteral("TARVIK_CERT_PASS=") + ShellQuote(password) + u' ';
}

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

// SHA-256 is the tool's default; only a stronger CA key asks for more.
QStringList DigestOption(TKeyType keyType)
{
    const QString digest = SigningDigest(keyType);
    return digest == QLatin1String("sha256") ? QStringList() : QStringList{u'-' + digest};
}

} // namespace

QString ShellQuote(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString KeyCommand(const QString &tool, TKeyType type, const QString &outQuoted, bool encrypted)
{
    return Line(tool, KeyGenerationArguments(type, outQuoted, encrypted));
}

QStringList CreateCaCommands(const QString &tool, const QString &ca, const QString &passphrase,
                             const QString &days, TKeyType keyType)
{
    const QString key = ShellQuote(CaLayout::CaKey(ca));
    const QString crt = ShellQuote(CaLayout::CaCert(ca));
    const QString cnf = ShellQuote(CaLayout::RootConfig(ca));
    return {
        CaPass(passphrase) + KeyCommand(tool, keyType, key, true),
        CaPass(passphrase)
            + Line(tool, QStringList{"req", "-new", "-passout", "env:TARVIK_CA_PASS", "-passin", "env:TARVIK_CA_PASS",
                                     "-x509", "-days", ShellQuote(days), "-config", cnf, "-key", key, "-out", crt}
                             + DigestOption(keyType)),
        kExit,
    };
}

QStringList CertificateCommands(const TCertificateRequest &r)
{
    const QString key = ShellQuote(CaLayout::CertKey(r.ca, r.name));
    const QString csr = ShellQuote(CaLayout::CertRequest(r.ca, r.name));
    const QString crt = ShellQuote(CaLayout::CertFile(r.ca, r.name));
    const QString p12 = ShellQuote(CaLayout::Pkcs12(r.ca, r.name));
    const QString caCrt = ShellQuote(CaLayout::CaCert(r.ca));
    const QString friendly = r.kind == TCertKind::Server ? r.name + r.suffix : r.name;
    return {
        KeyCommand(r.tool, r.keyType, key, false),
        Line(r.tool, {"req", "-new", "-days", ShellQuote(r.days), "-config",
                      ShellQuote(CaLayout::RequestConfig(r.ca)), "-key", key, "-out", csr}),
        CaPass(r.passphrase)
            + Line(r.tool, {"ca", "-batch", "-config", ShellQuote(CaLayout::SigningConfig(r.ca)), "-out", crt,
                            "-passin", "env:TARVIK_CA_PASS", "-infiles", csr}),
        Line(r.tool, {"verify", "-CAfile", caCrt, crt}),
        // The key is written unencrypted, so -passin is never consulted.
        CertPass(r.password)
            + Line(r.tool, QStringList{"pkcs12", "-export"} + Pkcs12Format(r.compatiblePkcs12) + QStringList{"-in", crt, "-inkey", key, "-certfile", caCrt, "-name",
                            ShellQuote(friendly), "-caname", ShellQuote(r.company + QStringLiteral(" CA")), "-out",
                            p12, "-passin", "env:TARVIK_CERT_PASS", "-passout", "env:TARVIK_CERT_PASS"}),
        kExit,
    };
}

QStringList CrlCommands(const QString &tool, const QString &ca, const QString &passphrase)
{
    return {
        CaPass(passphrase)
            + Line(tool, {"ca", "-config", ShellQuote(CaLayout::SigningConfig(ca)), "-passin", "env:TARVIK_CA_PASS",
                          "-gencrl", "-out", ShellQuote(CaLayout::Crl(ca))}),
        kExit,
    };
}

QStringList RevocationCommands(const QString &tool, const QString &ca, const QString &serial,
                               const QString &passphrase)
{
    return QStringList{CaPass(passphrase)
                       + Line(tool, {"ca", "-revoke", ShellQuote(CaLayout::IssuedBySerial(ca, serial)), "-config",
                                     ShellQuote(CaLayout::SigningConfig(ca)), "-passin", "env:TARVIK_CA_PASS"})}
           + CrlCommands(tool, ca, passphrase);
}
