// The texts of installing a CA into the trust stores of this computer.
#include "pki/Texts.h"

namespace Texts {

const QString ChromeStore = QStringLiteral("Chrome, Chromium");
const QString ChromiumSnapStore = QStringLiteral("Chromium snap");
const QString FirefoxStore = QStringLiteral("Firefox");
const QString NssDatabaseStore = QStringLiteral("Base NSS");
const QString SystemStoreName = QStringLiteral("Magasin du système");
const QString JavaStore = QStringLiteral("Magasin Java");

QString FirefoxProfileStore(const QString &profile, const QString &variant)
{
    return variant.isEmpty() ? QStringLiteral("Firefox, profil « %1 »").arg(profile)
                             : QStringLiteral("Firefox %1, profil « %2 »").arg(variant, profile);
}

QString StoreLine(const QString &store, const QString &where, const QString &outcome)
{
    return QStringLiteral("%1 (%2) : %3").arg(store, where, outcome);
}

const QString TrustInstalled = QStringLiteral("installé, reconnu pour les serveurs TLS.");
const QString TrustDatabaseCreated = QStringLiteral("base créée ; installé, reconnu pour les serveurs TLS.");
const QString TrustAlreadyInstalled = QStringLiteral("déjà installé.");
const QString TrustReplaced = QStringLiteral("installé à la place d'un ancien certificat du même nom (CA recréé).");
const QString TrustUnderOtherName =
    QStringLiteral("ce certificat y était déjà sous un autre nom : laissé tel quel, avec la confiance qu'il avait.");
const QString TrustRemoved = QStringLiteral("retiré.");
const QString TrustNotThere = QStringLiteral("absent : rien à retirer.");
const QString TrustOtherCertificate =
    QStringLiteral("ce nom y désigne un autre certificat que celui du CA : laissé en place.");
const QString TrustSeveralCertificates =
    QStringLiteral("plusieurs certificats y portent ce nom : rien n'a été retiré, retirez-les avec certutil -D.");
const QString TrustNeverStarted =
    QStringLiteral("pas encore de base : le navigateur n'a jamais été ouvert ici. Ouvrez-le une fois, "
                   "puis recommencez.");
const QString TrustNoDatabase =
    QStringLiteral("aucune base NSS dans ce dossier (cert9.db) : rien n'a été fait. Créez-la avec "
                   "certutil -N -d sql:DOSSIER.");

QString TrustToolFailed(const QString &toolLine)
{
    return QStringLiteral("échec : %1").arg(toolLine);
}

const QString CertutilMissing =
    QStringLiteral("certutil est introuvable : installez le paquet libnss3-tools (sudo apt-get install "
                   "libnss3-tools), puis recommencez.");
const QString KeytoolMissing =
    QStringLiteral("keytool est introuvable : installez Java (par exemple le paquet default-jre-headless), puis "
                   "recommencez.");
const QString SystemStoreUnknown =
    QStringLiteral("ni update-ca-certificates (Debian, Ubuntu) ni update-ca-trust (Fedora, RHEL) n'est installé : "
                   "le magasin du système n'a pas été touché.");
const QString TrustStoresExclusive = QStringLiteral("--nss, --system et --java s'excluent : choisissez-en un seul.");

QString SystemTrustNeedsRoot(const QString &sudoLine)
{
    return QStringLiteral("le magasin du système ne s'écrit qu'en root ; tapez : %1").arg(sudoLine);
}

QString CaCertDerFailed(const QString &file, const QString &reason)
{
    return QStringLiteral("la copie DER %1 du certificat du CA n'a pas pu être écrite : %2").arg(file, reason);
}

QString KeystorePasswordPrompt(const QString &keystore)
{
    return QStringLiteral("Mot de passe du magasin Java %1 : ").arg(keystore);
}

QString TrustReport(const QString &ca)
{
    return QStringLiteral("Le CA %1 installé dans ce poste :").arg(ca);
}

QString SystemStoreHint(const QString &sudoLine)
{
    return QStringLiteral("Le magasin du système (curl, wget, Python…) demande les droits de root ; dans un terminal :\n%1")
        .arg(sudoLine);
}

const QString TrustCommandSummary =
    QStringLiteral("installe le certificat du CA dans les navigateurs de l'utilisateur (Chrome, Chromium, Firefox), "
                   "reconnu pour les serveurs TLS, ou l'en retire.");
const QString RemoveOptionHelp = QStringLiteral("retire ce que « tarvik trust » avait installé.");
const QString NssOptionHelp = QStringLiteral("seulement cette base NSS.");
const QString SystemOptionHelp =
    QStringLiteral("le magasin du système (en root) : update-ca-certificates ou update-ca-trust.");
const QString JavaOptionHelp =
    QStringLiteral("ce magasin Java, avec keytool.");
const QString KeystorePasswordFileOptionHelp =
    QStringLiteral("le fichier du mot de passe du magasin Java (sinon TARVIK_KEYSTORE_PASS, sinon la question).");

} // namespace Texts
