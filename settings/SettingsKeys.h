#pragma once
#include <QString>

// The settings file's own sections and keys; every other section is a CA's.
namespace SettingsKeys {

// Section listing the CAs, each key a CA name with "1" for the selected one, "0" else.
inline const QString Domaine = QStringLiteral("domaine");
inline const QString Selected = QStringLiteral("1");
inline const QString NotSelected = QStringLiteral("0");
// Section and key of the tool path.
inline const QString Path = QStringLiteral("path");
inline const QString Tool = QStringLiteral("openssl");
// How the tool exports PKCS#12 files: "1" in the format every system imports, "0" in
// the tool's own default. Kept in the tool's section: a new section would take a name
// away from the CAs.
inline const QString CompatiblePkcs12 = QStringLiteral("pkcs12_compatible");
// Key of a CA's section: the type of the keys the CA makes; none means RSA 2048.
inline const QString KeyType = QStringLiteral("key_type");

// In a CA's section: the address where clients fetch its CRL; absent when it has none.
inline const QString CrlUrl = QStringLiteral("crl_url");
// In a CA's section: the CA that signs its certificate when it is created, and "1" when
// that certificate limits the names below it to the CA's domain; both absent when not set.
inline const QString Issuer = QStringLiteral("issuer");
inline const QString NameConstraint = QStringLiteral("name_constraint");

} // namespace SettingsKeys
