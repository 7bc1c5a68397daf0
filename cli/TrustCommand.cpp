// `tarvik trust`: the CA installed where this computer's programs look for trusted
// authorities, or taken out again.
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "pki/CaLayout.h"
#include "pki/Texts.h"
#include "pki/Trust.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

const QString kRemove = QStringLiteral("remove");
const QString kNss = QStringLiteral("nss");
const QString kSystem = QStringLiteral("system");
const QString kJava = QStringLiteral("java");
const QString kKeystorePasswordFile = QStringLiteral("keystore-password-file");

int Trust(const QCommandLineParser &p)
{
    const TTrustJob job{ConfiguredToolPath(), CommandArguments(p).first(), p.isSet(kRemove)};
    if (const QString refusal = CaRefusal(job.ca); !refusal.isEmpty())
        return Refuse(refusal);
    if (int(p.isSet(kNss)) + int(p.isSet(kSystem)) + int(p.isSet(kJava)) > 1)
        return Refuse(Texts::TrustStoresExclusive);
    if (p.isSet(kSystem) && ::geteuid() != 0)
        return Refuse(Texts::SystemTrustNeedsRoot(SudoTrustLine(QDir::currentPath(), job.ca, job.remove)));
    const QString certutil = CertutilPath();
    if (!p.isSet(kSystem) && !p.isSet(kJava) && certutil.isEmpty())
        return Refuse(Texts::CertutilMissing);
    const QString keytool = KeytoolPath();
    if (p.isSet(kJava) && keytool.isEmpty())
        return Refuse(Texts::KeytoolMissing);
    if (!QFileInfo(CaLayout::CaCert(TrustAnchorCa(job.ca))).isFile())
        return Refuse(Texts::NoCaCertificate(TrustAnchorCa(job.ca)));
    // The copy for Windows and Android, for a CA made before Tarvik wrote one; not as root
    // through sudo, which would leave a file of root's among the user's.
    const QString derFailure = p.isSet(kSystem) ? QString() : EnsureCaCertDer(job.tool, job.ca);
    if (!derFailure.isEmpty())
        Complain(derFailure);

    QList<TTrustOutcome> outcomes;
    if (p.isSet(kNss)) {
        const QString dir = QDir::cleanPath(CallerPath(p.value(kNss)));
        const bool present = QFileInfo(dir + QStringLiteral("/cert9.db")).isFile();
        if (!present && !job.remove)
            return Refuse(Texts::StoreLine(Texts::NssDatabaseStore, dir, Texts::TrustNoDatabase));
        outcomes << TrustNssDatabase(job, certutil, {Texts::NssDatabaseStore, dir, present});
    } else if (p.isSet(kSystem)) {
        // Tests name a scratch root here; the real store is below /.
        const QString root = qEnvironmentVariable("TARVIK_SYSTEM_ROOT", QStringLiteral("/"));
        outcomes << TrustSystemStore(job, SystemStore(root, job.ca));
    } else if (p.isSet(kJava)) {
        QString password, error;
        const QString keystore = CallerPath(p.value(kJava));
        const TSecretSource source{QStringLiteral("TARVIK_KEYSTORE_PASS"), kKeystorePasswordFile,
                                    Texts::KeystorePasswordPrompt(keystore)};
        if (!ReadSecret(p, source, &password, &error))
            return Refuse(error);
        outcomes << TrustJavaKeystore(job, keytool, keystore, password);
    } else {
        outcomes = TrustUserStores(job, certutil, QDir::homePath());
    }
    bool failed = !derFailure.isEmpty();
    for (const TTrustOutcome &outcome : outcomes) {
        Print(outcome.failed ? stderr : stdout, OutcomeLine(outcome) + u'\n');
        failed = failed || outcome.failed;
    }
    return failed ? kExitFailed : kExitDone;
}

} // namespace

TCliCommand TrustCommand()
{
    return {QStringLiteral("trust"),
            QStringLiteral("CA [--remove] [--nss DOSSIER | --system | --java MAGASIN]"),
            Texts::TrustCommandSummary,
            {{kRemove, Texts::RemoveOptionHelp},
             {kNss, Texts::NssOptionHelp, QStringLiteral("DOSSIER")},
             {kSystem, Texts::SystemOptionHelp},
             {kJava, Texts::JavaOptionHelp, QStringLiteral("MAGASIN")},
             {kKeystorePasswordFile, Texts::KeystorePasswordFileOptionHelp, QStringLiteral("FICHIER")}},
            1,
            1,
            Trust};
}
