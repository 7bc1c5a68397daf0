// Time of one server certificate with its PKCS#12 under an ECDSA P-256 CA: `tarvik server`
// from the command line, easy-rsa's build-server-full and export-p12, and a click on
// "Créer et signer le certificat" in the window, interleaved.
//   bench/cli_server.sh [runs, default 20]   (installs easy-rsa, then runs this program)
#include "Unit1.h"
#include "window_support.h"

#include <QElapsedTimer>
#include <QProcess>

namespace {

const QString kEasyRsa = QStringLiteral("/usr/share/easy-rsa/easyrsa");

// Runs the program to its end; false, with what it said, when it failed.
bool Run(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed:\n%s\n", qPrintable(program), qPrintable(args.join(u' ')),
                     p.readAll().constData());
        return false;
    }
    return true;
}

double Timed(const std::function<bool()> &run, std::vector<double> &times)
{
    QElapsedTimer clock;
    clock.start();
    if (!run())
        std::exit(1);
    times.push_back(clock.nsecsElapsed() / 1e6);
    return times.back();
}

} // namespace

int main(int argc, char **argv)
{
    TBenchWindow bench(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const QString tarvik = QCoreApplication::applicationDirPath() + QStringLiteral("/../tarvik");
    const QString cliDir = bench.progDir + QStringLiteral("cli/");
    const QString easyDir = bench.progDir + QStringLiteral("easy-rsa/");
    QDir().mkpath(cliDir);
    QDir().mkpath(easyDir);

    // The window's CA, ECDSA P-256 (the fourth item of the key type picker).
    if (!MakeCa(bench.form, bench.tool, QStringLiteral("win.test"), 3)) {
        std::fprintf(stderr, "cli_server: the window's CA could not be created\n");
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("TARVIK_CA_PASS"), QStringLiteral("bench pass"));
    env.insert(QStringLiteral("TARVIK_EXPORT_PASS"), QStringLiteral("export pass"));
    QFile ini(cliDir + QStringLiteral("tarvik.ini"));
    if (!ini.open(QIODevice::WriteOnly) || ini.write(QStringLiteral("[path]\r\nopenssl=%1\r\n").arg(bench.tool).toUtf8()) < 0)
        return 1;
    ini.close();
    if (!Run(tarvik, {QStringLiteral("--dir"), cliDir, QStringLiteral("ca"), QStringLiteral("cli.test"),
                      QStringLiteral("--email"), QStringLiteral("pki@cli.test"), QStringLiteral("--country"),
                      QStringLiteral("FR"), QStringLiteral("--province"), QStringLiteral("bench"),
                      QStringLiteral("--city"), QStringLiteral("bench"), QStringLiteral("--company"),
                      QStringLiteral("bench"), QStringLiteral("--service"), QStringLiteral("bench"),
                      QStringLiteral("--days"), QStringLiteral("3650"), QStringLiteral("--key-type"),
                      QStringLiteral("ecdsa-p256")},
             env))
        return 1;

    // easy-rsa with the same kind of keys and an encrypted CA key.
    QProcessEnvironment easy = env;
    easy.insert(QStringLiteral("EASYRSA_PKI"), easyDir + QStringLiteral("pki"));
    easy.insert(QStringLiteral("EASYRSA_BATCH"), QStringLiteral("1"));
    easy.insert(QStringLiteral("EASYRSA_ALGO"), QStringLiteral("ec"));
    easy.insert(QStringLiteral("EASYRSA_CURVE"), QStringLiteral("prime256v1"));
    easy.insert(QStringLiteral("EASYRSA_REQ_CN"), QStringLiteral("bench"));
    easy.insert(QStringLiteral("EASYRSA_PASSIN"), QStringLiteral("pass:bench pass"));
    easy.insert(QStringLiteral("EASYRSA_PASSOUT"), QStringLiteral("pass:bench pass"));
    if (!Run(kEasyRsa, {QStringLiteral("init-pki")}, easy) || !Run(kEasyRsa, {QStringLiteral("build-ca")}, easy))
        return 1;
    easy.insert(QStringLiteral("EASYRSA_PASSOUT"), QStringLiteral("pass:export pass"));
    easy.remove(QStringLiteral("EASYRSA_REQ_CN")); // build-server-full names the server itself

    std::vector<double> viaCli, viaEasyRsa, viaWindow;
    for (int i = 0; i < runs; ++i) {
        // Interleaved, so each sees the same machine load.
        const QString host = QStringLiteral("t%1").arg(i);
        Timed([&] { return Run(tarvik, {QStringLiteral("--dir"), cliDir, QStringLiteral("server"),
                                        QStringLiteral("cli.test"), host, QStringLiteral("--days"),
                                        QStringLiteral("365")},
                               env); },
              viaCli);
        Timed([&] { return Run(kEasyRsa, {QStringLiteral("build-server-full"), host, QStringLiteral("nopass")}, easy)
                           && Run(kEasyRsa, {QStringLiteral("export-p12"), host}, easy); },
              viaEasyRsa);
        Timed([&] {
            Find<QLineEdit>(&bench.form, "cxMaskEdit2")->setText(QStringLiteral("bench pass"));
            Find<QLineEdit>(&bench.form, "cxTextEdit8")->setText(host);
            Find<QLineEdit>(&bench.form, "cxTextEdit3")->setText(QStringLiteral("export pass"));
            Find<QPushButton>(&bench.form, "cxButton14")->click();
            WaitForRuns(&bench.form);
            return QFileInfo::exists(QStringLiteral("win.test/certs/%1/%1.p12").arg(host));
        }, viaWindow);
    }

    std::printf("cli_server: %d ECDSA P-256 server certificates with their PKCS#12 each way, interleaved\n", runs);
    std::printf("  tarvik server:                       mean %7.1f ms, median %7.1f ms\n", Mean(viaCli), Median(viaCli));
    std::printf("  easy-rsa build-server-full + export: mean %7.1f ms, median %7.1f ms\n", Mean(viaEasyRsa),
                Median(viaEasyRsa));
    std::printf("  window, click to end of run:         mean %7.1f ms, median %7.1f ms\n", Mean(viaWindow),
                Median(viaWindow));
    std::printf("  easy-rsa / tarvik server: %.2f (target >= 5); tarvik server / window: %.2f (target <= 1.5)\n",
                Mean(viaEasyRsa) / Mean(viaCli), Mean(viaCli) / Mean(viaWindow));
    return 0;
}
