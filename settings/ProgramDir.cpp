#include "ProgramDir.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

QString WithSlash(const QString &dir)
{
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

QString Quoted(const QString &path)
{
    return QStringLiteral("« %1 »").arg(path);
}

// Asks the file system itself: permission bits do not tell what root may write, nor
// what a read-only mount refuses.
bool TakesNewFiles(const QString &dir)
{
    QTemporaryFile probe(dir + QStringLiteral(".tarvik-XXXXXX"));
    return probe.open();
}

TProgramDir Usable(const QString &dir)
{
    if (!TakesNewFiles(dir))
        return {QString(), QStringLiteral("impossible d'écrire dans le répertoire %1.").arg(Quoted(dir))};
    return {dir, QString()};
}

TProgramDir NamedDir(const QString &given, bool readOnly)
{
    const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(given));
    const QString dir = WithSlash(path);
    const QFileInfo info(path);
    if (!info.exists())
        return {QString(), QStringLiteral("le répertoire %1 n'existe pas.").arg(Quoted(dir))};
    if (!info.isDir())
        return {QString(), QStringLiteral("%1 n'est pas un répertoire.").arg(Quoted(path))};
    return readOnly ? TProgramDir{dir, QString()} : Usable(dir);
}

TProgramDir UserDir(const QString &dir, bool readOnly)
{
    if (readOnly)
        return {dir, QString()}; // a report on a directory never made finds no CA in it
    if (!QFileInfo(dir).isDir()) {
        const QString parent = QFileInfo(QDir::cleanPath(dir)).path();
        if (!QDir().mkpath(parent)
            || !QDir().mkdir(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
            return {QString(), QStringLiteral("impossible de créer le répertoire %1.").arg(Quoted(dir))};
    }
    return Usable(dir);
}

} // namespace

TCommandLine ParseCommandLine(const QStringList &arguments)
{
    TCommandLine result;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QStringLiteral("--dir"))
            result.dir = ++i < arguments.size() ? arguments[i] : QString();
        else if (arg.startsWith(QStringLiteral("--dir=")))
            result.dir = arg.mid(6);
        else
            return {false, QString(), QStringLiteral("argument inconnu : %1.").arg(Quoted(arg))};
        if (result.dir.isEmpty())
            return {false, QString(), QStringLiteral("l'option --dir attend un répertoire.")};
        result.hasDir = true;
    }
    return result;
}

bool IsInstalledCopy(const QString &exeDir)
{
    const QDir bin(exeDir);
    return bin.dirName() == QStringLiteral("bin")
        && QFileInfo(bin.filePath(QStringLiteral("../share/applications/" TARVIK_APP_ID ".desktop"))).isFile();
}

QString UserDataDir(const QString &xdgDataHome, const QString &home)
{
    const QString base = QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : WithSlash(home) + QStringLiteral(".local/share");
    return WithSlash(QDir::cleanPath(base)) + QStringLiteral("tarvik/");
}

TProgramDir ChooseProgramDir(const QString &exeDir, const TCommandLine &commandLine, const QString &userDataDir)
{
    if (!commandLine.error.isEmpty())
        return {QString(), commandLine.error};
    if (commandLine.hasDir)
        return NamedDir(commandLine.dir, commandLine.readOnly);
    if (IsInstalledCopy(exeDir))
        return UserDir(userDataDir, commandLine.readOnly);
    return {WithSlash(exeDir), QString()};
}
