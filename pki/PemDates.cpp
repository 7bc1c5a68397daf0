#include "pki/PemDates.h"

#include "pki/Der.h"
#include "pki/RegularFile.h"

#include <cerrno>
#include <QLoggingCategory>

#include <optional>

Q_LOGGING_CATEGORY(lcPemDates, "tarvik.dates", QtInfoMsg)

namespace {

using TElement = TDerElement;

std::optional<TElement> ElementAt(const QByteArray &der, qsizetype pos, qsizetype limit)
{
    return DerElementAt(der, pos, limit);
}

QByteArray PemBody(const QString &path)
{
    // A certificate or CRL is a few kilobytes; anything far larger is not one.
    constexpr qint64 kMaxPemBytes = 16 * 1024 * 1024;
    QByteArray text;
    int error = 0;
    if (!ReadRegularFile(path, text, &error, kMaxPemBytes)) {
        if (error != ENOENT)
            qCWarning(lcPemDates) << "cannot read" << path << "error" << error;
        return QByteArray();
    }
    const qsizetype begin = text.indexOf("-----BEGIN ");
    const qsizetype bodyStart = begin < 0 ? -1 : text.indexOf('\n', begin);
    const qsizetype end = bodyStart < 0 ? -1 : text.indexOf("-----END ", bodyStart);
    if (end < 0)
        return QByteArray();
    return QByteArray::fromBase64(text.mid(bodyStart + 1, end - bodyStart - 1));
}

QDateTime TimeOf(const QByteArray &der, const TElement &e)
{
    const QString text = QString::fromLatin1(der.mid(e.start, e.size));
    const qsizetype expected = e.tag == 0x17 ? 13 : 15;
    return text.size() == expected ? Asn1Time(text) : QDateTime();
}

// The elements inside the first SEQUENCE of the first SEQUENCE (the signed part).
QList<TElement> SignedPart(const QByteArray &der)
{
    QList<TElement> items;
    const auto outer = ElementAt(der, 0, der.size());
    const auto inner = outer && outer->tag == 0x30 ? ElementAt(der, outer->start, outer->End()) : std::nullopt;
    if (!inner || inner->tag != 0x30)
        return items;
    for (qsizetype pos = inner->start; pos < inner->End();) {
        const auto e = ElementAt(der, pos, inner->End());
        if (!e)
            break;
        items.append(*e);
        pos = e->End();
    }
    return items;
}

bool IsTime(const TElement &e) { return e.tag == 0x17 || e.tag == 0x18; }

// The elements directly inside a constructed element.
QList<TElement> Children(const QByteArray &der, const TElement &parent)
{
    QList<TElement> items;
    for (qsizetype pos = parent.start; pos < parent.End();) {
        const auto e = ElementAt(der, pos, parent.End());
        if (!e)
            break;
        items.append(*e);
        pos = e->End();
    }
    return items;
}

// The database's form of a DER integer: upper-case hexadecimal without the leading zero byte.
QString SerialText(const QByteArray &der, const TElement &serial)
{
    QByteArray bytes = der.mid(serial.start, serial.size);
    while (bytes.size() > 1 && bytes[0] == 0)
        bytes.remove(0, 1);
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QDateTime Logged(const QString &path, const char *what, const QDateTime &when)
{
    if (!when.isValid())
        qCDebug(lcPemDates) << "no" << what << "in" << path;
    return when;
}

} // namespace

QDateTime Asn1Time(QStringView text)
{
    if ((text.size() != 13 && text.size() != 15) || !text.endsWith(u'Z'))
        return QDateTime();
    int digits[14] = {};
    const qsizetype count = text.size() - 1;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return QDateTime();
        digits[i] = c - u'0';
    }
    const auto two = [&](int at) { return digits[at] * 10 + digits[at + 1]; };
    int year, at;
    if (count == 12) {
        // RFC 5280: two-digit years 50 to 99 are 19xx, the others 20xx.
        year = two(0);
        year += year >= 50 ? 1900 : 2000;
        at = 2;
    } else {
        year = two(0) * 100 + two(2);
        at = 4;
    }
    const QDate date(year, two(at), two(at + 2));
    const QTime time(two(at + 4), two(at + 6), two(at + 8));
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, Qt::UTC);
}

TValidity CertificateValidity(const QString &pemPath)
{
    const QByteArray der = PemBody(pemPath);
    const QList<TElement> tbs = SignedPart(der);
    // [0] version, serial, signature algorithm, issuer, validity.
    const qsizetype validity = !tbs.isEmpty() && tbs[0].tag == 0xa0 ? 4 : 3;
    TValidity when;
    if (tbs.size() > validity && tbs[validity].tag == 0x30) {
        const auto notBefore = ElementAt(der, tbs[validity].start, tbs[validity].End());
        const auto notAfter = notBefore ? ElementAt(der, notBefore->End(), tbs[validity].End()) : std::nullopt;
        if (notAfter && IsTime(*notBefore) && IsTime(*notAfter))
            when = {TimeOf(der, *notBefore), TimeOf(der, *notAfter)};
    }
    Logged(pemPath, "end date", when.notAfter);
    return when;
}

QByteArray CertificateDer(const QString &pemPath)
{
    return PemBody(pemPath);
}

QDateTime CertificateNotAfter(const QString &pemPath)
{
    return CertificateValidity(pemPath).notAfter;
}

