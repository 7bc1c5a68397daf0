// The command line's own texts: help, refusals and questions of `tarvik COMMAND`.
#include "pki/Texts.h"

#include <QDateTime>

namespace Texts {

QString Help(const QString &commandLines, const QString &optionLines)
{
    return QStringLiteral("Usage : tarvik [--dir RÉPERTOIRE]\n"
                          "        tarvik [--dir RÉPERTOIRE] COMMANDE [ARGUMENTS…] [OPTIONS…]\n"
                          "\n"
                          "Sans commande, Tarvik ouvre sa fenêtre. Les commandes n'ont besoin d'aucun écran ; "
                          "« tarvik COMMANDE --help » décrit chacune.\n"
                          "\n"
                          "Commandes :\n%1\n"
                          "Options :\n%2\n"
                          "Les passes phrases et les mots de passe ne sont jamais des arguments : variables "
                          "TARVIK_CA_PASS, TARVIK_EXPORT_PASS, ou fichiers (--passphrase-file, "
                          "--export-password-file), sinon la question dans le terminal.\n"
                          "Codes de sortie : 0 fait, 1 l'outil a échoué ou le CA est occupé, 2 refusé.\n")
        .arg(commandLines, optionLines);
}

QString CommandHelp(const QString &command, const QString &synopsis, const QString &summary, const QString &optionLines)
{
    return QStringLiteral("Usage : tarvik [--dir RÉPERTOIRE] %1 %2\n\n%3\n\nOptions :\n%4")
        .arg(command, synopsis, summary, optionLines);
}

QString CommandUsage(const QString &command, const QString &synopsis)
{
    return QStringLiteral("usage : tarvik %1 %2\nPour l'aide : tarvik %1 --help").arg(command, synopsis);
}

const QString NoCommand = QStringLiteral("aucune commande.");

QString BadOptionValue(const QString &option)
{
    return QStringLiteral("l'option « %1 » attend une valeur, ou n'en prend pas.").arg(option);
}

QString NoCasIn(const QString &settingsFile)
{
    return QStringLiteral("aucun CA dans %1.").arg(settingsFile);
}

QString NoSecret(const QString &envVar, const QString &fileOption)
{
    return QStringLiteral("aucun terminal pour la demander : donnez-la dans la variable %1 ou avec --%2 FICHIER.")
        .arg(envVar, fileOption);
}

QString EmptySecret(const QString &envVar, const QString &fileOption)
{
    return QStringLiteral("la valeur reçue (%1 ou --%2) est vide : refusée.").arg(envVar, fileOption);
}

const QString SecretsDiffer = QStringLiteral("les deux saisies diffèrent : rien n'a été fait.");

QString PromptAgain(const QString &prompt)
{
    return QStringLiteral("Encore une fois. ") + prompt;
}

QString PassphraseFileTooLarge(const QString &file, qint64 maxKiB)
{
    return QStringLiteral("le fichier « %1 » dépasse %2 Kio : ce n'est pas un fichier de passe phrase, refusé.")
        .arg(file)
        .arg(maxKiB);
}

QString ExportPasswordPrompt(const QString &name)
{
    return QStringLiteral("Mot de passe de l'export %1.p12 : ").arg(name);
}

const QString QuestionUnanswered =
    QStringLiteral("question sans réponse (pas de terminal) : rien n'a été fait. Ajoutez --yes pour répondre oui.");

QString RunNotStarted(const QString &what)
{
    return QStringLiteral("%1 : l'interpréteur de commandes n'a pas pu être lancé.").arg(what);
}

QString UnknownKeyType(const QString &value)
{
    return QStringLiteral("type de clé inconnu : « %1 » (rsa2048, rsa3072, rsa4096, ecdsa-p256 ou ecdsa-p384).")
        .arg(value);
}

const QString AesOrCompatible = QStringLiteral("--aes et --compatible s'excluent : choisissez l'un des deux.");
const QString ServerOrUser = QStringLiteral("précisez --server ou --user (l'un des deux).");

QString NothingToRenew(const QString &name, const QString &ca)
{
    return QStringLiteral("aucun certificat en vigueur pour « %1 » dans le CA %2.").arg(name, ca);
}

QString RenewedStillValid(const QString &ca, const QString &serial, const QDateTime &end)
{
    return QStringLiteral("L'ancien certificat n° %1 reste valable jusqu'au %2 ; pour le révoquer : tarvik revoke %3 %1")
        .arg(serial, FrenchDate(end), ca);
}

const QString CaCommandSummary =
    QStringLiteral("ajoute le CA s'il est nouveau, enregistre ses paramètres et crée sa clé et son certificat.");
const QString ServerCommandSummary =
    QStringLiteral("crée la clé, le certificat et l'export PKCS#12 du serveur HÔTE.CA.");
const QString UserCommandSummary = QStringLiteral("crée la clé, le certificat et l'export PKCS#12 d'un utilisateur.");
const QString SignCommandSummary =
    QStringLiteral("signe une demande de certificat faite ailleurs, après avoir montré ce qui sera signé.");
const QString RenewCommandSummary =
    QStringLiteral("émet le successeur du certificat en vigueur de NOM, avec les mêmes noms.");
const QString RevokeCommandSummary = QStringLiteral("révoque le certificat NUMÉRO et publie la CRL.");
const QString CrlCommandSummary = QStringLiteral("publie de nouveau la liste de révocation (CRL) du CA.");
const QString ListCommandSummary =
    QStringLiteral("liste les certificats des CA (tous par défaut) avec leur état et leurs fichiers.");
const QString ExpiryCommandSummary =
    QStringLiteral("ce qui expire dans les N jours ; code 0 rien à faire, 1 bientôt, 2 passé ou illisible.");

const QString DirOptionHelp = QStringLiteral("le répertoire du programme (tarvik.ini et les CA).");
const QString HelpOptionHelp = QStringLiteral("affiche l'aide.");
const QString VersionOptionHelp = QStringLiteral("affiche la version.");
const QString YesOptionHelp = QStringLiteral("répond oui à chaque question (sans terminal, elles sont refusées).");
const QString DaysOptionHelp = QStringLiteral("la durée en jours (expiry : le délai d'alerte, 30 par défaut).");
const QString PassphraseFileOptionHelp =
    QStringLiteral("le fichier de la passe phrase du CA (sinon TARVIK_CA_PASS, sinon la question).");
const QString JsonOptionHelp = QStringLiteral("écrit un tableau JSON pour les programmes.");
const QString ExportPasswordFileOptionHelp =
    QStringLiteral("le fichier du mot de passe de l'export (sinon TARVIK_EXPORT_PASS, sinon la question).");
const QString AesOptionHelp = QStringLiteral("export PKCS#12 au format moderne (AES-256), pour cette fois.");
const QString CompatibleOptionHelp =
    QStringLiteral("export PKCS#12 au format compatible (macOS, iOS, Android, Windows, Java), pour cette fois.");
const QString AltOptionHelp = QStringLiteral("un autre nom DNS ou une adresse IP du serveur (répétable).");
const QString UserEmailOptionHelp = QStringLiteral("l'adresse de l'utilisateur (sinon celle du CA).");
const QString SignServerOptionHelp = QStringLiteral("la demande est celle d'un serveur.");
const QString SignUserOptionHelp = QStringLiteral("la demande est celle d'un utilisateur.");
const QString IssuerOptionHelp =
    QStringLiteral("le CA racine qui signe ce CA (sans cette option, un CA racine signé par lui-même).");
const QString IssuerPassphraseFileOptionHelp =
    QStringLiteral("le fichier de la passe phrase du CA émetteur (sinon TARVIK_ISSUER_PASS, sinon la question).");
const QString NameConstraintOptionHelp =
    QStringLiteral("limite les certificats du CA aux noms de son domaine (« Limiter aux noms du domaine »).");

QString CaFieldOptionHelp(const QString &option)
{
    static const QHash<QString, QString> captions = {
        {QStringLiteral("email"), QStringLiteral("« email »")},
        {QStringLiteral("country"), QStringLiteral("« code pays »")},
        {QStringLiteral("province"), QStringLiteral("« Nom province »")},
        {QStringLiteral("city"), QStringLiteral("« Nom ville »")},
        {QStringLiteral("company"), QStringLiteral("« Nom Sociétée » (le CA s'appelle « … CA »)")},
        {QStringLiteral("service"), QStringLiteral("« Nom Service »")},
        {QStringLiteral("days"), QStringLiteral("« Durée de vie du CA », en jours")},
        {QStringLiteral("crl-url"), QStringLiteral("« URL de la CRL »")},
        {QStringLiteral("key-type"), QStringLiteral("« Type de clé » : rsa2048, rsa3072, rsa4096, ecdsa-p256, ecdsa-p384")},
    };
    return QStringLiteral("le champ %1 de la page Configuration.").arg(captions.value(option));
}

QString CaFieldValueName(const QString &option)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("email"), QStringLiteral("ADRESSE")}, {QStringLiteral("country"), QStringLiteral("CC")},
        {QStringLiteral("days"), QStringLiteral("N")},        {QStringLiteral("crl-url"), QStringLiteral("URL")},
        {QStringLiteral("key-type"), QStringLiteral("TYPE")},
    };
    return names.value(option, QStringLiteral("TEXTE"));
}

} // namespace Texts
