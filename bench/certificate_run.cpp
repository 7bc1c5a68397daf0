// Time from the click on "Créer et signer le certificat" to the end of the console run,
// beside the same five commands run by /bin/sh directly.
//   build/bench/certificate_run [runs, default 60]
#include "Unit1.h"
#include "window_support.h"

#include "console/ConsoleCommand.h"
#include "pki/CommandLines.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <numeric>
#include <cstdio>

namespace {
bool AllRunsEnded(TForm1 *form)
{
    return form->RunningOperations() == 0;
}

// Waits in the event loop as the program does, looking every millisecond.
void WaitForRuns(TForm1 *form)
{
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (AllRunsEnded(form))
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Mean(const std::vector<double> &v)
{
    return std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    QTemporaryDir tmp;
    const QString progDir = tmp.path() + QLatin1Char('/');
    QDir::setCurrent(progDir);
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("openssl"));

    TForm1 form(progDir, std::make_unique<QuietBoxes>());
    form.show();
    Find<QLineEdit>(&form, "cxTextEdit1")->setText(tool);
    Find<QLineEdit>(&form, "txtNewCA")->setText(QStringLiteral("bench.test"));
    Find<QPushButton>(&form, "btAddCA")->click();
    Find<QLineEdit>(&form, "txtEmailCA")->setText(QStringLiteral("pki@bench.test"));
    Find<QComboBox>(&form, "comboCountryCodeCA")->setEditText(QStringLiteral("FR"));
    for (const char *field : {"txtProvinceCA", "txtVilleCA", "txtServiceCA"})
        Find<QLineEdit>(&form, field)->setText(QStringLiteral("bench"));
    Find<QComboBox>(&form, "comboTTLCA")->setCurrentIndex(2);
    Find<QPushButton>(&form, "cxButton1")->click();
    Find<QLineEdit>(&form, "cxMaskEdit1")->setText(QStringLiteral("bench pass"));
    Find<QPushButton>(&form, "cxButton6")->click();
    WaitForRuns(&form);
    if (!QFileInfo::exists(QStringLiteral("bench.test/private/ca.crt"))) {
        std::fprintf(stderr, "certificate_run: the CA could not be created\n");
        return 1;
    }
    Find<QComboBox>(&form, "comboTTLsrv")->setCurrentIndex(2);

    std::vector<double> viaTarvik, viaShell;
    for (int i = 0; i < runs; ++i) {
        // Interleaved, so both sides see the same machine load.
        const QString host = QStringLiteral("t%1").arg(i);
        Find<QLineEdit>(&form, "cxTextEdit8")->setText(host);
        Find<QLineEdit>(&form, "cxTextEdit3")->setText(QStringLiteral("export pass"));
        QElapsedTimer clock;
        clock.start();
        Find<QPushButton>(&form, "cxButton14")->click();
        WaitForRuns(&form);
        viaTarvik.push_back(clock.nsecsElapsed() / 1e6);

        TCertificateRequest request;
        request.kind = TCertKind::Server;
        request.tool = tool;
        request.ca = QStringLiteral("bench.test");
        request.name = QStringLiteral("s%1").arg(i);
        request.suffix = QStringLiteral(".bench.test");
        request.days = QStringLiteral("365");
        request.company = QStringLiteral("bench.test");
        QDir().mkpath(QStringLiteral("bench.test/certs/") + request.name);
        clock.restart();
        QProcess shell;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TARVIK_CA_PASS"), QStringLiteral("bench pass"));
        environment.insert(QStringLiteral("TARVIK_CERT_PASS"), QStringLiteral("export pass"));
        shell.setProcessEnvironment(environment);
        shell.start(QStringLiteral("/bin/sh"), {});
        shell.waitForStarted();
        shell.write(CertificateCommands(request).join(QLatin1Char('\n')).toUtf8() + '\n');
        shell.closeWriteChannel();
        shell.waitForFinished(-1);
        viaShell.push_back(clock.nsecsElapsed() / 1e6);
    }

    // Key generation time varies widely from one key to the next: the means of many
    // interleaved runs make the steadier ratio.
    std::printf("certificate_run: %d server certificates each way\n", runs);
    std::printf("  click to end of run:        mean %7.1f ms, median %7.1f ms\n", Mean(viaTarvik), Median(viaTarvik));
    std::printf("  same commands by /bin/sh:   mean %7.1f ms, median %7.1f ms\n", Mean(viaShell), Median(viaShell));
    std::printf("  ratio of means:             %.2f (target <= 1.10); overhead %.1f ms a certificate\n",
                Mean(viaTarvik) / Mean(viaShell), Mean(viaTarvik) - Mean(viaShell));
    return 0;
}
