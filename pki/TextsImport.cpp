// The texts of importing a CA made elsewhere, in the window and on the command line.
#include "pki/Texts.h"

#include <QDateTime>

namespace Texts {

const QString ImportKindQuestion =
    QStringLiteral("Que voulez-vous importer ? Le dossier « pki » d'easy-rsa 3, ou la clé et le certificat d'un CA "
                   "(PEM). Les fichiers d'origine ne sont que lus.");
const QString ImportKindEasyRsa = QStringLiteral("Dossier easy-rsa…");
const QString ImportKindPair = QStringLiteral("Clé et certificat…");
const QString ImportEasyRsaCaption = QStringLiteral("Choisir le dossier « pki » d'easy-rsa");
const QString ImportKeyCaption = QStringLiteral("Choisir la clé privée du CA");
const QString ImportCertCaption = QStringLiteral("Choisir le certificat du CA");
const QString ImportPemFilter = QStringLiteral("Fichiers PEM (*.pem *.crt *.key *.cer);;Tous les fichiers (*)");
const QString ImportNamePrompt =
    QStringLiteral("Nom du CA dans Tarvik (un nom de domaine, par exemple acme.test) :");
const QString ImportPassphrasePrompt = QStringLiteral("Passe phrase de la clé du CA :");
const QString ImportNewPassphrasePrompt =
    QStringLiteral("La clé du CA n'est pas chiffrée : passe phrase sous laquelle Tarvik la gardera :");
const QString ImportNotRegular = QStringLiteral("ce n'est pas un fichier ordinaire, ou il est bien trop grand");
const QString ImportEmptyPassphrase =
    QStringLiteral("La passe phrase du CA est vide : Tarvik garde chaque clé de CA chiffrée. Rien n'a été importé.");
const QString ImportWrongPassphrase =
    QStringLiteral("La passe phrase ne déchiffre pas la clé du CA. Rien n'a été importé.");
const QString ImportCommandSummary =
    QStringLiteral("Importe un CA existant : le dossier pki d'easy-rsa 3 (sa base, ses révocations, ses certificats "
                   "et leurs clés) ou une clé et un certificat de CA ; les fichiers d'origine ne sont que lus, puis "
                   "la CRL est publiée.");
const QString ImportSourceOptions =
    QStringLiteral("donnez soit --easy-rsa DOSSIER, soit --key CLÉ et --cert CERTIFICAT.");
const QString ImportEasyRsaOptionHelp = QStringLiteral("le dossier « pki » d'easy-rsa 3 à importer.");
const QString ImportKeyOptionHelp = QStringLiteral("la clé privée du CA à importer (PEM, chiffrée ou non).");
const QString ImportCertOptionHelp = QStringLiteral("le certificat du CA à importer (PEM).");

QString ImportUnreadable(const QString &file, const QString &reason)
{
    return QStringLiteral("Impossible de lire %1 : %2. Rien n'a été importé.").arg(file, reason);
}

QString NotAnEasyRsaPki(const QString &dir)
{
    return QStringLiteral("%1 n'est pas le dossier « pki » d'easy-rsa 3 : il y faut ca.crt, private/ca.key et "
                          "index.txt. Rien n'a été importé.")
        .arg(dir);
}

QString ImportBadIndexLine(const QString &file, int line)
{
    return QStringLiteral("La ligne %1 de %2 n'est pas une ligne de base OpenSSL. Rien n'a été importé.").arg(line).arg(file);
}

QString ImportNotACertificate(const QString &file)
{
    return QStringLiteral("%1 n'est pas un certificat PEM. Rien n'a été importé.").arg(file);
}

QString ImportNotACa(const QString &file)
{
    return QStringLiteral("%1 n'est pas le certificat d'un CA : il lui faut basicConstraints CA:TRUE et, s'il a un "
                          "keyUsage, keyCertSign et cRLSign. Rien n'a été importé.")
        .arg(file);
}

QString ImportExpired(const QString &file, const QDateTime &end)
{
    return QStringLiteral("Le certificat du CA %1 a expiré%2 : un CA expiré ne signe plus rien de valable. Rien n'a "
                          "été importé.")
        .arg(file, end.isValid() ? QStringLiteral(" le ") + FrenchDate(end) : QString());
}

QString ImportNotAKey(const QString &file)
{
    return QStringLiteral("%1 n'est pas une clé privée PEM. Rien n'a été importé.").arg(file);
}

QString ImportKeyMismatch(const QString &key, const QString &cert)
{
    return QStringLiteral("La clé %1 n'est pas celle du certificat %2. Rien n'a été importé.").arg(key, cert);
}

QString ImportUnsupportedKey(const QString &key)
{
    return QStringLiteral("Clé de CA non prise en charge : %1 (RSA, ou ECDSA sur P-256, P-384 ou P-521). Rien n'a été "
                          "importé.")
        .arg(key);
}

QString ImportFolderTaken(const QString &ca)
{
    return QStringLiteral("Le dossier %1 existe déjà dans le répertoire de Tarvik : choisissez un autre nom. Rien n'a "
                          "été importé.")
        .arg(ca);
}

QString ImportKeyNotEncrypted(const QString &toolLine)
{
    return QStringLiteral("impossible de chiffrer la clé du CA (OpenSSL : %1)").arg(toolLine);
}

QString ImportFailed(const QString &why)
{
    return QStringLiteral("L'import du CA a échoué : %1 ; rien n'a été gardé.").arg(why);
}

QString ImportDone(const QString &ca, const QString &source, int valid, int revoked, int keys)
{
    return QStringLiteral("Le CA %1 est importé de %2 : %3 certificat(s) en vigueur, %4 révoqué(s), %5 clé(s). Le "
                          "dossier d'origine n'a pas été modifié.")
        .arg(ca, source)
        .arg(valid)
        .arg(revoked)
        .arg(keys);
}

} // namespace Texts
