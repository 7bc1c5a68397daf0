#include "pki/Renewal.h"

#include "pki/AltNames.h"
#include "pki/CaName.h"
#include "pki/IndexFile.h"
#include "pki/Texts.h"
#include "pki/ToolRun.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcRenewal, "tarvik.renewal")

QStringList DescribeCertificateArguments(const QString &certFile)
{
    // One subject field a line, unescaped: a user name may hold commas and quotes.
    return {QStringLiteral("x509"), QStringLiteral("-in"), certFile, QStringLiteral("-noout"),
            QStringLiteral("-subject"), QStringLiteral("-nameopt"), QStringLiteral("sep_multiline,utf8,-esc_msb"),
            QStringLiteral("-ext"), QStringLiteral("subjectAltName,extendedKeyUsage,basicConstraints")};
}

TRenewal RenewalOf(const QString &description, const QString &suffix)
{
    // Each part starts on an unindented line ("subject=", "X509v3 …:"); its values
    // follow, indented by four blanks.
    QString part, commonName;
    QStringList sanEntries;
    TRenewal renewal;
    const QString indent = QStringLiteral("    ");
    for (const QString &line : description.split(u'\n')) {
        if (!line.startsWith(u' ')) {
            part = line.trimmed();
            continue;
        }
        if (!line.startsWith(indent))
            continue;
        const QString value = line.mid(indent.size());
        if (part == u"subject=") {
            if (value.startsWith(u"CN="))
                commonName = value.mid(3);
            else if (value.startsWith(u"emailAddress="))
                renewal.email = value.mid(13);
        } else if (part.startsWith(u"X509v3 Subject Alternative Name")) {
            sanEntries = value.trimmed().split(QStringLiteral(", "));
        } else if (part.startsWith(u"X509v3 Extended Key Usage")) {
            renewal.server = value.contains(u"TLS Web Server Authentication");
        } else if (part.startsWith(u"X509v3 Basic Constraints") && value.contains(u"CA:TRUE")) {
            renewal.caCertificate = true;
            return renewal;
        }
    }
    if (commonName.isEmpty())
        return renewal;
    if (!renewal.server) {
        renewal.name = commonName;
        renewal.readable = true;
        return renewal;
    }
    if (commonName.size() <= suffix.size() || !commonName.endsWith(suffix, Qt::CaseInsensitive))
        return renewal;
    renewal.name = commonName.chopped(suffix.size());
    QStringList further;
    for (const QString &entry : sanEntries) {
        // The tool writes IPv6 addresses in full and in capitals; the field takes them canonical.
        QString name;
        if (entry.startsWith(u"DNS:"))
            name = entry.mid(4);
        else if (entry.startsWith(u"IP Address:"))
            name = AltNameEntry(entry.mid(11)).mid(3);
        if (!name.isEmpty() && name.compare(commonName, Qt::CaseInsensitive) != 0)
            further << name;
    }
    renewal.altNames = further.join(u' ');
    renewal.readable = true;
    return renewal;
}

TRenewal ReadRenewal(const QString &tool, const QString &certFile, const QString &suffix)
{
    constexpr int kTimeoutMs = 10000;
    const TToolAnswer answer = RunTool(tool, DescribeCertificateArguments(certFile), QByteArray(), kTimeoutMs);
    if (!answer.ran || answer.exitCode != 0) {
        qCWarning(lcRenewal) << "cannot describe" << certFile << ":" << answer.errors;
        return {};
    }
    return RenewalOf(answer.output, suffix);
}

bool TRenewed::SucceededBy(const TOperationInput &in) const
{
    const TOperationKind kind = server ? TOperationKind::ServerCertificate : TOperationKind::UserCertificate;
    return in.kind == kind && in.ca == ca && in.name == name;
}

TIndexEntry InForceBySerial(const QString &ca, const QString &serial)
{
    const QString wanted = CanonicalSerial(serial);
    for (const QString &line : ReadIndexLists(ca).valid) {
        const TIndexEntry entry = ParseIndexLine(line);
        if (CanonicalSerial(entry.serial) == wanted)
            return entry;
    }
    return {};
}

QString RevocationQuestion(const QString &ca, const QString &serial)
{
    const TIndexEntry entry = InForceBySerial(ca, serial);
    return entry.serial.isEmpty() ? QString() : Texts::RevokeQuestion(entry.commonName, entry.serial, entry.expires);
}

QString RevokeReplacedQuestion(const TRenewed &renewed)
{
    return Texts::RevokeReplacedQuestion(renewed.old.commonName, renewed.old.serial, renewed.old.expires);
}
