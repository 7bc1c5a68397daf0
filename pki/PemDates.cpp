#include "pki/PemDates.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTimeZone>

#include <optional>

Q_LOGGING_CATEGORY(lcPemDates, "tarvik.dates")

namespace {

// One DER element: its tag and where its contents lie.
struct TElement
{
    quint8 tag = 0;
    qsizetype start = 0, size = 0;
    qsizetype End() const { return start + size; }
};

std::optional<TElement> ElementAt(const QByteArray &der, qsizetype pos, qsizetype limit)
{
    if (pos + 2 > limit)
        return std::nullopt;
    TElement e;
    e.tag = quint8(der[pos]);
    quint8 first = quint8(der[pos + 1]);
    pos += 2;
    qsizetype size = first;
    if (first & 0x80) {
        const int bytes = first & 0x7f;
        if (bytes == 0 || bytes > 4 || pos + bytes > limit)
            return std::nullopt;
        size = 0;
        for (int i = 0; i < bytes; ++i)
            size = (size << 8) | quint8(der[pos++]);
    }
    if (size > limit - pos)
        return std::nullopt;
    e.start = pos;
    e.size = size;
    return e;
}

QByteArray PemBody(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray text = file.readAll();
    const qsizetype begin = text.indexOf("-----BEGIN ");
    const qsizetype bodyStart = begin < 0 ? -1 : text.indexOf('\n', begin);
    const qsizetype end = bodyStart < 0 ? -1 : text.indexOf("-----END ", bodyStart);
    if (end < 0)
        return QByteArray();
    return QByteArray::fromBase64(text.mid(bodyStart + 1, end - bodyStart - 1));
}

// UTCTime (YYMMDDHHMMSSZ) or GeneralizedTime (YYYYMMDDHHMMSSZ).
QDateTime TimeOf(const QByteArray &der, const TElement &e)
{
    const QString text = QString::fromLatin1(der.mid(e.start, e.size));
    QDateTime when;
    if (e.tag == 0x17 && text.size() == 13) {
        when = QDateTime::fromString(text.left(12), QStringLiteral("yyMMddHHmmss"));
        // RFC 5280: two-digit years 50 to 99 are 19xx, the others 20xx.
        if (when.isValid() && when.date().year() < 1950)
            when = when.addYears(100);
    } else if (e.tag == 0x18 && text.size() == 15) {
        when = QDateTime::fromString(text.left(14), QStringLiteral("yyyyMMddHHmmss"));
    }
    if (!text.endsWith(u'Z'))
        return QDateTime();
    when.setTimeZone(QTimeZone::utc());
    return when;
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

QDateTime Logged(const QString &path, const char *what, const QDateTime &when)
{
    if (!when.isValid())
        qCInfo(lcPemDates) << "no" << what << "in" << path;
    return when;
}

} // namespace

QDateTime CertificateNotAfter(const QString &pemPath)
{
    const QByteArray der = PemBody(pemPath);
    const QList<TElement> tbs = SignedPart(der);
    // [0] version, serial, signature algorithm, issuer, validity.
    const qsizetype validity = !tbs.isEmpty() && tbs[0].tag == 0xa0 ? 4 : 3;
    QDateTime when;
    if (tbs.size() > validity && tbs[validity].tag == 0x30) {
        const auto notBefore = ElementAt(der, tbs[validity].start, tbs[validity].End());
        const auto notAfter = notBefore ? ElementAt(der, notBefore->End(), tbs[validity].End()) : std::nullopt;
        if (notAfter && IsTime(*notAfter))
            when = TimeOf(der, *notAfter);
    }
    return Logged(pemPath, "end date", when);
}

QDateTime CrlNextUpdate(const QString &pemPath)
{
    const QByteArray der = PemBody(pemPath);
    const QList<TElement> tbs = SignedPart(der);
    // Optional version, signature algorithm, issuer, thisUpdate, then nextUpdate.
    const qsizetype thisUpdate = !tbs.isEmpty() && tbs[0].tag == 0x02 ? 3 : 2;
    QDateTime when;
    if (tbs.size() > thisUpdate + 1 && IsTime(tbs[thisUpdate]) && IsTime(tbs[thisUpdate + 1]))
        when = TimeOf(der, tbs[thisUpdate + 1]);
    return Logged(pemPath, "next update", when);
}
