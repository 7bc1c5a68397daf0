#include "pki/CaName.h"

#include <QFileInfo>

namespace {

bool IsNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
           || u == '.' || u == '-' || u == '_';
}

} // namespace

bool IsValidCaName(const QString &name)
{
    if (name.isEmpty() || name.front() == QLatin1Char('.'))
        return false;
    for (const QChar c : name)
        if (!IsNameChar(c))
            return false;
    return true;
}

bool CaDatabaseExists(const QString &progDir, const QString &ca)
{
    return !ca.isEmpty() && QFileInfo(progDir + ca + QStringLiteral("/index.txt")).isFile();
}
