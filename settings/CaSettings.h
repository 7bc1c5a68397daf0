#pragma once
#include <QString>

class TIniFile;

// The parameters of one CA as the Configuration page shows them and the settings
// file keeps them.
struct TCaFields
{
    QString email, days, country, province, city, company, service;
    QString crlUrl;
    QString keyType; // as stored; empty for a CA saved before it was asked
    QString issuer{}; // empty for a self-signed CA
    bool nameConstraint = false;
};

QString SettingsFilePath(const QString &progDir);

// The tool shipped beside the executable (exeDir ends with '/'), else the one on the
// search path, else the name beside the executable (shown in red until the user
// fixes it). The data directory is not searched: it may be the user's, or a disk.
QString DefaultToolPath(const QString &exeDir);

// Writes the nine keys of a CA section, always in the same order, and the CRL address,
// the issuer and the name constraint when there are.
void WriteCaSection(TIniFile &settings, const QString &ca, const QString &dir, const TCaFields &fields);

// Missing keys read as empty texts.
TCaFields ReadCaSection(const TIniFile &settings, const QString &ca);
