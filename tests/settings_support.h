#pragma once
#include "test_support.h"

class IniTest : public TempDirTest
{
protected:
    QString Path(const QString &name) const { return dir_.filePath(name); }
    QStringList Entries() const { return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }
};
