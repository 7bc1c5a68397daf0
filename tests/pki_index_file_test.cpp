#include "common/Exception.h"
#include "pki/Expiry.h"
#include "pki/IndexFile.h"
#include "pki_support.h"

#include <ctime>
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

// Dates are the user's: a certificate ending at 23:30 UTC ends the next day in Paris.
TEST(Expiry, TipsSummaryAndWarningInLocalTime)
{
    const QByteArray savedTz = qgetenv("TZ");
    qputenv("TZ", "CET-1");
    tzset();
    const QDateTime now(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);

    const struct
    {
        const char *line, *tip;
    } tips[] = {
        {"V\t281209215432Z\t\t02\tunknown\t/CN=www.acme.test/emailAddress=pki@acme.test",
         "www.acme.test — n° 02 — expire le 9 décembre 2028 (dans 730 jours)"},
        {"V\t261210233000Z\t\t03\tunknown\t/CN=late", "late — n° 03 — expire le 11 décembre 2026 (dans 1 jour)"},
        {"V\t261210120001Z\t\t04\tunknown\t/CN=noon", "noon — n° 04 — expire le 10 décembre 2026 (aujourd'hui)"},
        {"V\t261209120000Z\t\t05\tunknown\t/CN=old", "old — n° 05 — a expiré le 9 décembre 2026 (il y a 1 jour)"},
        {"V\t20551231235959Z\t\t06\tunknown\t/O=x", "/O=x — n° 06 — expire le 1 janvier 2056 (dans 10614 jours)"},
        {"R\t301231235959Z\t261208230000Z,keyCompromise\t0A\tunknown\t/CN=Jean",
         "Jean — n° 0A — révoqué le 9 décembre 2026"},
    };
    for (const auto &t : tips)
        EXPECT_EQ(IndexLineTip(QString::fromUtf8(t.line), now), QString::fromUtf8(t.tip)) << t.line;
    EXPECT_EQ(ExpiryOf(now.addSecs(1), now), TExpiry::Soon);
    EXPECT_EQ(ExpiryOf(now, now), TExpiry::Passed);
    EXPECT_EQ(ExpiryOf(now.addDays(30), now), TExpiry::Far);

    const auto joined = [](const QList<TSummaryPart> &parts) {
        QStringList texts;
        for (const TSummaryPart &p : parts)
            texts << (p.alert ? "!" : "") + p.text;
        return texts.join(" · ");
    };
    const QDateTime caEnd(QDate(2036, 12, 9), QTime(10, 0), Qt::UTC);
    EXPECT_EQ(joined(ExpirySummary(caEnd, now.addDays(29), 2, now)),
              "CA valable jusqu'au 9 décembre 2036 · CRL à republier avant le 8 janvier 2027 · "
              "!2 certificats expirent dans moins de 30 jours");
    EXPECT_EQ(joined(ExpirySummary(now.addDays(3), now.addDays(3), 1, now)),
              "!CA valable jusqu'au 13 décembre 2026 · !CRL à republier avant le 13 décembre 2026 · "
              "!1 certificat expire dans moins de 30 jours");
    EXPECT_EQ(joined(ExpirySummary(now.addDays(-1), now.addSecs(-1), 0, now)),
              "!CA expiré depuis le 9 décembre 2026 · !CRL expirée depuis le 10 décembre 2026 · "
              "aucun certificat n'expire dans moins de 30 jours");
    EXPECT_EQ(joined(ExpirySummary({}, {}, 0, now)),
              "pas encore de certificat de CA · aucune CRL publiée · aucun certificat n'expire dans moins de 30 jours");

    EXPECT_EQ(CaExpiryWarning("acme.test", caEnd, now.addDays(29), now), "");
    EXPECT_EQ(CaExpiryWarning("acme.test", {}, {}, now), "");
    const QStringList both = CaExpiryWarning("acme.test", now.addDays(-1), now.addDays(2), now).split("\n\n");
    ASSERT_EQ(both.size(), 2);
    EXPECT_TRUE(both[0].startsWith("Le certificat du CA acme.test a expiré le 9 décembre 2026 : ")) << qPrintable(both[0]);
    EXPECT_TRUE(both[1].startsWith("La liste de révocation (CRL) du CA acme.test expire le 12 décembre 2026 : "))
        << qPrintable(both[1]);

    if (savedTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", savedTz);
    tzset();
}
