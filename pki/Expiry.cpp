#include "pki/Expiry.h"

#include "pki/CaChain.h"
#include "pki/CaLayout.h"
#include "pki/IndexFile.h"
#include "pki/PemDates.h"
#include "pki/Texts.h"

#include <algorithm>

namespace {

// Calendar days between two moments, as the user's clock shows them.
qint64 LocalDaysBetween(const QDateTime &from, const QDateTime &to)
{
    return from.toLocalTime().date().daysTo(to.toLocalTime().date());
}

// The n-th tab-separated field of a database line.
QStringView Field(QStringView line, int n)
{
    qsizetype start = 0;
    for (int i = 0; i < n; ++i) {
        start = line.indexOf(u'\t', start);
        if (start < 0)
            return {};
        ++start;
    }
    const qsizetype end = line.indexOf(u'\t', start);
    return line.mid(start, end < 0 ? -1 : end - start);
}

} // namespace

TExpiry ExpiryOf(const QDateTime &end, const QDateTime &now, int windowDays)
{
    if (end <= now)
        return TExpiry::Passed;
    return now.secsTo(end) < qint64(windowDays) * 86400 ? TExpiry::Soon : TExpiry::Far;
}

TIndexEntry ParseIndexLine(QStringView line)
{
    // Status, expiry, revocation ("date" or "date,reason"), serial, file name, subject.
    TIndexEntry entry;
    entry.expires = IndexLineExpiry(line);
    const QStringView revocation = Field(line, 2);
    entry.revoked = Asn1Time(revocation.left(revocation.indexOf(u',')));
    entry.serial = Field(line, 3).toString();
    const QStringView subject = Field(line, 5);
    const qsizetype cn = subject.indexOf(u"/CN=");
    if (cn < 0) {
        entry.commonName = DecodeIndexText(subject.toString());
    } else {
        const QStringView rest = subject.mid(cn + 4);
        entry.commonName = DecodeIndexText(rest.left(rest.indexOf(u'/')).toString());
    }
    return entry;
}

QDateTime IndexLineExpiry(QStringView line)
{
    return Asn1Time(Field(line, 1));
}

QString IndexLineTip(QStringView line, const QDateTime &now, const QString &replacedBy)
{
    const TIndexEntry entry = ParseIndexLine(line);
    QString when;
    if (!replacedBy.isEmpty()) {
        when = Texts::ReplacedBy(replacedBy);
    } else if (entry.revoked.isValid()) {
        when = Texts::RevokedOn(entry.revoked);
    } else if (entry.expires.isValid()) {
        const qint64 days = LocalDaysBetween(now, entry.expires);
        when = entry.expires <= now ? Texts::ExpiredOn(entry.expires, -days) : Texts::ExpiresOn(entry.expires, days);
    }
    return Texts::CertificateTip(entry.commonName, entry.serial, when);
}

QHash<qsizetype, QString> ReplacedLines(const QStringList &validLines)
{
    // The tool appends: of one subject, the last line is the newest certificate.
    QHash<QStringView, qsizetype> newest;
    for (qsizetype i = 0; i < validLines.size(); ++i)
        newest.insert(Field(validLines[i], 5), i);
    QHash<qsizetype, QString> replaced;
    for (qsizetype i = 0; i < validLines.size(); ++i) {
        const qsizetype last = newest.value(Field(validLines[i], 5));
        if (last != i)
            replaced.insert(i, Field(validLines[last], 3).toString());
    }
    return replaced;
}

QStringList UnpublishedRevocations(const QStringList &revokedLines, const TCrlContent &crl)
{
    QStringList missing;
    for (const QString &line : revokedLines) {
        const QString serial = Field(line, 3).toString().toUpper();
        if (!serial.isEmpty() && !crl.revokedSerials.contains(serial))
            missing.append(serial);
    }
    return missing;
}

QList<TSummaryPart> ExpirySummary(const QDateTime &caNotAfter, const QDateTime &crlNextUpdate, int soonCount,
                                  const QDateTime &now, const QStringList &unpublished)
{
    QList<TSummaryPart> parts;
    if (!caNotAfter.isValid())
        parts.append({Texts::NoCaCertificateYet, false});
    else if (const TExpiry state = ExpiryOf(caNotAfter, now); state == TExpiry::Passed)
        parts.append({Texts::CaExpiredSince(caNotAfter), true});
    else
        parts.append({Texts::CaValidUntil(caNotAfter), state == TExpiry::Soon});

    if (!crlNextUpdate.isValid())
        parts.append({Texts::NoCrlYet, false});
    else if (const TExpiry state = ExpiryOf(crlNextUpdate, now, kCrlWarningDays); state == TExpiry::Passed)
        parts.append({Texts::CrlExpiredSince(crlNextUpdate), true});
    else
        parts.append({Texts::CrlRepublishBefore(crlNextUpdate), state == TExpiry::Soon});
    if (!unpublished.isEmpty())
        parts.append({Texts::CrlLacksRevocations(unpublished), true});

    parts.append({Texts::CertificatesExpiringSoon(soonCount, kExpiryWarningDays), soonCount > 0});
    return parts;
}

