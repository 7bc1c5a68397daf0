#include "CaSettings.h"
#include "IniFile.h"
#include "SettingsKeys.h"

#include <QFileInfo>
#include <QStandardPaths>

QString SettingsFilePath(const QString &progDir)
{
    return progDir + QStringLiteral("tarvik.ini");
}

QString DefaultToolPath(const QString &exeDir)
{
    const QString beside = exeDir + QStringLiteral("openssl");
    if (QFileInfo(beside).isFile())
        return beside;
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    return onPath.isEmpty() ? beside : onPath;
}

namespace {
const QString kEmail = QStringLiteral("email");
const QString kDays = QStringLiteral("default_days");
const QString kCountry = QStringLiteral("countryName");
const QString kProvince = QStringLiteral("stateOrProvinceName");
const QString kCity = QStringLiteral("localityName");
const QString kCompany = QStringLiteral("0.organizationName");
const QString kService = QStringLiteral("organizationalUnitName");
} // namespace

void WriteCaSection(TIniFile &settings, const QString &ca, const QString &dir, const TCaFields &f)
{
    settings.WriteValue(ca, QStringLiteral("dir"), dir);
    settings.WriteValue(ca, kEmail, f.email);
    settings.WriteValue(ca, kDays, f.days);
    settings.WriteValue(ca, kCountry, f.country);
    settings.WriteValue(ca, kProvince, f.province);
    settings.WriteValue(ca, kCity, f.city);
    settings.WriteValue(ca, kCompany, f.company);
    settings.WriteValue(ca, kService, f.service);
    settings.WriteValue(ca, SettingsKeys::KeyType, f.keyType);
    // Absent rather than empty: the sections of CAs without one stay as they were.
    WriteValueOrRemove(settings, ca, SettingsKeys::CrlUrl, f.crlUrl);
    WriteValueOrRemove(settings, ca, SettingsKeys::Issuer, f.issuer);
    WriteValueOrRemove(settings, ca, SettingsKeys::NameConstraint, f.nameConstraint ? SettingsKeys::Selected : QString());
}

TCaFields ReadCaSection(const TIniFile &settings, const QString &ca)
{
    const auto read = [&](const QString &key) { return settings.ReadValue(ca, key, QString()); };
    return {read(kEmail), read(kDays),    read(kCountry), read(kProvince),          read(kCity),
            read(kCompany), read(kService), read(SettingsKeys::CrlUrl), read(SettingsKeys::KeyType),
            read(SettingsKeys::Issuer), read(SettingsKeys::NameConstraint) == SettingsKeys::Selected};
}
