#include "pki/CommandLines.h"

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

} // namespace

QString ShellQuote(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QStringList CreateCaCommands(const QString &tool, const QString &ca, const QString &passphrase,
                             const QString &days)
{
    const QString key = ShellQuote(ca + QStringLiteral("/private/ca.key"));
    const QString crt = ShellQuote(ca + QStringLiteral("/private/ca.crt"));
    const QString cnf = ShellQuote(ca + QStringLiteral("/root-ca.cnf"));
    return {
        CaPass(passphrase)
            + Line(tool, {"genrsa", "-passout", "env:TARVIK_CA_PASS", "-des3", "-out", key, "2048"}),
        CaPass(passphrase)
            + Line(tool, {"req", "-new", "-passout", "env:TARVIK_CA_PASS", "-passin", "env:TARVIK_CA_PASS", "-x509",
                          "-days", ShellQuote(days), "-config", cnf, "-key", key, "-out", crt}),
        kExit,
    };
}

QStringList CertificateCommands(const TCertificateRequest &r)
{
    const QString dir = r.ca + QStringLiteral("/certs/") + r.name;
    const QString key = ShellQuote(dir + QStringLiteral("/user.key"));
    const QString csr = ShellQuote(dir + QStringLiteral("/user.csr"));
    const QString crt = ShellQuote(dir + QStringLiteral("/user.crt"));
    const QString p12 = ShellQuote(dir + u'/' + r.name + QStringLiteral(".p12"));
    const QString caCrt = ShellQuote(r.ca + QStringLiteral("/private/ca.crt"));
    const QString friendly = r.kind == TCertKind::Server ? r.name + r.suffix : r.name;
    return {
        Line(r.tool, {"genrsa", "-out", key, "2048"}),
        Line(r.tool, {"req", "-new", "-days", ShellQuote(r.days), "-config",
                      ShellQuote(r.ca + QStringLiteral("/user-cert.cnf")), "-key", key, "-out", csr}),
        CaPass(r.passphrase)
            + Line(r.tool, {"ca", "-batch", "-config", ShellQuote(r.ca + QStringLiteral("/ca-sign.cnf")), "-out", crt,
                            "-passin", "env:TARVIK_CA_PASS", "-infiles", csr}),
        Line(r.tool, {"verify", "-CAfile", caCrt, crt}),
        // The key is written unencrypted, so -passin is never consulted.
        CertPass(r.password)
            + Line(r.tool, {"pkcs12", "-export", "-in", crt, "-inkey", key, "-certfile", caCrt, "-name",
                            ShellQuote(friendly), "-caname", ShellQuote(r.company + QStringLiteral(" CA")), "-out",
                            p12, "-passin", "env:TARVIK_CERT_PASS", "-passout", "env:TARVIK_CERT_PASS"}),
        kExit,
    };
}

QStringList RevocationCommands(const QString &tool, const QString &ca, const QString &serial,
                               const QString &passphrase)
{
    const QString cnf = ShellQuote(ca + QStringLiteral("/ca-sign.cnf"));
    return {
        CaPass(passphrase)
            + Line(tool, {"ca", "-revoke", ShellQuote(ca + QStringLiteral("/newcerts/") + serial + QStringLiteral(".pem")),
                          "-config", cnf, "-passin", "env:TARVIK_CA_PASS"}),
        CaPass(passphrase)
            + Line(tool, {"ca", "-config", cnf, "-passin", "env:TARVIK_CA_PASS", "-gencrl", "-out",
                          ShellQuote(ca + QStringLiteral("/crl/") + ca + QStringLiteral(".crl.crt"))}),
        kExit,
    };
}

QString CreateCaDoneMessage(const QString &ca)
{
    return QStringLiteral("Votre ca.crt est dans ") + ca
           + QStringLiteral("/private/ca.crt Vous pouvez l'installer sur votre serveur web et vos clients.");
}

QString CertificateDoneMessage(TCertKind kind, const QString &ca, const QString &name)
{
    const QString where = kind == TCertKind::Server ? QStringLiteral("sur votre serveur web.")
                                                    : QStringLiteral("sur le poste de l'utilisateur.");
    return QStringLiteral("Votre ") + name + QStringLiteral(".p12 est dans ") + ca + QStringLiteral("/certs/") + name
           + u'/' + name + QStringLiteral(".p12 Vous pouvez l'installer ") + where;
}

QString RevocationDoneMessage(const QString &ca)
{
    return QStringLiteral("Votre liste de revocation est dans ") + ca + QStringLiteral("/crl/") + ca
           + QStringLiteral(".crl.crt Vous pouvez l'installer sur le serveur web.");
}
