#include "settings/IniFile.h"
#include "settings_support.h"

namespace {

const QByteArray kSample = "top=outside\r\n"
                           "; comment=not a key\r\n"
                           "[ Req ]\r\n"
                           "  Default_Bits  =  2048  \r\n"
                           "empty=\r\n"
                           "eq=a=b\r\n"
                           "quoted=\"x\"\r\n"
                           "#hash=no\r\n"
                           "dup=first\r\n"
                           "DUP=second\r\n"
                           "no equals sign\r\n"
                           "[empty]\r\n"
                           "; only a comment\r\n"
                           "[other]\n"
                           "k=lf only\n"
                           "[req]\r\n"
                           "late=second section\r\n"
                           "[tail]\r\n"
                           "last=no line end";

struct ReadCase
{
    const char *section, *key, *expected;
};

class IniReadTest : public IniTest, public ::testing::WithParamInterface<ReadCase>
{
};

TEST_P(IniReadTest, FindsValue)
{
    WriteBytes(Path("a.ini"), kSample);
    const ReadCase c = GetParam();
    EXPECT_EQ(TIniFile(Path("a.ini")).ReadValue(c.section, c.key, "<def>"), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Sample, IniReadTest,
    ::testing::Values(ReadCase{"req", "default_bits", "2048"},          // blanks and case of the header
                      ReadCase{"REQ", "DEFAULT_BITS", "2048"},          // case of the query
                      ReadCase{" req ", " default_bits ", "2048"},      // blanks of the query
                      ReadCase{"req", "empty", ""},                      // empty value is not the default
                      ReadCase{"req", "missing", "<def>"},
                      ReadCase{"nosuch", "k", "<def>"},
                      ReadCase{"req", "eq", "a=b"},                      // first '=' splits
                      ReadCase{"req", "quoted", "\"x\""},                // quotes are data
                      ReadCase{"req", "#hash", "<def>"},                 // comment line
                      ReadCase{"req", "; comment", "<def>"},
                      ReadCase{"req", "dup", "first"},                   // first occurrence wins
                      ReadCase{"req", "late", "<def>"},                  // only the first section counts
                      ReadCase{"req", "top", "<def>"},                   // lines before any header
                      ReadCase{"other", "k", "lf only"},                 // LF alone ends a line
                      ReadCase{"tail", "last", "no line end"}));

TEST_F(IniTest, ReadingAMissingFileGivesTheDefaultAndCreatesNothing)
{
    TIniFile ini(Path("none.ini"));
    EXPECT_EQ(ini.ReadValue("s", "k", "def"), "def");
    QStringList keys{"stale"};
    ini.ListKeys("s", keys);
    EXPECT_TRUE(keys.isEmpty());
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(IniTest, ListKeysGivesNamesInFileOrderAsWritten)
{
    WriteBytes(Path("a.ini"), kSample);
    QStringList keys{"stale"};
    TIniFile(Path("a.ini")).ListKeys("req", keys);
    EXPECT_EQ(keys, QStringList({"Default_Bits", "empty", "eq", "quoted", "dup", "DUP"}));
    for (const char *section : {"nosuch", "empty"}) {
        keys = QStringList{"stale"};
        TIniFile(Path("a.ini")).ListKeys(section, keys);
        EXPECT_TRUE(keys.isEmpty()) << section;
    }
}

TEST_F(IniTest, ValueIsCutAt2047Characters)
{
    const QString fits(2047, u'é');
    const QString tooLong(3000, u'x');
    TIniFile ini(Path("a.ini"));
    ini.WriteValue("s", "fits", fits);
    ini.WriteValue("s", "long", tooLong);
    EXPECT_EQ(ini.ReadValue("s", "fits", ""), fits);
    EXPECT_EQ(ini.ReadValue("s", "long", ""), tooLong.left(2047));
}

TEST_F(IniTest, KeyListIsCutAt16384CharactersCountingSeparators)
{
    // 162 names of 100 characters take 162 * 101 = 16362; 22 remain for the
    // 163rd name and its separator, so it comes out cut to 21 characters.
    QByteArray data = "[big]\r\n";
    QStringList written;
    for (int i = 0; i < 170; ++i) {
        const QString name = QStringLiteral("%1").arg(i, 100, 10, QLatin1Char('k'));
        written.append(name);
        data += name.toUtf8() + "=v\r\n";
    }
    WriteBytes(Path("a.ini"), data);
    QStringList keys;
    TIniFile(Path("a.ini")).ListKeys("big", keys);
    ASSERT_EQ(keys.size(), 163);
    EXPECT_EQ(keys.mid(0, 162), written.mid(0, 162));
    EXPECT_EQ(keys.last(), written[162].left(21));
}

TEST_F(IniTest, KeyListThatFitsExactlyIsWhole)
{
    // Two names of 8191 characters and their separators fill the limit exactly.
    const QString a(8191, u'a'), b(8191, u'b');
    WriteBytes(Path("a.ini"), "[s]\r\n" + a.toUtf8() + "=1\r\n" + b.toUtf8() + "=2\r\nc=3\r\n");
    QStringList keys;
    TIniFile(Path("a.ini")).ListKeys("s", keys);
    EXPECT_EQ(keys, QStringList({a, b}));
}

} // namespace
