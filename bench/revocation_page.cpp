// Time to show the revocation page of a CA that has issued many certificates (reading the
// database, colours, tool tips and the summary), beside reading the same database and
// filling the same two lists with its lines and nothing else.
//   build/bench/revocation_page [certificates, default 100000] [repetitions, default 7]
#include "Unit1.h"
#include "window_support.h"

#include "pki/IndexFile.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {
// A database as years of use leave it: some expired, a few ending soon, one in ten revoked.
void WriteIndex(const QString &path, int count)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        const int days = i % 10 == 0 ? -40 : i % 50 == 1 ? 12 : 400 + i % 700;
        const QByteArray end = now.addDays(days).toString(QStringLiteral("yyMMddHHmmss")).toLatin1() + 'Z';
        const QByteArray serial = QByteArray::number(i + 1, 16).toUpper().rightJustified(6, '0');
        const bool revoked = i % 10 == 5;
        text += (revoked ? "R\t" : "V\t") + end + '\t'
                + (revoked ? now.addDays(-3).toString(QStringLiteral("yyMMddHHmmss")).toLatin1() + "Z" : QByteArray())
                + '\t' + serial + "\tunknown\t/CN=host" + QByteArray::number(i) + ".bench.test/emailAddress=pki@bench.test\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        std::fprintf(stderr, "revocation_page: cannot write %s\n", qPrintable(path));
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    const int reps = argc > 2 ? std::max(1, atoi(argv[2])) : 7;
    QTemporaryDir tmp;
    const QString progDir = tmp.path() + QLatin1Char('/');
    QDir::setCurrent(progDir);

    TForm1 form(progDir, std::make_unique<QuietBoxes>());
    form.show();
    Find<QLineEdit>(&form, "txtNewCA")->setText(QStringLiteral("bench.test"));
    Find<QPushButton>(&form, "btAddCA")->click();
    WriteIndex(QStringLiteral("bench.test/index.txt"), count);
    auto *pages = Find<QTabWidget>(&form, "cxPageControl1");
    pages->setCurrentWidget(Find<QWidget>(&form, "cxTabSheet5"));
    QApplication::processEvents();

    auto *valid = Find<QListWidget>(&form, "cxListBox1");
    auto *revoked = Find<QListWidget>(&form, "cxListBox2");
    auto *reread = Find<QPushButton>(&form, "cxButton12");
    std::vector<double> page, plain;
    for (int i = -1; i < reps; ++i) {
        // Interleaved after one warm-up round, so both sides see the same machine load.
        QElapsedTimer clock;
        clock.start();
        reread->click();
        QApplication::processEvents();
        const double pageMs = clock.nsecsElapsed() / 1e6;

        clock.restart();
        const TIndexLists lists = ReadIndexLists(QStringLiteral("bench.test"));
        valid->clear();
        revoked->clear();
        valid->addItems(lists.valid);
        revoked->addItems(lists.revoked);
        QApplication::processEvents();
        const double plainMs = clock.nsecsElapsed() / 1e6;
        if (i >= 0) {
            page.push_back(pageMs);
            plain.push_back(plainMs);
        }
    }

    std::printf("revocation_page: %d certificates, %d repetitions, medians\n", count, reps);
    std::printf("  page shown (colours, tool tips, summary): %7.1f ms (target <= 500)\n", Median(page));
    std::printf("  same lines, plain fill:                   %7.1f ms\n", Median(plain));
    std::printf("  ratio:                                    %.2f (target <= 1.5)\n", Median(page) / Median(plain));
    return 0;
}
