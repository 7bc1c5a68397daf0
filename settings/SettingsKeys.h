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

} // namespace SettingsKeys
