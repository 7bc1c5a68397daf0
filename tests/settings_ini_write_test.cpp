#include "settings/IniFile.h"
#include "settings_full_disk.h"
#include "settings_support.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kRootCa = "[ req ]\r\n"
                           "default_bits = 2048\r\n"
                           "prompt = no\r\n"
                           "[ req_distinguished_name ]\r\n"
                           "C = FR\r\n"
                           "ST = France\r\n"
                           "[ v3_ca ]\r\n"
                           "basicConstraints = critical,CA:true\r\n";

mode_t Mode(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

TEST_F(IniTest, FirstWriteCreatesTwoLines)
{
    TIniFile(Path("new.ini")).WriteValue("path", "openssl", "/usr/bin/openssl");
    EXPECT_EQ(ReadBytes(Path("new.ini")), "[path]\r\nopenssl=/usr/bin/openssl\r\n");
}

TEST_F(IniTest, ReplacesTemplateLineInPlaceKeepingOtherLines)
{
    WriteBytes(Path("root-ca.cnf"), kRootCa);
    TIniFile ini(Path("root-ca.cnf"));
    ini.WriteValue("req_distinguished_name", "C", "DE");
    QByteArray expected = kRootCa;
    expected.replace("C = FR\r\n", "C=DE\r\n");
    EXPECT_EQ(ReadBytes(Path("root-ca.cnf")), expected);
    EXPECT_EQ(ini.ReadValue("req_distinguished_name", "C", ""), "DE");
}

TEST_F(IniTest, KeyNamesMatchWithoutRegardToCase)
{
    WriteBytes(Path("a.ini"), "[S]\r\nalpha=1\r\nbeta=2\r\n");
    TIniFile(Path("a.ini")).WriteValue("s", "Alpha", "3");
    EXPECT_EQ(ReadBytes(Path("a.ini")), "[S]\r\nAlpha=3\r\nbeta=2\r\n");
}

TEST_F(IniTest, KeysKeepTheOrderOfTheirFirstWrite)
{
    TIniFile ini(Path("a.ini"));
    for (const char *key : {"a", "b", "c"})
        ini.WriteValue("new", key, "0");
    ini.WriteValue("new", "b", "1");
    QStringList keys;
    ini.ListKeys("new", keys);
    EXPECT_EQ(keys, QStringList({"a", "b", "c"}));
    EXPECT_EQ(ReadBytes(Path("a.ini")), "[new]\r\na=0\r\nb=1\r\nc=0\r\n");
}

TEST_F(IniTest, NewKeyGoesAfterTheSectionsLastKeyLine)
{
    WriteBytes(Path("a.ini"), "[one]\r\nx=1\r\n; note\r\n\r\n[empty]\r\n\r\n[two]\r\ny=2");
    TIniFile ini(Path("a.ini"));
    ini.WriteValue("one", "z", "3");
    ini.WriteValue("empty", "e", "4");
    ini.WriteValue("two", "w", "5");
    EXPECT_EQ(ReadBytes(Path("a.ini")),
              "[one]\r\nx=1\r\nz=3\r\n; note\r\n\r\n[empty]\r\ne=4\r\n\r\n[two]\r\ny=2\r\nw=5\r\n");
}

TEST_F(IniTest, NewSectionIsAppendedAfterAnEmptyLine)
{
    WriteBytes(Path("a.ini"), "[one]\nx=1");
    TIniFile ini(Path("a.ini"));
    ini.WriteValue("two", "y", "2");
    ini.WriteValue("three", "z", "3");
    EXPECT_EQ(ReadBytes(Path("a.ini")), "[one]\nx=1\r\n\r\n[two]\r\ny=2\r\n\r\n[three]\r\nz=3\r\n");
}

TEST_F(IniTest, LfOnlyLinesStayAsTheyWere)
{
    const QByteArray lf = "[a]\nk1=v1\nk2=v2\n[b]\nk3=v3\n";
    WriteBytes(Path("a.ini"), lf);
    TIniFile(Path("a.ini")).WriteValue("a", "k2", "new");
    EXPECT_EQ(ReadBytes(Path("a.ini")), "[a]\nk1=v1\nk2=new\r\n[b]\nk3=v3\n");
}

TEST_F(IniTest, RemoveSectionInTheMiddleKeepsItsNeighbours)
{
    WriteBytes(Path("a.ini"), "[a]\r\nk=1\r\n\r\n[b]\r\nk=2\r\n; b's note\r\n[c]\r\nk=3\r\n");
    TIniFile ini(Path("a.ini"));
    ini.RemoveSection("B");
    EXPECT_EQ(ReadBytes(Path("a.ini")), "[a]\r\nk=1\r\n\r\n[c]\r\nk=3\r\n");
    ini.RemoveSection("nosuch");
    EXPECT_EQ(ReadBytes(Path("a.ini")), "[a]\r\nk=1\r\n\r\n[c]\r\nk=3\r\n");
}

TEST_F(IniTest, RemoveKeyTakesOnlyTheFirstOccurrenceInItsSection)
{
    WriteBytes(Path("a.ini"), "[a]\r\nk=1\r\nK=2\r\n[b]\r\nk=3\r\n");
    TIniFile ini(Path("a.ini"));
    ini.RemoveKey("a", "k");
    ini.RemoveKey("a", "missing");
    EXPECT_EQ(ReadBytes(Path("a.ini")), "[a]\r\nK=2\r\n[b]\r\nk=3\r\n");
    TIniFile(Path("none.ini")).RemoveKey("a", "k");
    EXPECT_FALSE(QFile::exists(Path("none.ini")));
}

TEST_F(IniTest, TextIsStoredAsUtf8AndLineBreaksCannotAddKeys)
{
    TIniFile ini(Path("a.ini"));
    ini.WriteValue("s", "company", "Société Île");
    ini.WriteValue("s", "evil", "x\r\ninjected=1\n[other]");
    EXPECT_EQ(ReadBytes(Path("a.ini")), "[s]\r\ncompany=Soci\xc3\xa9t\xc3\xa9 \xc3\x8ele\r\nevil=x  injected=1 [other]\r\n");
    EXPECT_EQ(ini.ReadValue("s", "company", ""), "Société Île");
    EXPECT_EQ(ini.ReadValue("s", "injected", "<none>"), "<none>");
}

TEST_F(IniTest, ReplacementKeepsThePermissions)
{
    WriteBytes(Path("a.ini"), "[s]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Path("a.ini")).constData(), 0640), 0);
    TIniFile(Path("a.ini")).WriteValue("s", "k", "2");
    EXPECT_EQ(Mode(Path("a.ini")), 0640u);
    EXPECT_EQ(Entries(), QStringList({"a.ini"})); // no temporary file left behind
}

// A settings file reached through a chain of links is replaced at its end; the links stay.
TEST_F(IniTest, WritesThroughAChainOfLinksReplaceTheFinalFile)
{
    ASSERT_TRUE(QDir(Path("")).mkpath("real"));
    WriteBytes(Path("real/tarvik.ini"), "[s]\r\nk=1\r\n");
    ASSERT_EQ(::symlink("tarvik.ini", QFile::encodeName(Path("real/link2.ini")).constData()), 0);
    ASSERT_EQ(::symlink("real/link2.ini", QFile::encodeName(Path("a.ini")).constData()), 0);
    TIniFile(Path("a.ini")).WriteValue("s", "k", "2");
    EXPECT_EQ(ReadBytes(Path("real/tarvik.ini")), "[s]\r\nk=2\r\n");
    EXPECT_TRUE(QFileInfo(Path("a.ini")).isSymLink());
    EXPECT_TRUE(QFileInfo(Path("real/link2.ini")).isSymLink());
    // A loop has no end to replace.
    ASSERT_EQ(::symlink("loop.ini", QFile::encodeName(Path("loop.ini")).constData()), 0);
    EXPECT_THROW(TIniFile(Path("loop.ini")).WriteValue("s", "k", "2"), std::exception);
}

TEST_F(IniTest, RewritingTheSameValueLeavesTheFileInPlace)
{
    const QString file = Path("a.ini");
    const auto inode = [&] {
        struct stat st {};
        ::stat(QFile::encodeName(file).constData(), &st);
        return st.st_ino;
    };
    WriteBytes(file, "[a]\r\nk = 1\r\n");
    TIniFile ini(file);
    ini.WriteValue("a", "k", "1");
    const ino_t replaced = inode();
    ini.WriteValue("a", "k", "1");
    EXPECT_EQ(inode(), replaced);
    EXPECT_EQ(ReadBytes(file), "[a]\r\nk=1\r\n");
    ini.WriteValue("a", "k", "2");
    EXPECT_EQ(ReadBytes(file), "[a]\r\nk=2\r\n");
}

TEST_F(IniTest, MissingDirectoryFailsWithTheNameAsGiven)
{
    TIniFile ini("nodir/x.ini");
    try {
        ini.WriteValue("s", "k", "v");
        FAIL() << "no exception";
    } catch (const EIniFileException &e) {
        EXPECT_EQ(e.Message(), "Impossible d'écrire dans nodir/x.ini");
    }
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(IniTest, LoneCrEndsALineAndWritesKeepCrLf)
{
    WriteBytes(Path("a.ini"), "[a]\rk=1\r\r[b]\rk=2\r");
    TIniFile ini(Path("a.ini"));
    EXPECT_EQ(ini.ReadValue("b", "k", ""), "2");
    ini.WriteValue("a", "j", "3");
    EXPECT_EQ(ReadBytes(Path("a.ini")), "[a]\rk=1\rj=3\r\n\r[b]\rk=2\r");
}

// A name that would read back as another one, or split its line, is refused
// before the file is touched; names that read back are written as they are.
TEST_F(IniTest, NamesThatWouldNotReadBackAreRefused)
{
    const QByteArray before = "[s]\r\nk=1\r\n";
    WriteBytes(Path("a.ini"), before);
    TIniFile ini(Path("a.ini"));
    const std::pair<const char *, const char *> refused[] = {
        {"x]y", "k"}, {"a\nb", "k"}, {"a\r", "k"},          // sections
        {"s", "a=b"}, {"s", "[k]"}, {"s", "[k"}, {"s", ";k"}, {"s", "#k"}, {"s", "k\n"}, {"s", "a\rb"},
    };
    for (const auto &[section, key] : refused) {
        try {
            ini.WriteValue(section, key, "v");
            ADD_FAILURE() << section << " " << key;
        } catch (const EIniFileException &e) {
            EXPECT_EQ(e.Message(), "Impossible d'écrire dans " + Path("a.ini"));
        }
    }
    EXPECT_EQ(ReadBytes(Path("a.ini")), before);
    const std::pair<const char *, const char *> accepted[] = {{"a[b", "x]y"}, {"x=y", "a;b#c"}, {"s", " k2 "}};
    for (const auto &[section, key] : accepted) {
        ini.WriteValue(section, key, "ok");
        EXPECT_EQ(ini.ReadValue(section, key, ""), "ok") << section << " " << key;
    }
}

TEST_F(FullDiskTest, IniWritesOnAFullDiskFailAndLeaveTheFileWhole)
{
    const QString file = progDir_ + "tarvik.ini";
    WriteBytes(file, "[domaine]\r\nAlpha=1\r\n\r\n[Alpha]\r\ndir=/x/Alpha\r\nemail=a@b.c\r\n");
    const auto before = Snapshot();
    TIniFile ini(file);
    Fill();
    const QStringList failures = {Failure([&] { ini.WriteValue("Alpha", "dir", "/y/Alpha"); }),
                                  Failure([&] { ini.WriteValue("full", "k", ""); }),
                                  Failure([&] { ini.RemoveSection("domaine"); }),
                                  Failure([&] { ini.RemoveKey("Alpha", "dir"); })};
    Free();
    EXPECT_EQ(failures, QStringList(3, "Impossible d'écrire dans " + file) << "<no failure>");
    EXPECT_EQ(Snapshot(), before); // no temporary file either
}

// A read-only file, and a file in a read-only directory, fail on every write
// and stay exactly as they were; RemoveKey stays silent.
class IniReadOnlyTest : public IniTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(IniReadOnlyTest, WritesFailAndLeaveTheFileAlone)
{
    const bool lockDirectory = GetParam();
    const QString sub = Path("sub");
    ASSERT_TRUE(QDir().mkdir(sub));
    const QString file = sub + "/a.ini";
    const QByteArray before = "[a]\r\nk=1\r\n[b]\r\nk=2\r\n";
    WriteBytes(file, before);
    const QByteArray lock = QFile::encodeName(lockDirectory ? sub : file);
    ASSERT_EQ(::chmod(lock.constData(), lockDirectory ? 0555 : 0444), 0);

    TIniFile ini(file);
    const QString message = "Impossible d'écrire dans " + file;
    for (int op = 0; op < 4; ++op) {
        SCOPED_TRACE(op);
        try {
            if (op == 0)
                ini.WriteValue("a", "k", "changed");
            else if (op == 3)
                ini.WriteValue("a", "k", "1"); // the value it holds already
            else if (op == 1)
                ini.WriteValue("new", "k", "v");
            else
                ini.RemoveSection("a");
            ADD_FAILURE() << "no exception";
        } catch (const EIniFileException &e) {
            EXPECT_EQ(e.Message(), message);
        }
    }
    ini.RemoveKey("a", "k");
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(QDir(sub).entryList(QDir::Files | QDir::Hidden), QStringList({"a.ini"}));
    ::chmod(lock.constData(), lockDirectory ? 0755 : 0644);
}

INSTANTIATE_TEST_SUITE_P(Locks, IniReadOnlyTest, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Directory" : "File"; });

} // namespace