bool CertificateKeyOnP384(const QString &pemPath)
{
    const QByteArray der = PemBody(pemPath);
    const QList<TElement> tbs = SignedPart(der);
    // [0] version, serial, signature algorithm, issuer, validity, subject, then the key.
    const qsizetype key = !tbs.isEmpty() && tbs[0].tag == 0xa0 ? 6 : 5;
    if (tbs.size() <= key || tbs[key].tag != 0x30)
        return false;
    // The key's algorithm: id-ecPublicKey, then the curve's identifier, secp384r1.
    const auto algorithm = ElementAt(der, tbs[key].start, tbs[key].End());
    static const QByteArray kP384("\x06\x05\x2b\x81\x04\x00\x22", 7);
    return algorithm && algorithm->tag == 0x30 && der.mid(algorithm->start, algorithm->size).endsWith(kP384);
}

TCrlContent ReadCrl(const QString &pemPath)
{
    const QByteArray der = PemBody(pemPath);
    const QList<TElement> tbs = SignedPart(der);
    // Optional version, signature algorithm, issuer, thisUpdate, optional nextUpdate,
    // then the optional list of revoked certificates.
    const qsizetype thisUpdate = !tbs.isEmpty() && tbs[0].tag == 0x02 ? 3 : 2;
    TCrlContent crl;
    if (tbs.size() <= thisUpdate || !IsTime(tbs[thisUpdate]))
        return crl;
    crl.valid = true;
    qsizetype next = thisUpdate + 1;
    if (tbs.size() > next && IsTime(tbs[next]))
        crl.nextUpdate = TimeOf(der, tbs[next++]);
    if (tbs.size() > next && tbs[next].tag == 0x30) {
        for (qsizetype pos = tbs[next].start; pos < tbs[next].End();) {
            const auto entry = ElementAt(der, pos, tbs[next].End());
            if (!entry)
                break;
            const auto serial = ElementAt(der, entry->start, entry->End());
            if (serial && serial->tag == 0x02)
                crl.revokedSerials.insert(SerialText(der, *serial));
            pos = entry->End();
        }
    }
    return crl;
}

QDateTime CrlNextUpdate(const QString &pemPath)
{
    return Logged(pemPath, "next update", ReadCrl(pemPath).nextUpdate);
}

namespace {
// The value (inside its OCTET STRING) of each extension of the certificate with the
// identifier's contents; the extensions are the last element of the signed part, tagged [3].
QList<TElement> ExtensionValues(const QByteArray &der, const QByteArray &oid)
{
    const QList<TElement> tbs = SignedPart(der);
    if (tbs.isEmpty() || tbs.last().tag != 0xa3)
        return {};
    const QList<TElement> wrapper = Children(der, tbs.last());
    if (wrapper.size() != 1 || wrapper[0].tag != 0x30)
        return {};
    QList<TElement> values;
    for (const TElement &extension : Children(der, wrapper[0])) {
        const QList<TElement> parts = Children(der, extension);
        if (parts.size() < 2 || parts[0].tag != 0x06 || der.mid(parts[0].start, parts[0].size) != oid
            || parts.last().tag != 0x04)
            continue;
        if (const auto value = ElementAt(der, parts.last().start, parts.last().End()))
            values << *value;
    }
    return values;
}
} // namespace

bool IssuedToUser(const QString &pemPath)
{
    const QByteArray der = PemBody(pemPath);
    static const QByteArray kExtendedKeyUsage("\x55\x1d\x25", 3); // 2.5.29.37
    static const QByteArray kServerAuth("\x2b\x06\x01\x05\x05\x07\x03\x01", 8);
    static const QByteArray kClientAuth("\x2b\x06\x01\x05\x05\x07\x03\x02", 8);
    bool client = false;
    for (const TElement &usages : ExtensionValues(der, kExtendedKeyUsage)) {
        for (const TElement &usage : Children(der, usages)) {
            const QByteArray id = der.mid(usage.start, usage.size);
            if (usage.tag == 0x06 && id == kServerAuth)
                return false;
            client = client || (usage.tag == 0x06 && id == kClientAuth);
        }
    }
    return client;
}

bool IssuedToCa(const QString &pemPath)
{
    const QByteArray der = PemBody(pemPath);
    static const QByteArray kBasicConstraints("\x55\x1d\x13", 3); // 2.5.29.19
    for (const TElement &constraints : ExtensionValues(der, kBasicConstraints)) {
        // cA, a BOOLEAN that is left out when false
        const QList<TElement> fields = Children(der, constraints);
        if (!fields.isEmpty() && fields[0].tag == 0x01 && fields[0].size == 1 && der.at(fields[0].start) != 0)
            return true;
    }
    return false;
}

QStringList PermittedDnsNames(const QString &pemPath)
{
    const QByteArray der = PemBody(pemPath);
    static const QByteArray kNameConstraints("\x55\x1d\x1e", 3); // 2.5.29.30
    QStringList names;
    for (const TElement &constraints : ExtensionValues(der, kNameConstraints)) {
        if (constraints.tag != 0x30)
            continue;
        // permittedSubtrees [0], each subtree a SEQUENCE whose base is a GeneralName;
        // dNSName is [2].
        for (const TElement &subtrees : Children(der, constraints)) {
            if (subtrees.tag != 0xa0)
                continue;
            for (const TElement &subtree : Children(der, subtrees)) {
                const auto base = ElementAt(der, subtree.start, subtree.End());
                if (base && base->tag == 0x82)
                    names << QString::fromLatin1(der.mid(base->start, base->size));
            }
        }
    }
    return names;
}

QString CertificateSerial(const QString &pemPath)
{
    const QByteArray der = PemBody(pemPath);
    const QList<TElement> tbs = SignedPart(der);
    const qsizetype serial = !tbs.isEmpty() && tbs[0].tag == 0xa0 ? 1 : 0;
    return tbs.size() > serial && tbs[serial].tag == 0x02 ? SerialText(der, tbs[serial]) : QString();
}
