#pragma once
#include <QString>

class TIniFile;

// The parameters of one CA as the Configuration page shows them and the settings
// file keeps them.
struct TCaFields
{
    QString email, days, country, province, city, company, service;
};

QString SettingsFilePath(const QString &progDir);

// The tool shipped beside the program, else the one on the search path, else the
// name beside the program (shown in red until the user fixes it).
QString DefaultToolPath(const QString &progDir);

// Writes the eight keys of a CA section, always in the same order.
void WriteCaSection(TIniFile &settings, const QString &ca, const QString &dir, const TCaFields &fields);

// Missing keys read as empty texts.
TCaFields ReadCaSection(const TIniFile &settings, const QString &ca);
