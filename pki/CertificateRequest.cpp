#include "pki/CertificateRequest.h"

#include "pki/AltNames.h"
#include "pki/CaName.h"
#include "pki/KeyType.h"
#include "pki/Der.h"
#include "pki/RegularFile.h"
#include "pki/Texts.h"
#include "pki/ToolRun.h"
#include "pki/ValueLimits.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QMultiMap>
#include <QRegularExpression>
#include <QSet>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>

Q_LOGGING_CATEGORY(lcRequest, "tarvik.request")

namespace {

const QByteArray kPemBegin = QByteArrayLiteral("-----BEGIN CERTIFICATE REQUEST-----");

// The key as the request's text shows it, before its attributes: what follows them comes
// from the requester and may imitate these lines.
QString KeyRefusal(const QStringList &keyLines, QString *key)
{
    static const QRegularExpression bitsLine(QStringLiteral("Public-Key: \\((\\d+) bit\\)"));
    QString algorithm, curve;
    int bits = 0;
    for (const QString &line : keyLines) {
        const QString text = line.trimmed();
        if (text.startsWith(QStringLiteral("Public Key Algorithm:")))
            algorithm = text.section(u':', 1).trimmed();
        else if (const auto m = bitsLine.match(text); m.hasMatch())
            bits = m.captured(1).toInt();
        else if (text.startsWith(QStringLiteral("NIST CURVE:")))
            curve = text.section(u':', 1).trimmed();
    }
    if (algorithm == QStringLiteral("rsaEncryption")) {
        *key = QStringLiteral("RSA %1 bits").arg(bits);
        return bits < kMinRsaBits ? Texts::WeakRequestKey(*key, kMinRsaBits) : QString();
    }
    if (algorithm == QStringLiteral("id-ecPublicKey")) {
        static const QStringList curves{QStringLiteral("P-256"), QStringLiteral("P-384"), QStringLiteral("P-521")};
        *key = QStringLiteral("EC ") + (curve.isEmpty() ? QStringLiteral("%1 bits").arg(bits) : curve);
        return curves.contains(curve) ? QString() : Texts::RefusedRequestKey(*key);
    }
    *key = algorithm;
    return Texts::RefusedRequestKey(algorithm);
}

// "    commonName                = value" lines, as -nameopt multiline writes them.
QMultiMap<QString, QString> SubjectFields(const QStringList &lines)
{
    static const QRegularExpression field(QStringLiteral("^\\s+(\\S+)\\s+= (.*)$"));
    QMultiMap<QString, QString> fields;
    for (const QString &line : lines)
        if (const auto m = field.match(line); m.hasMatch())
            fields.insert(m.captured(1), m.captured(2));
    return fields;
}

// The names the request's subjectAltName extension asks for, read from its DER, never from
// the tool's text (which a name with ", DNS:" or a line end in it, or an attribute with
// text of its own, could make say anything): "DNS:x", "IP Address:y", "email:z", "URI:u",
// or for any other kind a label that no rule accepts. False when the request is not what DER says it is.
bool RequestedNames(const QByteArray &pem, QStringList *names)
{
    const QByteArray body = pem.mid(pem.indexOf('\n') + 1);
    const QByteArray der = QByteArray::fromBase64(body.left(body.indexOf("-----")));
    static const QByteArray kExtensionRequest = QByteArray::fromHex("2a864886f70d01090e");
    static const QByteArray kSubjectAltName = QByteArray::fromHex("551d11");
    const auto contents = [&der](const TDerElement &e) { return der.mid(e.start, e.size); };
    const auto request = DerElementAt(der, 0, der.size());
    const QList<TDerElement> top = request ? DerChildren(der, *request) : QList<TDerElement>();
    const QList<TDerElement> info = top.isEmpty() ? QList<TDerElement>() : DerChildren(der, top[0]);
    if (info.size() < 3)
        return false;
    const bool hasAttributes = info.size() == 4 && info[3].tag == 0xa0;
    for (const TDerElement &attribute : hasAttributes ? DerChildren(der, info[3]) : QList<TDerElement>()) {
        const QList<TDerElement> parts = DerChildren(der, attribute);
        if (parts.size() != 2 || parts[0].tag != 0x06 || contents(parts[0]) != kExtensionRequest)
            continue;
        for (const TDerElement &extensions : DerChildren(der, parts[1])) {
            for (const TDerElement &extension : DerChildren(der, extensions)) {
                const QList<TDerElement> fields = DerChildren(der, extension);
                if (fields.size() < 2 || contents(fields[0]) != kSubjectAltName)
                    continue;
                const auto value = DerElementAt(der, fields.last().start, fields.last().End());
                for (const TDerElement &name : value ? DerChildren(der, *value) : QList<TDerElement>()) {
                    const QByteArray bytes = contents(name);
                    if (name.tag == 0x82) {
                        *names << QStringLiteral("DNS:") + QString::fromLatin1(bytes);
                    } else if (name.tag == 0x87 && (bytes.size() == 4 || bytes.size() == 16)) {
                        char text[INET6_ADDRSTRLEN] = {};
                        ::inet_ntop(bytes.size() == 4 ? AF_INET : AF_INET6, bytes.constData(), text, sizeof text);
                        *names << QStringLiteral("IP Address:") + QString::fromLatin1(text);
                    } else if (name.tag == 0x81 || name.tag == 0x86) {
                        *names << (name.tag == 0x81 ? QStringLiteral("email:") : QStringLiteral("URI:"))
                                      + QString::fromLatin1(bytes);
                    } else {
                        *names << QStringLiteral("autre nom (type %1)").arg(name.tag & 0x1f);
                    }
                }
            }
        }
    }
    return true;
}

// The server's name first, then each further DNS name or address once.
QString ServerNamesRefusal(const QString &commonName, const QStringList &requested, QStringList *entries)
{
    if (AltNameEntry(commonName) != QStringLiteral("DNS:") + commonName)
        return Texts::RequestHostName(commonName);
    *entries = {QStringLiteral("DNS:") + commonName};
    QSet<QString> seen{entries->first().toLower()};
    for (const QString &name : requested) {
        QString entry;
        if (name.startsWith(QStringLiteral("DNS:")))
            entry = AltNameEntry(name.mid(4));
        else if (name.startsWith(QStringLiteral("IP Address:")))
            entry = AltNameEntry(name.mid(11));
        // A DNS name that reads as an address passes for neither.
        if (entry.isEmpty() || !entry.startsWith(name.left(2)))
            return Texts::RequestAltName(name);
        if (seen.contains(entry.toLower()))
            continue;
        seen.insert(entry.toLower());
        *entries << entry;
        if (entries->size() > kMaxAltNames)
            return Texts::TooManyAltNames(kMaxAltNames);
    }
    return QString();
}

TRequestInspection Refused(const QString &refusal)
{
    TRequestInspection r;
    r.refusal = refusal;
    return r;
}

} // namespace

