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

const QString InvalidCaName =
    QStringLiteral("Nom de CA invalide : utilisez des lettres, des chiffres, « . », « - » ou « _ ».");
const QString CaExists = QStringLiteral("Ce CA existe déjà.");
const QString FilesNotDeleted = QStringLiteral("Attention les fichiers ne sont pas supprimés!");

QString CasLeftOut(const QStringList &names)
{
    return QStringLiteral("Ces CA du fichier tarvik.ini ont un nom invalide et ne sont pas proposés : %1. "
                          "Leurs sections restent dans le fichier.")
        .arg(names.join(QStringLiteral(", ")));
}

const QString InvalidHostName =
    QStringLiteral("Nom de serveur invalide : utilisez des lettres, des chiffres et « - », séparés par des points "
                   "(par exemple www ou *.intranet).");
const QString InvalidUserName =
    QStringLiteral("Nom d'utilisateur invalide : ni « / », ni caractère de contrôle, ni blanc au début ou à la fin, "
                   "et pas « . » ou « .. ».");
const QString InvalidSerial =
    QStringLiteral("Numéro de certificat invalide : utilisez seulement des chiffres hexadécimaux (0 à 9, A à F), "
                   "par exemple 0A.");

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
    return what + QStringLiteral(" : ") + toolLine;
}

QString FailureWithCode(const QString &what, quint32 exitCode)
{
    return what + QStringLiteral(" : l'interpréteur de commandes s'est arrêté avec le code %1.").arg(exitCode);
}

QString FailureNoFile(const QString &what, const QString &file)
{
    return what + QStringLiteral(" : le fichier %1 n'a pas été écrit.").arg(file);
}

} // namespace Texts
