#pragma once
#include <QString>
#include <QStringList>

class QDateTime;

// Every text the operations and their guards show to the user, worded once.
namespace Texts {

// Guards.
extern const QString NoCaSelected;
extern const QString FillAllFields;
extern const QString CaBusy;
extern const QString PageBusy;
QString NoCaCertificate(const QString &ca);
QString ToolNotExecutable(const QString &tool);
QString BadDays(const QString &fieldCaption);
QString EmptySubjectField(const QString &fieldCaption);
extern const QString BadCountryCode;

// The CA list.
extern const QString InvalidCaName;
extern const QString CaExists;
extern const QString FilesNotDeleted;
QString CasLeftOut(const QStringList &names);

// Names.
extern const QString InvalidHostName;
extern const QString InvalidUserName;
extern const QString InvalidSerial;

// Questions before issuing a certificate some clients will refuse or stop trusting.
QString AppleRefusesLongServerCertificates(int days, int maxDays);
QString CaCertificateExpired(const QDateTime &caNotAfter);
QString CertificateOutlivesCa(const QDateTime &caNotAfter);
// A date in words, in the local time zone: "9 décembre 2028".
QString FrenchDate(const QDateTime &when);

// The revocation page's expiry overview.
QString CertificateTip(const QString &name, const QString &serial, const QString &when);
QString ExpiresOn(const QDateTime &end, qint64 daysLeft);
QString ExpiredOn(const QDateTime &end, qint64 daysAgo);
QString RevokedOn(const QDateTime &when);
QString CaValidUntil(const QDateTime &end);
QString CaExpiredSince(const QDateTime &end);
extern const QString NoCaCertificateYet;
QString CrlRepublishBefore(const QDateTime &nextUpdate);
QString CrlExpiredSince(const QDateTime &nextUpdate);
extern const QString NoCrlYet;
QString CertificatesExpiringSoon(int count, int windowDays);
// The box shown once when a CA is selected whose certificate or CRL ends soon or has ended.
QString CaCertificateEnds(const QString &ca, const QDateTime &end, bool passed);
QString CrlEnds(const QString &ca, const QDateTime &nextUpdate, bool passed);

// Questions before replacing earlier results.
extern const QString ReplaceCaCertificate;
extern const QString ReplaceCertificate;
// Added to the CA replacement question: the type of the key about to be made.
QString NewCaKeyType(const QString &keyTypeText);

// Completion messages, shown once the tool has succeeded.
QString CreateCaDone(const QString &ca);
QString ServerCertificateDone(const QString &ca, const QString &name);
QString UserCertificateDone(const QString &ca, const QString &name);
QString RevocationDone(const QString &ca);

// What failed, as the first half of the error box's sentence.
extern const QString CreateCaFailed;
extern const QString CertificateFailed;
extern const QString RevocationFailed;
extern const QString CrlFailed;
// The error box's sentence: what failed and why.
QString Failure(const QString &what, const QString &toolLine);
QString FailureWithCode(const QString &what, quint32 exitCode);
QString FailureNoFile(const QString &what, const QString &file);

} // namespace Texts