QString CaExpiryWarning(const QString &ca, const QDateTime &caNotAfter, const QDateTime &crlNextUpdate,
                        const QDateTime &now, const QStringList &unpublished)
{
    QStringList lines;
    if (caNotAfter.isValid()) {
        if (const TExpiry state = ExpiryOf(caNotAfter, now); state != TExpiry::Far)
            lines.append(Texts::CaCertificateEnds(ca, caNotAfter, state == TExpiry::Passed));
    }
    if (crlNextUpdate.isValid()) {
        if (const TExpiry state = ExpiryOf(crlNextUpdate, now, kCrlWarningDays); state != TExpiry::Far)
            lines.append(Texts::CrlEnds(ca, crlNextUpdate, state == TExpiry::Passed));
    }
    if (!unpublished.isEmpty())
        lines.append(Texts::CrlLacksRevocationsWarning(ca, unpublished));
    return lines.join(QStringLiteral("\n\n"));
}

TCheckReport CheckCaExpiry(const TCaFacts &f, int windowDays, const QDateTime &now)
{
    TCheckReport report;
    const auto add = [&](const char *item, int status, const QString &text, const QDateTime &when = {},
                         const TIndexEntry &who = {}) {
        report.status = std::max(report.status, status);
        report.lines.append(Texts::CheckLine(f.ca, text));
        report.findings.append({QLatin1String(item), status, when, who.commonName, who.serial, text});
    };

    if (!f.caCertExists)
        add("ca", 2, Texts::NoCaCertificateYet);
    else if (!f.caNotAfter.isValid())
        add("ca", 2, Texts::UnreadableFile(CaLayout::CaCert(f.ca)));
    else if (const TExpiry state = ExpiryOf(f.caNotAfter, now, windowDays); state == TExpiry::Passed)
        add("ca", 2, Texts::CaExpiredSince(f.caNotAfter), f.caNotAfter);
    else if (state == TExpiry::Soon)
        add("ca", 1, Texts::CaExpiresOn(f.caNotAfter, LocalDaysBetween(now, f.caNotAfter)), f.caNotAfter);
    else
        add("ca", 0, Texts::CaValidUntil(f.caNotAfter), f.caNotAfter);

    if (!f.crlExists)
        add("crl", 1, Texts::CrlToPublish(f.ca, Texts::NoCrlYet));
    else if (!f.crlNextUpdate.isValid())
        add("crl", 2, Texts::UnreadableFile(CaLayout::Crl(f.ca)));
    else if (const TExpiry state = ExpiryOf(f.crlNextUpdate, now, kCrlWarningDays); state == TExpiry::Passed)
        add("crl", 2, Texts::CrlToPublish(f.ca, Texts::CrlExpiredSince(f.crlNextUpdate)), f.crlNextUpdate);
    else if (state == TExpiry::Soon)
        add("crl", 1, Texts::CrlToPublish(f.ca, Texts::CrlRepublishBefore(f.crlNextUpdate)), f.crlNextUpdate);
    else
        add("crl", 0, Texts::CrlRepublishBefore(f.crlNextUpdate), f.crlNextUpdate);

    if (!f.indexError.isEmpty()) {
        add("database", 2, Texts::UnreadableIndex(CaLayout::Index(f.ca), f.indexError));
        return report;
    }
    // Certificates that have ended stay in the database for good: they are history, not
    // something to do; nor is one already renewed.
    const QHash<qsizetype, QString> replaced = ReplacedLines(f.validLines);
    for (qsizetype i = 0; i < f.validLines.size(); ++i) {
        if (replaced.contains(i) || ExpiryOf(IndexLineExpiry(f.validLines[i]), now, windowDays) != TExpiry::Soon)
            continue;
        const TIndexEntry entry = ParseIndexLine(f.validLines[i]);
        add("certificate", 1, IndexLineTip(f.validLines[i], now), entry.expires, entry);
    }
    return report;
}

QStringList WithIssuers(const QStringList &cas)
{
    QStringList all;
    for (const QString &ca : cas)
        for (const QString &above : ChainOf(ca))
            if (!all.contains(above))
                all << above;
    return all;
}
