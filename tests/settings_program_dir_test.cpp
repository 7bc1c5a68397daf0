#include "settings/CaSettings.h"
#include "settings/ProgramDir.h"
#include "settings_support.h"

#include <QDirIterator>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class ProgramDirTest : public IniTest
{
protected:
    QString MakeDir(const QString &relative)
    {
        EXPECT_TRUE(QDir(dir_.path()).mkpath(relative));
        return Path(relative) + u'/';
    }
    QStringList Tree() const
    {
        QStringList all;
        QDirIterator it(dir_.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            all << it.next();
        all.sort();
        return all;
    }
    QString UserData() const { return Path("home/.local/share/tarvik/"); }
};

TCommandLine DirOption(const QString &dir)
{
    return ParseCommandLine({"tarvik", "--dir", dir});
}

mode_t Mode(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

TEST_F(ProgramDirTest, BuildDirectoryOrUnpackedCopyKeepsItsDataBesideTheExecutable)
{
    for (const QString &exeDir : {MakeDir("build"), MakeDir("unpacked/bin")}) {
        const TProgramDir chosen = ChooseProgramDir(exeDir, ParseCommandLine({"tarvik"}), UserData());
        EXPECT_EQ(chosen.dir, exeDir);
        EXPECT_TRUE(chosen.error.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(UserData()));
}

TEST_F(ProgramDirTest, InstalledCopyCreatesAPrivateUserDataDirectory)
{
    const QString bin = MakeDir("usr/bin");
    MakeDir("usr/share/applications");
    WriteBytes(Path("usr/share/applications/io.github.tarvik.Tarvik.desktop"), "[Desktop Entry]\n");
    const TProgramDir chosen = ChooseProgramDir(bin, ParseCommandLine({"tarvik"}), UserData());
    EXPECT_EQ(chosen.dir, UserData());
    EXPECT_EQ(Mode(UserData()), 0700u);
    EXPECT_EQ(QDir(UserData()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

TEST(UserDataDir, FollowsXdgDataHomeOnlyWhenAbsolute)
{
    EXPECT_EQ(UserDataDir("/data/me/", "/home/me"), "/data/me/tarvik/");
    EXPECT_EQ(UserDataDir("", "/home/me"), "/home/me/.local/share/tarvik/");
    EXPECT_EQ(UserDataDir("rel/data", "/root"), "/root/.local/share/tarvik/");
}

TEST(CommandLine, DirNeedsAValueAndOtherArgumentsAreRefused)
{
    EXPECT_EQ(ParseCommandLine({"tarvik", "--dir", "/media/ca"}).dir, "/media/ca");
    EXPECT_EQ(ParseCommandLine({"tarvik", "--dir=/media/ca"}).dir, "/media/ca");
    EXPECT_TRUE(ParseCommandLine({"tarvik"}).error.isEmpty());
    for (const QStringList &wrong : {QStringList{"tarvik", "--dir"}, {"tarvik", "--dir="}, {"tarvik", "/media/ca"}}) {
        const TCommandLine parsed = ParseCommandLine(wrong);
        EXPECT_FALSE(parsed.error.isEmpty()) << wrong.join(' ').toStdString();
        EXPECT_TRUE(ChooseProgramDir(QDir::tempPath(), parsed, QString()).dir.isEmpty());
    }
}

TEST_F(ProgramDirTest, DirOptionTakesAWritableDirectoryRelativeToTheWorkingDirectory)
{
    const QString ca = MakeDir("removable/ca");
    const TProgramDir chosen = ChooseProgramDir(progDir_, DirOption("removable/ca"), UserData());
    EXPECT_EQ(chosen.dir, ca);
    EXPECT_TRUE(chosen.error.isEmpty());
    EXPECT_EQ(QDir(ca).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

TEST_F(ProgramDirTest, DirOptionRefusesAMissingOrReadOnlyDirectoryAndCreatesNothing)
{
    MakeDir("readonly");
    ASSERT_TRUE(QFile::setPermissions(Path("readonly"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    WriteBytes(Path("file"), "x");
    const QStringList before = Tree();
    // Root writes into any directory whatever its mode; /proc takes no new file from anyone.
    const QString readOnly = ::geteuid() == 0 ? QStringLiteral("/proc") : Path("readonly");
    const struct
    {
        QString dir, message;
    } cases[] = {
        {Path("missing"), QStringLiteral("n'existe pas")},
        {readOnly, QStringLiteral("impossible d'écrire")},
        {Path("file"), QStringLiteral("n'est pas un répertoire")},
    };
    for (const auto &c : cases) {
        const TProgramDir chosen = ChooseProgramDir(progDir_, DirOption(c.dir), UserData());
        EXPECT_TRUE(chosen.dir.isEmpty()) << c.dir.toStdString();
        EXPECT_TRUE(chosen.error.contains(c.message)) << chosen.error.toStdString();
    }
    EXPECT_EQ(Tree(), before);
    QFile::setPermissions(Path("readonly"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(ProgramDirTest, DefaultToolIsTheOneBesideTheExecutable)
{
    const QString exeDir = MakeDir("bin");
    WriteBytes(exeDir + "openssl", "");
    EXPECT_EQ(DefaultToolPath(exeDir), exeDir + "openssl");
}

} // namespace
