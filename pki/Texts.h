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
// Values over the length a certificate allows, or a validity past the last date it can hold.
QString FieldTooLong(const QString &fieldCaption, qsizetype maxChars);
QString CommonNameTooLong(const QString &what, qsizetype maxChars);
extern const QString CaCommonNameCaption;
QString ServerCommonNameCaption(const QString &suffix);
extern const QString UserCommonNameCaption;
extern const QString EndsAfter9999;
// Quitting while a console run still works on a CA.
extern const QString QuitWhileRunning;

// The CA list.
extern const QString InvalidCaName;
extern const QString InvalidNewCaName;
extern const QString CaExists;
extern const QString FilesNotDeleted;
QString CasLeftOut(const QStringList &names);
extern const QString CaNotInList;

// Names.
extern const QString InvalidHostName;
extern const QString InvalidUserName;
extern const QString InvalidSerial;
// The further names of a server certificate.
QString InvalidAltName(const QString &entry);
QString TooManyAltNames(qsizetype max);
// A host typed with the CA's own suffix, which the certificate would then carry twice.
QString HostHasCaSuffix(const QString &typed, const QString &hostPart, const QString &ca);
QString InvalidUserEmail(const QString &address);
QString CaEmailNotAscii(const QString &address);
extern const QString InvalidCrlUrl;

// Renewing a certificate picked on the revocation page.
extern const QString RenewPickCertificate;
QString RenewUnreadable(const QString &file);

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
QString ReplacedBy(const QString &serial);
// Revoked serials that the published CRL does not list yet.
QString CrlLacksRevocations(const QStringList &serials);
QString CrlLacksRevocationsWarning(const QString &ca, const QStringList &serials);
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
QString ReplaceCaWithIssued(qsizetype issued);
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
QString FailureNotKept(const QString &what, const QString &previous);
QString FailureNotRenamed(const QString &what, const QString &file);
// The cause of one of the tool's common failures in a French sentence; empty when unknown.
QString ExplainToolFailure(const QString &toolLine);

// Command-line use.
extern const QString Help;
QString Version(const QString &version);
QString Usage(const QString &problem);
QString UnknownOption(const QString &option);
QString UnknownCommand(const QString &command);
extern const QString CrlTakesOneCa;
extern const QString BadDaysOption;
extern const QString PassphraseFileForCrlOnly;
QString CannotEnterDir(const QString &dir);
QString UnknownCa(const QString &ca, const QString &dir);
extern const QString NoCas;
extern const QString NoPassphrase;
extern const QString EmptyPassphrase;
QString PassphraseFileUnreadable(const QString &file, const QString &reason);
QString PassphraseFileNotRegular(const QString &file);
QString PassphraseFileNotYours(const QString &file);
QString PassphraseFileOpen(const QString &file, uint mode);
QString PassphrasePrompt(const QString &ca);
QString CaLockFailed(const QString &reason);
// `tarvik expiry`: one line per finding, after the CA's name.
QString CheckLine(const QString &ca, const QString &text);
QString CaExpiresOn(const QDateTime &end, qint64 daysLeft);
QString UnreadableFile(const QString &file);
QString UnreadableIndex(const QString &file, const QString &reason);
QString CrlToPublish(const QString &ca, const QString &state);
// Signing a certificate request made elsewhere.
extern const QString SignRequestCaption;
extern const QString RequestFileFilter;
extern const QString RequestCommonNameCaption;
QString RequestUnreadable(const QString &file);
QString RequestEmpty(const QString &file);
QString RequestTooLarge(const QString &file, qint64 maxKiB);
QString NotARequest(const QString &file);
extern const QString RequestSignatureBroken;
QString WeakRequestKey(const QString &key, int minBits);
QString RefusedRequestKey(const QString &key);
extern const QString RequestWithoutCommonName;
extern const QString RequestWithSeveralCommonNames;
QString RequestHostName(const QString &commonName);
QString RequestUserName(const QString &commonName);
QString RequestAltName(const QString &entry);
QString RequestEmail(const QString &email);
QString SignRequestQuestion(const QString &commonName, const QStringList &names, const QString &key, const QString &days);
QString SignedRequestDone(const QString &chain);

} // namespace Texts
