#include "pki/IndexFile.h"

#include "common/Exception.h"
#include "pki/CaLayout.h"
#include "pki/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace {

[[noreturn]] void Fail(int error, bool caDirExists)
{
    if (error == ENOENT || error == ENOTDIR)
        throw Exception(caDirExists ? QStringLiteral("Fichier introuvable")
                                    : QStringLiteral("Nom de fichier incorrect"));
    if (error == EACCES || error == EPERM)
        throw Exception(QStringLiteral("Accès au fichier refusé"));
    if (error == ENOTREG)
        throw Exception(QStringLiteral("Ce n'est pas un fichier ordinaire"));
    throw Exception(QStringLiteral("Erreur E/S %1").arg(error));
}

bool IsDirectory(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QByteArray ReadAll(const QString &ca)
{
    if (ca.isEmpty())
        Fail(ENOENT, false);
    QByteArray data;
    int error = 0;
    if (!ReadRegularFile(CaLayout::Index(ca), data, &error))
        Fail(error, IsDirectory(ca));
    return data;
}

} // namespace

TIndexLists ReadIndexLists(const QString &ca)
{
    const QByteArray data = ReadAll(ca);
    TIndexLists lists;
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype lf = data.indexOf('\n', pos);
        if (lf < 0)
            lf = data.size();
        QByteArray line = data.mid(pos, lf - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        pos = lf + 1;
        if (line.startsWith('V'))
            lists.valid.append(QString::fromUtf8(line));
        else if (line.startsWith('R'))
            lists.revoked.append(QString::fromUtf8(line));
    }
    return lists;
}

QString DecodeIndexText(const QString &text)
{
    if (!text.contains(QStringLiteral("\\x")))
        return text;
    const QByteArray bytes = text.toUtf8();
    QByteArray decoded;
    decoded.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        bool ok = false;
        const int value = i + 3 < bytes.size() && bytes[i] == '\\' && bytes[i + 1] == 'x' ? bytes.mid(i + 2, 2).toInt(&ok, 16) : 0;
        if (ok) {
            decoded += char(value);
            i += 3;
        } else {
            decoded += bytes[i];
        }
    }
    // A sequence that is no UTF-8 shows as U+FFFD: visibly not a name.
    return QString::fromUtf8(decoded);
}
