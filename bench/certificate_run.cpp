// Time from the click on "Créer et signer le certificat" to the end of the console run,
// beside the same five commands run by /bin/sh directly.
//   build/bench/certificate_run [runs, default 60]
#include "Unit1.h"
#include "window_support.h"

#include "console/ConsoleCommand.h"
#include "pki/CommandLines.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    TBenchWindow bench(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    TForm1 &form = bench.form;
    const QString &tool = bench.tool;
    if (!MakeCa(form, tool, QStringLiteral("bench.test"))) {
        std::fprintf(stderr, "certificate_run: the CA could not be created\n");
        return 1;
    }

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
