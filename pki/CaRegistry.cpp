#include "pki/CaRegistry.h"

#include "pki/CaFiles.h"
#include "pki/CaName.h"
#include "pki/Texts.h"

QString NewCaRefusal(const QStringList &registered, const QString &name)
{
    if (!IsValidNewCaName(name))
        return Texts::InvalidNewCaName;
    for (const QString &ca : registered)
        if (ca.compare(name, Qt::CaseInsensitive) == 0)
            return Texts::CaExists;
    return QString();
}

bool PrepareCaFolder(const QString &progDir, const QString &name)
{
    if (CaDatabaseExists(progDir, name))
        return true;
    CreateCaSkeleton(progDir, name);
    WriteRootTemplate(progDir, name);
    return false;
}
