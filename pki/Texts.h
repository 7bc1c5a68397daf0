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

// A CA signed by another CA, and names kept within a CA's domain.
QString OutsideCaDomain(const QString &name, const QStringList &domains);
extern const QString IssuerIsTheCa;
QString IssuerNotRoot(const QString &issuer, const QString &itsIssuer);
QString SameNameAsIssuer(const QString &issuer);
QString CaOutlivesIssuer(const QString &issuer, const QDateTime &issuerNotAfter);
// Said before re-creating or removing a CA that signed CAs still in force.
QString IssuedCasLost(const QStringList &cas);
QString RemoveCaThatIssued(const QString &ca, const QStringList &cas);
QString IssuedBy(const QString &issuer);

// Renewing a certificate picked on the revocation page.
extern const QString RenewPickCertificate;
QString RenewUnreadable(const QString &file);
extern const QString RenewIssuedCa;

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
// A commit a crash interrupted, finished (or not) at the next start.
QString CommitFinished(const QString &ca);
QString CommitNotFinished(const QString &ca, const QString &file);
// The cause of one of the tool's common failures in a French sentence; empty when unknown.
QString ExplainToolFailure(const QString &toolLine);

// Command-line use (the command line's own texts are in TextsCommandLine.cpp).
QString Help(const QString &commandLines, const QString &optionLines);
QString CommandHelp(const QString &command, const QString &synopsis, const QString &summary, const QString &optionLines);
QString CommandUsage(const QString &command, const QString &synopsis);
QString Version(const QString &version);
QString Usage(const QString &problem);
extern const QString NoCommand;
QString UnknownOption(const QString &option);
QString BadOptionValue(const QString &option);
QString UnknownCommand(const QString &command);
extern const QString BadDaysOption;
QString CannotEnterDir(const QString &dir);
QString WindowNotStarted(const QString &program, int error);
QString UnknownCa(const QString &ca, const QString &settingsFile);
QString NoCasIn(const QString &settingsFile);
QString NoSecret(const QString &envVar, const QString &fileOption);
QString EmptySecret(const QString &envVar, const QString &fileOption);
extern const QString SecretsDiffer;
QString PromptAgain(const QString &prompt);
QString PassphraseFileUnreadable(const QString &file, const QString &reason);
QString PassphraseFileNotRegular(const QString &file);
QString PassphraseFileNotYours(const QString &file);
QString PassphraseFileOpen(const QString &file, uint mode);
QString PassphraseFileTooLarge(const QString &file, qint64 maxKiB);
QString PassphrasePrompt(const QString &ca);
QString ExportPasswordPrompt(const QString &name);
extern const QString QuestionUnanswered;
QString RunNotStarted(const QString &what);
QString UnknownKeyType(const QString &value);
extern const QString AesOrCompatible;
extern const QString ServerOrUser;
QString NothingToRenew(const QString &name, const QString &ca);
QString RenewedStillValid(const QString &ca, const QString &serial, const QDateTime &end);
// Each command's summary and each option's help line.
extern const QString CaCommandSummary, ServerCommandSummary, UserCommandSummary, SignCommandSummary,
    RenewCommandSummary, RevokeCommandSummary, CrlCommandSummary, ListCommandSummary, ExpiryCommandSummary;
extern const QString DirOptionHelp, HelpOptionHelp, VersionOptionHelp, YesOptionHelp, DaysOptionHelp,
    PassphraseFileOptionHelp, JsonOptionHelp, ExportPasswordFileOptionHelp, AesOptionHelp, CompatibleOptionHelp,
    AltOptionHelp, UserEmailOptionHelp, SignServerOptionHelp, SignUserOptionHelp, IssuerOptionHelp,
    IssuerPassphraseFileOptionHelp, NameConstraintOptionHelp;
QString CaFieldOptionHelp(const QString &option);
QString CaFieldValueName(const QString &option);
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
QString RequestNameOfUser(const QString &commonName);
QString RequestAltName(const QString &entry);
QString RequestEmail(const QString &email);
QString SignRequestQuestion(const QString &commonName, const QStringList &names, const QString &key, const QString &days);
QString SignedRequestDone(const QString &chain);
// Importing a CA made elsewhere (the texts are in TextsImport.cpp).
extern const QString ImportKindQuestion;
extern const QString ImportKindEasyRsa;
extern const QString ImportKindPair;
extern const QString ImportEasyRsaCaption;
extern const QString ImportKeyCaption;
extern const QString ImportCertCaption;
extern const QString ImportPemFilter;
extern const QString ImportNamePrompt;
extern const QString ImportPassphrasePrompt;
extern const QString ImportNewPassphrasePrompt;
extern const QString ImportNotRegular;
extern const QString ImportEmptyPassphrase;
extern const QString ImportWrongPassphrase;
extern const QString ImportCommandSummary;
extern const QString ImportSourceOptions;
extern const QString ImportEasyRsaOptionHelp;
extern const QString ImportKeyOptionHelp;
extern const QString ImportCertOptionHelp;
QString ImportUnreadable(const QString &file, const QString &reason);
QString NotAnEasyRsaPki(const QString &dir);
QString ImportBadIndexLine(const QString &file, int line);
QString ImportNotACertificate(const QString &file);
QString ImportNotACa(const QString &file);
QString ImportExpired(const QString &file, const QDateTime &end);
QString ImportNotAKey(const QString &file);
QString ImportKeyMismatch(const QString &key, const QString &cert);
QString ImportUnsupportedKey(const QString &key);
QString ImportFolderTaken(const QString &ca);
QString ImportKeyNotEncrypted(const QString &toolLine);
QString ImportFailed(const QString &why);
QString ImportDone(const QString &ca, const QString &source, int valid, int revoked, int keys);

// Installing a CA into this computer's trust stores (TextsTrust.cpp).
extern const QString ChromeStore, ChromiumSnapStore, FirefoxStore, NssDatabaseStore, SystemStoreName, JavaStore;
QString FirefoxProfileStore(const QString &profile, const QString &variant);
QString StoreLine(const QString &store, const QString &where, const QString &outcome);
extern const QString TrustInstalled, TrustDatabaseCreated, TrustAlreadyInstalled, TrustReplaced,
    TrustUnderOtherName, TrustRemoved, TrustNotThere, TrustOtherCertificate, TrustSeveralCertificates,
    TrustNeverStarted, TrustNoDatabase;
QString TrustToolFailed(const QString &toolLine);
extern const QString CertutilMissing, KeytoolMissing, SystemStoreUnknown, TrustStoresExclusive;
QString SystemTrustNeedsRoot(const QString &sudoLine);
QString CaCertDerFailed(const QString &file, const QString &reason);
QString KeystorePasswordPrompt(const QString &keystore);
QString TrustReport(const QString &ca);
QString SystemStoreHint(const QString &sudoLine);
extern const QString TrustCommandSummary, RemoveOptionHelp, NssOptionHelp, SystemOptionHelp, JavaOptionHelp,
    KeystorePasswordFileOptionHelp;

// Questions whose "OK" destroys something, and what the window says after them.
QString RemoveCa(const QString &ca);
QString FilesKeptIn(const QString &folder);
QString RevokeQuestion(const QString &commonName, const QString &serial, const QDateTime &end);
QString RevokeReplacedQuestion(const QString &commonName, const QString &serial, const QDateTime &end);

} // namespace Texts
