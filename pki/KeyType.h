#pragma once
#include <QString>
#include <QStringList>

// The kind of key a CA makes for itself and for every certificate it issues. The order is
// the order of the Configuration page's "Type de clé" items.
enum class TKeyType { Rsa2048, Rsa3072, Rsa4096, EcdsaP256, EcdsaP384 };
inline constexpr int kKeyTypeCount = 5;
// The weakest RSA key a CA signs for or takes over.
inline constexpr int kMinRsaBits = 2048;

// The picker item, "RSA 2048" to "ECDSA P-384".
QString KeyTypeText(TKeyType type);
// What the settings file keeps for the CA.
QString KeyTypeValue(TKeyType type);
// A CA saved before key types existed has no value: RSA 2048, as its keys were made.
TKeyType KeyTypeFromValue(const QString &value);

// The tool's arguments that write a new CA key to outQuoted (already a shell word),
// encrypted under the CA pass phrase from TARVIK_CA_PASS.
QStringList KeyGenerationArguments(TKeyType type, const QString &outQuoted);
// The request tool's arguments that make a new, unencrypted key of the type beside the
// request, so that one tool start does both.
QStringList NewKeyArguments(TKeyType type);
// True for the RSA types, whose keys may also transport a key.
inline bool IsRsa(TKeyType type)
{
    return type == TKeyType::Rsa2048 || type == TKeyType::Rsa3072 || type == TKeyType::Rsa4096;
}
// The digest of signatures made with the CA's key: "sha256" or "sha384".
QString SigningDigest(TKeyType type);
