#include "pki/KeyType.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcKeyType, "tarvik.keytype")

namespace {

struct TKeyTypeInfo
{
    const char *text, *value;
    const char *algorithm, *option; // genpkey's; unused for RSA 2048
};

const TKeyTypeInfo kTypes[kKeyTypeCount] = {
    {"RSA 2048", "rsa2048", "RSA", "rsa_keygen_bits:2048"},
    {"RSA 3072", "rsa3072", "RSA", "rsa_keygen_bits:3072"},
    {"RSA 4096", "rsa4096", "RSA", "rsa_keygen_bits:4096"},
    {"ECDSA P-256", "ecdsa-p256", "EC", "ec_paramgen_curve:P-256"},
    {"ECDSA P-384", "ecdsa-p384", "EC", "ec_paramgen_curve:P-384"},
};

const TKeyTypeInfo &Info(TKeyType type)
{
    return kTypes[int(type)];
}

} // namespace

QString KeyTypeText(TKeyType type)
{
    return QString::fromLatin1(Info(type).text);
}

QString KeyTypeValue(TKeyType type)
{
    return QString::fromLatin1(Info(type).value);
}

TKeyType KeyTypeFromValue(const QString &value)
{
    for (int i = 0; i < kKeyTypeCount; ++i)
        if (value == QLatin1String(kTypes[i].value))
            return TKeyType(i);
    if (!value.isEmpty())
        qCWarning(lcKeyType) << "unknown key type" << value << "read as" << kTypes[0].text;
    return TKeyType::Rsa2048;
}

namespace {
QStringList KeyOptions(TKeyType type)
{
    QStringList options{"-pkeyopt", Info(type).option};
    // Explicit curve parameters are refused by TLS libraries and by strict verification.
    if (QLatin1String(Info(type).algorithm) == QLatin1String("EC"))
        options << "-pkeyopt" << "ec_param_enc:named_curve";
    return options;
}
} // namespace

QStringList KeyGenerationArguments(TKeyType type, const QString &outQuoted)
{
    // RSA 2048 keeps the lines of the CAs made before key types existed.
    if (type == TKeyType::Rsa2048)
        return {"genrsa", "-passout", "env:TARVIK_CA_PASS", "-des3", "-out", outQuoted, "2048"};
    QStringList args = QStringList{"genpkey", "-algorithm", Info(type).algorithm} + KeyOptions(type);
    return args << "-aes-256-cbc" << "-pass" << "env:TARVIK_CA_PASS" << "-out" << outQuoted;
}

QStringList NewKeyArguments(TKeyType type)
{
    if (type == TKeyType::Rsa2048)
        return {"-newkey", "rsa:2048"};
    return QStringList{"-newkey", Info(type).algorithm} + KeyOptions(type);
}

QString SigningDigest(TKeyType type)
{
    // A P-384 key signs with the hash of its own strength, as TLS 1.3 pairs them.
    return type == TKeyType::EcdsaP384 ? QStringLiteral("sha384") : QStringLiteral("sha256");
}
