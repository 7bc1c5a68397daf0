#pragma once
#include "pki/PemDates.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// How near the CA, its certificates and its CRL are to their end.

// Certificates and the CA certificate are flagged this many days before they end.
inline constexpr int kExpiryWarningDays = 30;
// The tool publishes a CRL for 30 days, so a 30-day window would flag every CRL the day
// after it is published; a week is enough to publish it again.
inline constexpr int kCrlWarningDays = 7;

enum class TExpiry { Far, Soon, Passed };
TExpiry ExpiryOf(const QDateTime &end, const QDateTime &now, int windowDays = kExpiryWarningDays);

// The fields of one line of the CA database that tell who and when.
struct TIndexEntry
{
    QDateTime expires;
    QDateTime revoked; // invalid for a certificate not revoked
    QString serial;
    QString commonName; // the subject when it has no CN
};
TIndexEntry ParseIndexLine(QStringView line);
// Only the expiry of a database line, for the thousands of lines of a list.
QDateTime IndexLineExpiry(QStringView line);

// The tool tip of a database line: who, which serial, and when it ends or was revoked;
// replacedBy names the newer certificate of the same subject, when there is one.
QString IndexLineTip(QStringView line, const QDateTime &now, const QString &replacedBy = QString());

// Lines of valid certificates that a later certificate of the same subject replaced (the
// way to renew one), each with the serial of the newest: they no longer count as ending.
QHash<qsizetype, QString> ReplacedLines(const QStringList &validLines);

// Serials the database marks revoked that the published CRL does not list: a revocation
// whose CRL was never written (failed, stopped, or the program was killed).
QStringList UnpublishedRevocations(const QStringList &revokedLines, const TCrlContent &crl);

// One piece of the page's summary; an alert is shown in red.
struct TSummaryPart
{
    QString text;
    bool alert = false;
};
// caNotAfter and crlNextUpdate are invalid when there is no such file.
QList<TSummaryPart> ExpirySummary(const QDateTime &caNotAfter, const QDateTime &crlNextUpdate, int soonCount,
                                  const QDateTime &now, const QStringList &unpublished = {});

// What to tell the user when a CA is selected whose certificate or CRL has ended or
// ends soon, or whose CRL lacks revocations; empty when all is fine or missing.
QString CaExpiryWarning(const QString &ca, const QDateTime &caNotAfter, const QDateTime &crlNextUpdate,
                        const QDateTime &now, const QStringList &unpublished = {});

// What `tarvik expiry` reports for one CA, as monitoring checks do: 0 when nothing needs
// doing, 1 when something ends within the window (the CRL within kCrlWarningDays), 2 when
// something has ended or cannot be read.
struct TCaFacts
{
    QString ca;
    bool caCertExists = false;
    QDateTime caNotAfter; // invalid when the file cannot be read
    bool crlExists = false;
    QDateTime crlNextUpdate;
    QStringList validLines; // the database's "V" lines
    QString indexError;     // why the database could not be read; empty when it was
};
// One finding, for machines: what it is about ("ca", "crl", "database" or "certificate"),
// its status, its date (invalid when none) and, for a certificate, who.
struct TCheckFinding
{
    QString item;
    int status = 0;
    QDateTime when;
    QString name, serial;
    QString text; // the line's French text, after the CA's name
};
struct TCheckReport
{
    int status = 0;
    QStringList lines; // one line of French each
    QList<TCheckFinding> findings; // the same, one each
};
TCheckReport CheckCaExpiry(const TCaFacts &facts, int windowDays, const QDateTime &now);

// The CAs to check for the CAs asked about: each of them and every CA above it, once each,
// in the order asked. A certificate ends for its clients with the first of its chain.
QStringList WithIssuers(const QStringList &cas);
