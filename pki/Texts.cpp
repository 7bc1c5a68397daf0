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

const QString ReplaceCaCertificate =
    QStringLiteral("Vous avez déja un certificat pour ce CA. Cliquez sur ok pour l'écraser, ATTENTION les certificats "
                   "signé par ce CA ne fonctionnerons plus.)");
const QString ReplaceCertificate =
    QStringLiteral("Vous avez déja un certificat pour cette machine. Cliquez sur ok pour l'écraser.)");

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
