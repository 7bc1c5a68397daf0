#include "common/Exception.h"
#include "pki/IndexFile.h"
#include "pki_support.h"

#include <sys/stat.h>

namespace {

TEST_F(PkiTest, IndexLinesAreSortedByTheirExactStatusLetter)
{
    ASSERT_TRUE(QDir().mkdir("Alpha"));
    WriteBytes("Alpha/index.txt", "V\t301231Z\t\t01\tunknown\t/CN=a\r\n"
                                  "R\t301231Z\t240101Z\t02\tunknown\t/CN=b\n"
                                  "\n"
                                  "v lower\r\n"
                                  "r lower\n"
                                  "E\texpired\n"
                                  " V leading blank\n"
                                  "V\t/CN=Soci\xc3\xa9t\xc3\xa9\n"
                                  "R last without line end");
    const TIndexLists lists = ReadIndexLists("Alpha");
    EXPECT_EQ(lists.valid, QStringList({"V\t301231Z\t\t01\tunknown\t/CN=a", "V\t/CN=Société"}));
    EXPECT_EQ(lists.revoked, QStringList({"R\t301231Z\t240101Z\t02\tunknown\t/CN=b", "R last without line end"}));
}

TEST_F(PkiTest, EmptyIndexGivesEmptyLists)
{
    ASSERT_TRUE(QDir().mkdir("Alpha"));
    WriteBytes("Alpha/index.txt", "");
    const TIndexLists lists = ReadIndexLists("Alpha");
    EXPECT_TRUE(lists.valid.isEmpty());
    EXPECT_TRUE(lists.revoked.isEmpty());
}

TEST_F(PkiTest, IndexFailuresNameTheirCause)
{
    ASSERT_TRUE(QDir().mkdir("NoIndex"));
    ASSERT_TRUE(QDir().mkpath("Locked"));
    WriteBytes("Locked/index.txt", "V\n");
    ASSERT_EQ(::chmod("Locked/index.txt", 0), 0);
    ASSERT_TRUE(QDir().mkpath("Dir/index.txt"));
    WriteBytes("File", "");

    const std::pair<const char *, QString> cases[] = {
        {"NoIndex", "Fichier introuvable"},
        {"Missing", "Nom de fichier incorrect"},
        {"File", "Nom de fichier incorrect"},
        {"", "Nom de fichier incorrect"},
        {"Locked", "Accès au fichier refusé"},
        {"Dir", QStringLiteral("Erreur E/S %1").arg(EISDIR)},
    };
    for (const auto &[ca, message] : cases) {
        try {
            ReadIndexLists(ca);
            ADD_FAILURE() << "no exception for " << ca;
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), message) << ca;
        }
    }
}

} // namespace
