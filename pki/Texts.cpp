#include "pki/Texts.h"
#include "pki/CaLayout.h"

#include <QDateTime>

namespace Texts {

const QString NoCaSelected = QStringLiteral("Aucun CA n'est sélectionné.");
const QString FillAllFields = QStringLiteral("Merci de remplir tous les champs ci-dessus");
const QString CaBusy = QStringLiteral("Une opération est déjà en cours sur ce CA.");
const QString PageBusy = QStringLiteral("Une opération est déjà en cours sur cette page : attendez qu'elle se termine.");

QString NoCaCertificate(const QString &ca)
{
    return QStringLiteral("Le CA %1 n'a pas encore de certificat : créez-le d'abord sur la page « Créer un CA ».").arg(ca);
}

QString ToolNotExecutable(const QString &tool)
{
    return QStringLiteral("« %1 » n'est pas un programme openssl exécutable : corrigez le champ « Binaire openssl.exe » "
                          "sur la page Configuration.")
        .arg(tool);
}

QString BadDays(const QString &fieldCaption)
{
    return QStringLiteral("« %1 » doit être un nombre entier de jours supérieur à zéro : choisissez une durée dans la liste.")
        .arg(fieldCaption);
}

QString EmptySubjectField(const QString &fieldCaption)
{
    return QStringLiteral("Le champ « %1 » du CA est vide : remplissez-le sur la page Configuration puis cliquez sur Save.")
        .arg(fieldCaption);
}

const QString BadCountryCode =
    QStringLiteral("Le « code pays » du CA doit avoir deux lettres (par exemple FR) : corrigez-le sur la page Configuration "
                   "puis cliquez sur Save.");

QString FieldTooLong(const QString &fieldCaption, qsizetype maxChars)
{
    return QStringLiteral("Le champ « %1 » du CA dépasse %2 caractères, le plus qu'un certificat accepte : "
                          "raccourcissez-le sur la page Configuration puis cliquez sur Save.")
        .arg(fieldCaption)
        .arg(maxChars);
}

QString CommonNameTooLong(const QString &what, qsizetype maxChars)
{
    return QStringLiteral("Nom trop long : %1 dépasse %2 caractères, le plus qu'un nom de certificat accepte.")
        .arg(what)
        .arg(maxChars);
}

const QString CaCommonNameCaption = QStringLiteral("le nom du CA (« Nom Sociétée » suivi de « CA »)");

QString ServerCommonNameCaption(const QString &suffix)
{
    return QStringLiteral("le nom du serveur (« FQDN du serveur » suivi de « %1 »)").arg(suffix);
}

const QString UserCommonNameCaption = QStringLiteral("le « Nom de l'utilisateur »");
const QString EndsAfter9999 =
    QStringLiteral("Cette durée mènerait au-delà du 31 décembre 9999, la dernière date qu'un certificat peut porter : "
                   "choisissez une durée plus courte.");
const QString QuitWhileRunning =
    QStringLiteral("Une opération est en cours : si vous quittez maintenant, elle est interrompue et ses fichiers "
                   "restent tels qu'ils étaient avant elle (une révocation déjà faite attend alors sa CRL). "
                   "Quitter quand même ?");

const QString InvalidCaName =
    QStringLiteral("Nom de CA invalide : utilisez des lettres, des chiffres, « . », « - » ou « _ ».");
const QString InvalidNewCaName =
    QStringLiteral("Nom de CA invalide : il termine le nom de chaque serveur, c'est donc un nom de domaine (par "
                   "exemple acme.test) : des lettres, des chiffres et des « - » intérieurs, séparés par des points.");
const QString CaExists = QStringLiteral("Ce CA existe déjà.");
const QString FilesNotDeleted = QStringLiteral("Attention les fichiers ne sont pas supprimés!");

QString CasLeftOut(const QStringList &names)
{
    return QStringLiteral("Ces CA du fichier tarvik.ini ont un nom invalide et ne sont pas proposés : %1. "
                          "Leurs sections restent dans le fichier.")
        .arg(names.join(QStringLiteral(", ")));
}

const QString CaNotInList = QStringLiteral("Ce CA n'est pas dans la liste : ajoutez-le avec « Ajouter ».");

const QString InvalidHostName =
    QStringLiteral("Nom de serveur invalide : utilisez des lettres, des chiffres et « - », séparés par des points "
                   "(par exemple www ou *.intranet).");
const QString InvalidUserName =
    QStringLiteral("Nom d'utilisateur invalide : ni « / », ni caractère de contrôle, ni blanc au début ou à la fin, "
                   "ni emoji ou autre caractère hors du plan multilingue de base, et pas « . » ou « .. ».");
const QString InvalidSerial =
    QStringLiteral("Numéro de certificat invalide : utilisez seulement des chiffres hexadécimaux (0 à 9, A à F), "
                   "par exemple 0A.");

QString HostHasCaSuffix(const QString &typed, const QString &hostPart, const QString &ca)
{
    return QStringLiteral("« %1 » se termine déjà par le nom du CA : tapez seulement « %2 », Tarvik ajoute « .%3 ».")
        .arg(typed, hostPart, ca);
}

QString InvalidAltName(const QString &entry)
{
    return QStringLiteral("« %1 » n'est ni un nom DNS (par exemple intranet ou *.acme.test) ni une adresse IP "
                          "(par exemple 10.0.0.5 ou 2001:db8::5) : corrigez le champ « Autres noms ».")
        .arg(entry);
}

QString TooManyAltNames(qsizetype max)
{
    return QStringLiteral("Trop de noms : un certificat de serveur en porte %1 au plus, le sien compris.").arg(max);
}

QString InvalidUserEmail(const QString &address)
{
    return QStringLiteral("« %1 » n'est pas une adresse e-mail qu'un certificat peut porter : un seul @, ni blanc, "
                          "ni guillemet, ni virgule, ni accent, 128 caractères au plus. Corrigez le champ "
                          "« E-mail de l'utilisateur » ou videz-le pour celle du CA.")
        .arg(address);
}

const QString InvalidCrlUrl =
    QStringLiteral("URL de la CRL invalide : elle commence par http:// ou https:// suivi du nom du serveur, sans blanc, "
                   "guillemet, virgule, barre oblique inverse ni accent, 512 caractères au plus "
                   "(par exemple http://pki.acme.test/acme.test.crl). Videz le champ pour n'en mettre aucune.");

const QString RenewPickCertificate =
    QStringLiteral("Choisissez d'abord un certificat dans la liste des certificats non révoqués.");

const QString RenewIssuedCa = QStringLiteral("Ce certificat est celui d'un CA émis par ce CA : pour le renouveler, "
                                             "créez ce CA de nouveau sur la page « Créer un CA ».");

QString RenewUnreadable(const QString &file)
{
    return QStringLiteral("Impossible de lire les noms du certificat %1 : il ne peut pas être renouvelé ici.").arg(file);
}

QString FrenchDate(const QDateTime &when)
{
    static const char *const kMonths[] = {"janvier", "février", "mars",      "avril",   "mai",      "juin",
                                          "juillet", "août",    "septembre", "octobre", "novembre", "décembre"};
    const QDate date = when.toLocalTime().date();
    return QStringLiteral("%1 %2 %3").arg(date.day()).arg(QString::fromUtf8(kMonths[date.month() - 1])).arg(date.year());
}

QString AppleRefusesLongServerCertificates(int days, int maxDays)
{
    return QStringLiteral("Ce certificat de serveur serait valable %1 jours : les iPhone, iPad et Mac refusent les "
                          "certificats de serveur valables plus de %2 jours, même d'un CA installé. Cliquez sur OK pour "
                          "le créer quand même, ou sur Annuler pour choisir une durée plus courte.")
        .arg(days)
        .arg(maxDays);
}

QString CaCertificateExpired(const QDateTime &caNotAfter)
{
    return QStringLiteral("Le certificat du CA a expiré le %1 : aucun client ne fera confiance aux certificats qu'il "
                          "signe. Créez d'abord le CA de nouveau sur la page « Créer un CA ». Cliquez sur OK pour "
                          "continuer quand même.")
        .arg(FrenchDate(caNotAfter));
}

QString OutsideCaDomain(const QString &name, const QStringList &domains)
{
    return QStringLiteral("« %1 » est hors du domaine du CA (%2) : ses clients refuseraient ce certificat.")
        .arg(name, domains.join(QStringLiteral(", ")));
}

const QString IssuerIsTheCa = QStringLiteral("Un CA ne peut pas être son propre CA émetteur : choisissez-en un autre, ou "
                                             "« Aucun (CA racine) ».");

QString IssuerNotRoot(const QString &issuer, const QString &itsIssuer)
{
    return QStringLiteral("Le CA émetteur %1 est lui-même émis par %2 : seul un CA racine peut émettre un CA.")
        .arg(issuer, itsIssuer);
}

QString SameNameAsIssuer(const QString &issuer)
{
    return QStringLiteral("Ce CA porterait le même nom que son CA émetteur %1 et les clients les confondraient : changez "
                          "« Nom Sociétée » ou « Nom Service » sur la page Configuration puis cliquez sur Save.")
        .arg(issuer);
}

QString CaOutlivesIssuer(const QString &issuer, const QDateTime &issuerNotAfter)
{
    return QStringLiteral("Le CA émetteur %1 expire le %2, avant la fin de ce CA : à partir de cette date, les clients ne "
                          "feront plus confiance à ce CA ni à ses certificats. Cliquez sur OK pour le créer quand même, "
                          "ou sur Annuler pour choisir une durée plus courte.")
        .arg(issuer, FrenchDate(issuerNotAfter));
}

QString IssuedCasLost(const QStringList &cas)
{
    return QStringLiteral("Il a émis le CA %1, encore en vigueur : le CA et ses certificats ne seront plus reconnus par "
                          "les clients qui auront le nouveau ca.crt.")
        .arg(cas.join(QStringLiteral(", ")));
}

QString RemoveCaThatIssued(const QString &ca, const QStringList &cas)
{
    return QStringLiteral("Le CA %1 a émis le CA %2, encore en vigueur : sans lui, vous ne pourrez plus révoquer ce CA "
                          "ni publier sa CRL depuis la liste. Cliquez sur OK pour le retirer quand même.")
        .arg(ca, cas.join(QStringLiteral(", ")));
}

QString IssuedBy(const QString &issuer)
{
    return QStringLiteral("Émis par le CA ") + issuer;
}

QString CertificateOutlivesCa(const QDateTime &caNotAfter)
{
    return QStringLiteral("Le certificat du CA expire le %1, avant la fin de ce certificat : à partir de cette date, "
                          "les clients ne lui feront plus confiance. Cliquez sur OK pour le créer quand même, ou sur "
                          "Annuler pour choisir une durée plus courte.")
        .arg(FrenchDate(caNotAfter));
}

QString CertificateTip(const QString &name, const QString &serial, const QString &when)
{
    return name + QStringLiteral(" — n° ") + serial + QStringLiteral(" — ") + when;
}

namespace {
QString Days(qint64 days)
{
    return days == 1 ? QStringLiteral("1 jour") : QStringLiteral("%1 jours").arg(days);
}
} // namespace

QString ExpiresOn(const QDateTime &end, qint64 daysLeft)
{
    return QStringLiteral("expire le %1 (%2)")
        .arg(FrenchDate(end), daysLeft == 0 ? QStringLiteral("aujourd'hui") : QStringLiteral("dans ") + Days(daysLeft));
}

QString ExpiredOn(const QDateTime &end, qint64 daysAgo)
{
    return QStringLiteral("a expiré le %1 (%2)")
        .arg(FrenchDate(end), daysAgo == 0 ? QStringLiteral("aujourd'hui") : QStringLiteral("il y a ") + Days(daysAgo));
}

QString RevokedOn(const QDateTime &when)
{
    return QStringLiteral("révoqué le ") + FrenchDate(when);
}

QString CaValidUntil(const QDateTime &end)
{
    return QStringLiteral("CA valable jusqu'au ") + FrenchDate(end);
}

QString CaExpiredSince(const QDateTime &end)
{
    return QStringLiteral("CA expiré depuis le ") + FrenchDate(end);
}

QString ReplacedBy(const QString &serial)
{
    return QStringLiteral("remplacé par le n° ") + serial;
}

QString CrlLacksRevocations(const QStringList &serials)
{
    return QStringLiteral("la CRL ne contient pas encore %1 %2 : cliquez sur « Republier la CRL »")
        .arg(serials.size() == 1 ? QStringLiteral("le révoqué n°") : QStringLiteral("les révoqués n°"),
             serials.join(QStringLiteral(", ")));
}

QString CrlLacksRevocationsWarning(const QString &ca, const QStringList &serials)
{
    return QStringLiteral("La liste de révocation (CRL) du CA %1 ne contient pas %2 %3 : une révocation n'a pas été "
                          "publiée (interrompue ou échouée), et les serveurs acceptent encore ces certificats. Publiez-la "
                          "de nouveau sur la page « Liste de révocation » (« Republier la CRL »).")
        .arg(ca, serials.size() == 1 ? QStringLiteral("le certificat révoqué n°") : QStringLiteral("les certificats révoqués n°"),
             serials.join(QStringLiteral(", ")));
}

const QString NoCaCertificateYet = QStringLiteral("pas encore de certificat de CA");

QString CrlRepublishBefore(const QDateTime &nextUpdate)
{
    return QStringLiteral("CRL à republier avant le ") + FrenchDate(nextUpdate);
}

QString CrlExpiredSince(const QDateTime &nextUpdate)
{
    return QStringLiteral("CRL expirée depuis le ") + FrenchDate(nextUpdate);
}

const QString NoCrlYet = QStringLiteral("aucune CRL publiée");

QString CertificatesExpiringSoon(int count, int windowDays)
{
    if (count == 0)
        return QStringLiteral("aucun certificat n'expire dans moins de %1 jours").arg(windowDays);
    if (count == 1)
        return QStringLiteral("1 certificat expire dans moins de %1 jours").arg(windowDays);
    return QStringLiteral("%1 certificats expirent dans moins de %2 jours").arg(count).arg(windowDays);
}

QString CaCertificateEnds(const QString &ca, const QDateTime &end, bool passed)
{
    return QStringLiteral("Le certificat du CA %1 %2 le %3 : les clients ne font plus confiance aux certificats qu'il "
                          "a signés une fois cette date passée. Créez le CA de nouveau sur la page « Créer un CA » "
                          "(puis refaites ses certificats).")
        .arg(ca, passed ? QStringLiteral("a expiré") : QStringLiteral("expire"), FrenchDate(end));
}

QString CrlEnds(const QString &ca, const QDateTime &nextUpdate, bool passed)
{
    return QStringLiteral("La liste de révocation (CRL) du CA %1 %2 le %3 : les serveurs qui la vérifient refusent "
                          "alors tous les certificats d'utilisateur. Publiez-la de nouveau sur la page « Liste de "
                          "révocation » (« Republier la CRL »).")
        .arg(ca, passed ? QStringLiteral("a expiré") : QStringLiteral("expire"), FrenchDate(nextUpdate));
}

const QString ReplaceCaCertificate =
    QStringLiteral("Vous avez déja un certificat pour ce CA. Cliquez sur ok pour l'écraser, ATTENTION les certificats "
                   "signé par ce CA ne fonctionnerons plus.)");
QString ReplaceCaWithIssued(qsizetype issued)
{
    const QString lost = issued == 1
                             ? QStringLiteral("Ce CA a déjà signé 1 certificat : si vous le créez de nouveau, il ne sera "
                                              "plus reconnu par les clients qui auront le nouveau ca.crt, et il faudra le "
                                              "refaire.")
                             : QStringLiteral("Ce CA a déjà signé %1 certificats : si vous le créez de nouveau, ils ne "
                                              "seront plus reconnus par les clients qui auront le nouveau ca.crt, et il "
                                              "faudra les refaire.")
                                   .arg(issued);
    return lost
           + QStringLiteral(" L'ancienne clé et l'ancien certificat du CA sont gardés dans private/ca.key.prev et "
                            "private/ca.crt.prev. Cliquez sur OK pour l'écraser.");
}

const QString ReplaceCertificate =
    QStringLiteral("Vous avez déja un certificat pour cette machine. Cliquez sur ok pour l'écraser.)");

QString NewCaKeyType(const QString &keyTypeText)
{
    return QStringLiteral("La nouvelle clé du CA sera de type %1.").arg(keyTypeText);
}

QString CreateCaDone(const QString &ca)
{
    return QStringLiteral("Votre ca.crt est dans ") + CaLayout::CaCert(ca)
           + QStringLiteral(" Vous pouvez l'installer sur votre serveur web et vos clients.");
}

namespace {
QString Pkcs12Done(const QString &ca, const QString &name, const QString &where)
{
    return QStringLiteral("Votre ") + name + QStringLiteral(".p12 est dans ") + CaLayout::Pkcs12(ca, name)
           + QStringLiteral(" Vous pouvez l'installer ") + where;
}
} // namespace

QString ServerCertificateDone(const QString &ca, const QString &name)
{
    return Pkcs12Done(ca, name, QStringLiteral("sur votre serveur web."));
}

QString UserCertificateDone(const QString &ca, const QString &name)
{
    return Pkcs12Done(ca, name, QStringLiteral("sur le poste de l'utilisateur."));
}

QString RevocationDone(const QString &ca)
{
    return QStringLiteral("Votre liste de revocation est dans ") + CaLayout::Crl(ca)
           + QStringLiteral(" Vous pouvez l'installer sur le serveur web.");
}

const QString CreateCaFailed = QStringLiteral("La création du CA a échoué");
const QString CertificateFailed = QStringLiteral("La création du certificat a échoué");
const QString RevocationFailed = QStringLiteral("La révocation ou la publication de la CRL a échoué");
const QString CrlFailed = QStringLiteral("La publication de la CRL a échoué");

QString Failure(const QString &what, const QString &toolLine)
{
    const QString why = ExplainToolFailure(toolLine);
    if (why.isEmpty())
        return what + QStringLiteral(" : ") + toolLine;
    return QStringLiteral("%1 : %2 (OpenSSL : %3)").arg(what, why, toolLine);
}

QString FailureWithCode(const QString &what, quint32 exitCode)
{
    return what + QStringLiteral(" : l'interpréteur de commandes s'est arrêté avec le code %1.").arg(exitCode);
}

QString FailureNoFile(const QString &what, const QString &file)
{
    return what + QStringLiteral(" : le fichier %1 n'a pas été écrit.").arg(file);
}

QString FailureNotKept(const QString &what, const QString &previous)
{
    return what + QStringLiteral(" : impossible de garder l'ancien fichier dans %1 ; rien n'a été remplacé.").arg(previous);
}

QString FailureNotRenamed(const QString &what, const QString &file)
{
    return what + QStringLiteral(" : impossible d'écrire %1.").arg(file);
}

QString CommitFinished(const QString &ca)
{
    return QStringLiteral("Le CA %1 avait été interrompu en fin d'opération (arrêt brutal) : ses nouveaux fichiers "
                          "ont pris leur place, la clé et le certificat vont de nouveau ensemble.")
        .arg(ca);
}

QString CommitNotFinished(const QString &ca, const QString &file)
{
    return QStringLiteral("Le CA %1 a été interrompu en fin d'opération et %2 n'a pas pu prendre sa place : "
                          "vérifiez les droits du dossier, puis relancez Tarvik.")
        .arg(ca, file);
}

QString ExplainToolFailure(const QString &toolLine)
{
    // The tool's own words, first match wins: a wrong pass phrase also ends in a failed load.
    static const struct
    {
        QStringList marks;
        const char *why;
    } kCauses[] = {
        {{"bad decrypt", "maybe wrong password", "unable to load CA private key", "Could not read CA private key"},
         "la phrase de passe du CA est fausse."},
        {{"Already revoked"}, "ce certificat est déjà révoqué."},
        {{"certificate to be revoked"}, "aucun certificat de ce CA ne porte ce numéro."},
        {{"string too long"}, "un champ est trop long pour un certificat, 64 caractères au plus pour la plupart."},
        {{"No such file or directory", "Permission denied", "unable to load", "Error loading file"},
         "un fichier dont OpenSSL a besoin manque ou n'est pas accessible."},
    };
    for (const auto &cause : kCauses)
        for (const QString &mark : cause.marks)
            if (toolLine.contains(mark, Qt::CaseInsensitive))
                return QString::fromUtf8(cause.why);
    return QString();
}

QString Version(const QString &version)
{
    return QStringLiteral("Tarvik %1\n").arg(version);
}

QString Usage(const QString &problem)
{
    return problem + QStringLiteral("\nPour l'aide : tarvik --help");
}

QString UnknownOption(const QString &option)
{
    return QStringLiteral("option inconnue : « %1 ».").arg(option);
}

QString UnknownCommand(const QString &command)
{
    return QStringLiteral("commande inconnue : « %1 ».").arg(command);
}

const QString BadDaysOption = QStringLiteral("--days attend un nombre de jours (0 ou plus).");

QString CannotEnterDir(const QString &dir)
{
    return QStringLiteral("impossible d'ouvrir le répertoire « %1 ».").arg(dir);
}

QString WindowNotStarted(const QString &program, int error)
{
    return QStringLiteral("impossible de lancer la fenêtre : « %1 » est introuvable ou n'est pas exécutable (erreur %2).")
        .arg(program)
        .arg(error);
}

QString UnknownCa(const QString &ca, const QString &settingsFile)
{
    return QStringLiteral("le CA « %1 » n'existe pas : il n'est ni dans %2, ni en dossier à côté.").arg(ca, settingsFile);
}


QString PassphraseFileUnreadable(const QString &file, const QString &reason)
{
    return QStringLiteral("impossible de lire le fichier de passe phrase « %1 » : %2.").arg(file, reason);
}

QString PassphraseFileNotRegular(const QString &file)
{
    return QStringLiteral("« %1 » n'est pas un fichier ordinaire : refusé comme fichier de passe phrase.").arg(file);
}

QString PassphraseFileNotYours(const QString &file)
{
    return QStringLiteral("le fichier de passe phrase « %1 » appartient à un autre utilisateur : refusé.").arg(file);
}

QString PassphraseFileOpen(const QString &file, uint mode)
{
    return QStringLiteral("le fichier de passe phrase « %1 » est accessible à d'autres utilisateurs (mode %2) : "
                          "refusé. Faites chmod 600 sur ce fichier.")
        .arg(file, QStringLiteral("%1").arg(mode, 4, 8, QChar(u'0')));
}

QString PassphrasePrompt(const QString &ca)
{
    return QStringLiteral("Passe phrase du CA %1 : ").arg(ca);
}

QString CaLockFailed(const QString &reason)
{
    return QStringLiteral("impossible de réserver le CA : %1.").arg(reason);
}

QString CheckLine(const QString &ca, const QString &text)
{
    return ca + QStringLiteral(" : ") + text;
}

QString CaExpiresOn(const QDateTime &end, qint64 daysLeft)
{
    return QStringLiteral("CA ") + ExpiresOn(end, daysLeft);
}

QString UnreadableFile(const QString &file)
{
    return QStringLiteral("fichier illisible : %1").arg(file);
}

QString UnreadableIndex(const QString &file, const QString &reason)
{
    return QStringLiteral("%1 illisible : %2").arg(file, reason);
}

QString CrlToPublish(const QString &ca, const QString &state)
{
    return state + QStringLiteral(" : publiez-la avec « tarvik crl %1 »").arg(ca);
}

const QString SignRequestCaption = QStringLiteral("Signer une demande de certificat");
const QString RequestCommonNameCaption = QStringLiteral("le nom commun (CN) de la demande");
const QString RequestFileFilter = QStringLiteral("Demandes de certificat (*.csr *.req *.pem *.der);;Tous les fichiers (*)");

QString RequestUnreadable(const QString &file)
{
    return QStringLiteral("Impossible de lire la demande %1.").arg(file);
}

QString RequestEmpty(const QString &file)
{
    return QStringLiteral("Le fichier %1 est vide : ce n'est pas une demande de certificat.").arg(file);
}

QString RequestTooLarge(const QString &file, qint64 maxKiB)
{
    return QStringLiteral("Le fichier %1 dépasse %2 Kio : ce n'est pas une demande de certificat.").arg(file).arg(maxKiB);
}

QString NotARequest(const QString &file)
{
    return QStringLiteral("Le fichier %1 n'est pas une demande de certificat (PKCS#10, PEM ou DER).").arg(file);
}

const QString RequestSignatureBroken =
    QStringLiteral("La signature de la demande est fausse : elle a été modifiée ou abîmée en route. Rien n'a été signé.");

QString WeakRequestKey(const QString &key, int minBits)
{
    return QStringLiteral("Clé trop faible : %1, %2 au moins.").arg(key).arg(minBits);
}

QString RefusedRequestKey(const QString &key)
{
    return QStringLiteral("Type de clé refusé : %1. Tarvik signe les clés RSA de 2048 bits au moins et les clés "
                          "à courbe elliptique P-256, P-384 ou P-521.")
        .arg(key);
}

const QString RequestWithoutCommonName = QStringLiteral("La demande ne porte pas de nom commun (CN).");
const QString RequestWithSeveralCommonNames = QStringLiteral("La demande porte plusieurs noms communs (CN) : un seul est permis.");

QString RequestHostName(const QString &commonName)
{
    return QStringLiteral("Le nom commun « %1 » de la demande n'est pas un nom DNS de serveur (par exemple "
                          "imprimante.acme.test).")
        .arg(commonName);
}

QString RequestUserName(const QString &commonName)
{
    return QStringLiteral("Le nom commun « %1 » de la demande ne peut pas servir de nom d'utilisateur.").arg(commonName);
}

QString RequestNameOfUser(const QString &commonName)
{
    return QStringLiteral("Le nom commun « %1 » de la demande est celui d'un utilisateur de ce CA : un certificat de serveur "
                          "ne peut pas remplacer le sien.")
        .arg(commonName);
}

QString RequestAltName(const QString &entry)
{
    return QStringLiteral("La demande réclame le nom « %1 », qui n'est ni un nom DNS ni une adresse IP : elle est refusée.")
        .arg(entry);
}

QString CaEmailNotAscii(const QString &address)
{
    return QStringLiteral("L'adresse e-mail « %1 » du CA ne peut pas figurer dans un certificat : lettres sans accent, "
                          "chiffres et signes ASCII seulement (par exemple pki@acme.test).")
        .arg(address);
}

QString RequestEmail(const QString &email)
{
    return QStringLiteral("L'adresse e-mail « %1 » de la demande n'est pas valable.").arg(email);
}

QString SignRequestQuestion(const QString &commonName, const QStringList &names, const QString &key, const QString &days)
{
    return QStringLiteral("Signer cette demande ?\n\nNom commun : %1\nNoms : %2\nClé : %3\nValidité : %4 jours")
        .arg(commonName, names.isEmpty() ? QStringLiteral("aucun") : names.join(QStringLiteral(", ")), key, days);
}

QString SignedRequestDone(const QString &chain)
{
    return QStringLiteral("Votre certificat est dans ") + chain;
}

QString RemoveCa(const QString &ca)
{
    return QStringLiteral("Retirer le CA %1 de la liste ? Ses fichiers restent sur le disque : vous pourrez l'ajouter "
                          "de nouveau avec « Ajouter ».")
        .arg(ca);
}

QString FilesKeptIn(const QString &folder)
{
    return FilesNotDeleted + QStringLiteral(" Ils restent dans le dossier ") + folder + u'.';
}

QString RevokeQuestion(const QString &commonName, const QString &serial, const QDateTime &end)
{
    return QStringLiteral("Révoquer le certificat « %1 » (n° %2, valable jusqu'au %3) ? La révocation est définitive : "
                          "ses clients le refuseront dès qu'ils auront la nouvelle CRL.")
        .arg(commonName, serial, FrenchDate(end));
}

QString RevokeReplacedQuestion(const QString &commonName, const QString &serial, const QDateTime &end)
{
    return QStringLiteral("Le certificat « %1 » est renouvelé. Révoquer aussi l'ancien (n° %2, valable jusqu'au %3) ? "
                          "Attendez plutôt que le nouveau soit installé : ses clients refuseront l'ancien dès qu'ils "
                          "auront la nouvelle CRL. Vous pourrez le révoquer plus tard sur la page « Liste de "
                          "révocation ».")
        .arg(commonName, serial, FrenchDate(end));
}

} // namespace Texts