TRequestInspection InspectRequest(const QString &tool, const QString &path, TCertKind kind)
{
    QByteArray data;
    int error = 0;
    if (!ReadRegularFile(path, data, &error, kMaxRequestBytes)) {
        qCWarning(lcRequest) << "could not read the request" << path
                             << (error == ENOTREG ? "not a regular file, or too large" : ::strerror(error));
        return Refused(error == ENOTREG && QFileInfo(path).isFile() ? Texts::RequestTooLarge(path, kMaxRequestBytes / 1024)
                       : error == ENOTREG                         ? Texts::NotARequest(path)
                                                                   : Texts::RequestUnreadable(path));
    }
    if (data.trimmed().isEmpty())
        return Refused(Texts::RequestEmpty(path));

    const bool pem = data.contains(kPemBegin) || data.contains("-----BEGIN NEW CERTIFICATE REQUEST-----");
    const TToolAnswer answer = RunTool(tool,
                                       {"req", "-inform", pem ? "PEM" : "DER", "-verify", "-text", "-reqopt",
                                        "no_header,no_version,no_subject,no_sigdump", "-subject", "-nameopt",
                                        "multiline,utf8,-esc_msb", "-outform", "PEM"},
                                       data);
    if (!answer.ran)
        return Refused(Texts::ToolNotExecutable(tool));
    // The tool writes its text, then the subject, then the request itself.
    const QStringList lines = answer.output.split(u'\n');
    const qsizetype pemAt = lines.lastIndexOf(QString::fromLatin1(kPemBegin));
    const qsizetype subjectAt = pemAt < 0 ? -1 : lines.lastIndexOf(QStringLiteral("subject="), pemAt);
    const qsizetype attributesAt = lines.indexOf(QStringLiteral("        Attributes:"));
    if (answer.exitCode != 0 || subjectAt < 0 || attributesAt < 0 || attributesAt > subjectAt) {
        qCInfo(lcRequest) << path << "is no request the tool reads:" << answer.errors.trimmed();
        return Refused(Texts::NotARequest(path));
    }
    // The tool may say the signature is wrong and still end well.
    if (!answer.errors.contains(QStringLiteral("verify OK")) || answer.errors.contains(QStringLiteral("verify failure")))
        return Refused(Texts::RequestSignatureBroken);

    TRequestInspection r;
    r.pem = lines.mid(pemAt).join(u'\n').toUtf8();
    if (const QString refusal = KeyRefusal(lines.mid(0, attributesAt), &r.key); !refusal.isEmpty())
        return Refused(refusal);
    const auto fields = SubjectFields(lines.mid(subjectAt + 1, pemAt - subjectAt - 1));
    const QStringList commonNames = fields.values(QStringLiteral("commonName"));
    if (commonNames.isEmpty())
        return Refused(Texts::RequestWithoutCommonName);
    if (commonNames.size() > 1)
        return Refused(Texts::RequestWithSeveralCommonNames);
    r.commonName = commonNames.first();
    // Refused here, before the question, not by the tool once the user said OK.
    if (const QString refusal = CommonNameRefusal(r.commonName, Texts::RequestCommonNameCaption); !refusal.isEmpty())
        return Refused(refusal);
    if (r.commonName == u'*')
        return Refused(kind == TCertKind::Server ? Texts::RequestHostName(r.commonName)
                                                 : Texts::RequestUserName(r.commonName));
    const QStringList emails = fields.values(QStringLiteral("emailAddress"));
    if (!emails.isEmpty()) {
        r.email = emails.first();
        if (emails.size() > 1 || !IsValidEmailAddress(r.email))
            return Refused(Texts::RequestEmail(emails.join(QStringLiteral(", "))));
    }
    QStringList requested;
    if (!RequestedNames(r.pem, &requested))
        return Refused(Texts::NotARequest(path));
    if (kind == TCertKind::Server) {
        if (const QString refusal = ServerNamesRefusal(r.commonName, requested, &r.altNames); !refusal.isEmpty())
            return Refused(refusal);
    } else if (!IsValidUserName(r.commonName)) {
        return Refused(Texts::RequestUserName(r.commonName));
    }
    return r;
}
