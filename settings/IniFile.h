#pragma once
#include "common/Exception.h"

#include <QString>
#include <QStringList>

// Raised when a profile file cannot be created or replaced, and when a section
// or key name would not read back as written (it would corrupt the file).
class EIniFileException : public Exception
{
public:
    using Exception::Exception;
};

// Accessor for one INI-style profile file. It keeps nothing between calls:
// every read goes to disk and every write replaces the file before returning,
// so several accessors of one file always see each other's changes.
class TIniFile
{
public:
    explicit TIniFile(QString fileName);

    QString ReadValue(const QString &section, const QString &key, const QString &def) const;
    void WriteValue(const QString &section, const QString &key, const QString &value);
    void ListKeys(const QString &section, QStringList &list) const;
    void RemoveKey(const QString &section, const QString &key);
    void RemoveSection(const QString &section);

    const QString &FileName() const;

    // Limits of what one read returns, in characters.
    static constexpr int kMaxValueLength = 2047;
    static constexpr int kMaxKeyListLength = 16384;

private:
    QString fileName_;
};

// Writes the value, or removes the key when the value is empty: absent rather than empty,
// so that files written before the key existed and files without it read alike.
void WriteValueOrRemove(TIniFile &ini, const QString &section, const QString &key, const QString &value);
