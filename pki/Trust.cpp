#include "pki/Trust.h"

#include "pki/CaChain.h"
#include "pki/CaLayout.h"
#include "pki/CaLock.h"
#include "pki/CommandLines.h"
#include "pki/PemDates.h"
#include "pki/RegularFile.h"
#include "pki/Texts.h"
#include "pki/ToolRun.h"
#include "settings/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcTrust, "tarvik.trust")

namespace {

constexpr int kCertutilTimeoutMs = 15000;
// keytool starts a Java machine first; update-ca-certificates rehashes the whole store.
constexpr int kSlowToolTimeoutMs = 60000;
const QString kKeystorePassVar = QStringLiteral("TARVIK_KEYSTORE_PASS");

QString AnchorCert(const QString &ca)
{
    return QFileInfo(CaLayout::CaCert(TrustAnchorCa(ca))).absoluteFilePath();
}

QString Shown(const QString &path, const QString &home)
{
    if (!home.isEmpty() && (path == home || path.startsWith(home + u'/')))
        return u'~' + path.mid(home.size());
    return path;
}

QString LastLine(const TToolAnswer &answer)
{
    const QStringList lines = (answer.errors + u'\n' + answer.output).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = lines.size(); i-- > 0;)
        if (!lines[i].trimmed().isEmpty())
            return lines[i].trimmed();
    return answer.ran ? QStringLiteral("code %1").arg(answer.exitCode) : QStringLiteral("pas de réponse à temps");
}

// Every certificate of PEM text, in DER.
QList<QByteArray> PemCertificates(const QString &text)
{
    static const QRegularExpression block(
        QStringLiteral("-----BEGIN CERTIFICATE-----([A-Za-z0-9+/=\\s]*)-----END CERTIFICATE-----"));
    QList<QByteArray> certs;
    for (auto it = block.globalMatch(text); it.hasNext();)
        certs << QByteArray::fromBase64(it.next().captured(1).toLatin1());
    return certs;
}

// The certificates a database holds under the nickname; false with *error when it could
// not be read.
bool NssCertificates(const QString &certutil, const QString &db, const QString &nick, QList<QByteArray> *certs,
                     QString *error)
{
    const TToolAnswer answer = RunTool(certutil, {"-L", "-d", db, "-n", nick, "-a"}, {}, kCertutilTimeoutMs);
    if (answer.ran && answer.exitCode == 0) {
        *certs = PemCertificates(answer.output);
        return true;
    }
    if (answer.ran && answer.errors.contains(QLatin1String("Could not find cert"))) {
        certs->clear();
        return true;
    }
    *error = Texts::TrustToolFailed(LastLine(answer));
    qCWarning(lcTrust) << "certutil could not list" << db << *error;
    return false;
}

// Empty when certutil succeeded; otherwise the outcome's text.
QString Certutil(const QString &certutil, const QStringList &args)
{
    const TToolAnswer answer = RunTool(certutil, args, {}, kCertutilTimeoutMs);
    if (answer.ran && answer.exitCode == 0)
        return QString();
    qCWarning(lcTrust) << "certutil" << args.first() << "failed:" << LastLine(answer);
    return Texts::TrustToolFailed(LastLine(answer));
}

QString InstallIntoNss(const QString &certutil, const QString &db, const QString &nick, const QString &cert,
                       const QByteArray &der)
{
    QList<QByteArray> certs;
    QString error;
    if (!NssCertificates(certutil, db, nick, &certs, &error))
        return error;
    if (certs.contains(der))
        return Texts::TrustAlreadyInstalled;
    // What the nickname held is this CA's earlier certificate: a CA made again replaces it.
    const bool replaced = !certs.isEmpty();
    for (qsizetype i = 0; i < certs.size(); ++i)
        if (const QString failed = Certutil(certutil, {"-D", "-d", db, "-n", nick}); !failed.isEmpty())
            return failed;
    if (const QString failed = Certutil(certutil, {"-A", "-d", db, "-t", "C,,", "-n", nick, "-a", "-i", cert});
        !failed.isEmpty())
        return failed;
    // A certificate already there keeps the nickname it had.
    if (!NssCertificates(certutil, db, nick, &certs, &error))
        return error;
    if (!certs.contains(der))
        return Texts::TrustUnderOtherName;
    return replaced ? Texts::TrustReplaced : Texts::TrustInstalled;
}

QString RemoveFromNss(const QString &certutil, const QString &db, const QString &nick, const QByteArray &der)
{
    QList<QByteArray> certs;
    QString error;
    if (!NssCertificates(certutil, db, nick, &certs, &error))
        return error;
    if (certs.isEmpty())
        return Texts::TrustNotThere;
    if (!certs.contains(der))
        return Texts::TrustOtherCertificate;
    // certutil deletes by nickname alone: with another certificate under it, either could go.
    if (certs.size() > 1)
        return Texts::TrustSeveralCertificates;
    if (const QString failed = Certutil(certutil, {"-D", "-d", db, "-n", nick}); !failed.isEmpty())
        return failed;
    return Texts::TrustRemoved;
}

// The [Profile…] sections of a profiles.ini, each as its keys and values.
QList<QMap<QString, QString>> ProfileSections(const QString &file)
{
    QByteArray data;
    int error = 0;
    QList<QMap<QString, QString>> sections;
    if (!ReadRegularFile(file, data, &error, 1024 * 1024))
        return sections;
    bool inProfile = false;
    for (const QString &raw : QString::fromUtf8(data).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inProfile = line.startsWith(QLatin1String("[Profile"));
            if (inProfile)
                sections.append(QMap<QString, QString>());
        } else if (inProfile && line.contains(u'=')) {
            sections.last().insert(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
        }
    }
    return sections;
}

bool HasNssDatabase(const QString &dir)
{
    return QFileInfo(dir + QStringLiteral("/cert9.db")).isFile();
}

QString FileError(const QString &file)
{
    return Texts::TrustToolFailed(WriteFailureMessage(file));
}

} // namespace

QString TrustAnchorCa(const QString &ca)
{
    return RootCaOf(ca);
}

QString TrustNickname(const QString &ca)
{
    return QStringLiteral("Tarvik ") + TrustAnchorCa(ca);
}

QString OutcomeLine(const TTrustOutcome &outcome)
{
    return Texts::StoreLine(outcome.store, outcome.where, outcome.text);
}

QString EnsureCaCertDer(const QString &tool, const QString &ca)
{
    const QString anchor = TrustAnchorCa(ca);
    const QString der = CaLayout::CaCertDer(anchor);
    const QByteArray expected = CertificateDer(CaLayout::CaCert(anchor));
    QByteArray current;
    int error = 0;
    if (ReadRegularFile(der, current, &error, 1024 * 1024) && current == expected)
        return QString();
    if (expected.isEmpty())
        return Texts::NoCaCertificate(anchor);
    // A CA being created writes the same pending file.
    const TCaLock lock(anchor);
    if (lock.State() == TCaLock::Busy)
        return Texts::CaBusy;
    if (lock.State() == TCaLock::Failed)
        return Texts::CaCertDerFailed(der, lock.Error());
    const QString pending = CaLayout::Pending(der);
    QFile::remove(pending);
    const TToolAnswer answer =
        RunTool(tool, {"x509", "-in", CaLayout::CaCert(anchor), "-outform", "DER", "-out", pending});
    if (!answer.ran || answer.exitCode != 0 || !QFileInfo(pending).isFile()) {
        QFile::remove(pending);
        return Texts::CaCertDerFailed(der, LastLine(answer));
    }
    if (::rename(QFile::encodeName(pending).constData(), QFile::encodeName(der).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(::strerror(errno));
        QFile::remove(pending);
        return Texts::CaCertDerFailed(der, reason);
    }
    qCInfo(lcTrust) << "made" << der;
    return QString();
}

QString CertutilPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("certutil"));
}

QString KeytoolPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("keytool"));
}

QList<TNssStore> UserNssStores(const QString &home)
{
    QList<TNssStore> stores;
    const QString chrome = home + QStringLiteral("/.pki/nssdb");
    stores.append({Texts::ChromeStore, chrome, HasNssDatabase(chrome), true});

    const struct
    {
        QString root, app, variant;
    } firefoxes[] = {
        {home + QStringLiteral("/.mozilla/firefox"), QString(), QString()},
        {home + QStringLiteral("/.config/mozilla/firefox"), QString(), QString()},
        {home + QStringLiteral("/snap/firefox/common/.mozilla/firefox"), home + QStringLiteral("/snap/firefox"),
         QStringLiteral("snap")},
        {home + QStringLiteral("/.var/app/org.mozilla.firefox/.mozilla/firefox"),
         home + QStringLiteral("/.var/app/org.mozilla.firefox"), QStringLiteral("flatpak")},
    };
    QStringList seen;
    bool anyProfile = false;
    for (const auto &firefox : firefoxes) {
        const QString ini = firefox.root + QStringLiteral("/profiles.ini");
        if (!QFileInfo(ini).isFile()) {
            // A snap or flatpak installed but never opened.
            if (!firefox.app.isEmpty() && QFileInfo(firefox.app).isDir()) {
                stores.append({Texts::FirefoxStore + u' ' + firefox.variant, firefox.root});
                anyProfile = true;
            }
            continue;
        }
        anyProfile = true;
        for (const auto &section : ProfileSections(ini)) {
            const QString path = section.value(QStringLiteral("Path"));
            if (path.isEmpty())
                continue;
            const bool relative = section.value(QStringLiteral("IsRelative"), QStringLiteral("1")) == u'1';
            const QString dir = QDir::cleanPath(relative ? firefox.root + u'/' + path : path);
            const QString identity = QFileInfo(dir).canonicalFilePath().isEmpty() ? dir : QFileInfo(dir).canonicalFilePath();
            if (seen.contains(identity))
                continue;
            seen << identity;
            const QString name = section.value(QStringLiteral("Name"), QFileInfo(dir).fileName());
            stores.append({Texts::FirefoxProfileStore(name, firefox.variant), dir, HasNssDatabase(dir)});
        }
    }
    if (!anyProfile)
        stores.append({Texts::FirefoxStore, firefoxes[0].root});

    const QString chromiumSnap = home + QStringLiteral("/snap/chromium/current/.pki/nssdb");
    if (QFileInfo(home + QStringLiteral("/snap/chromium")).isDir())
        stores.append({Texts::ChromiumSnapStore, chromiumSnap, HasNssDatabase(chromiumSnap)});
    return stores;
}

TTrustOutcome TrustNssDatabase(const TTrustJob &job, const QString &certutil, const TNssStore &store,
                               const QString &home)
{
    TTrustOutcome outcome{store.store, Shown(store.dir, home), QString()};
    const QString db = QStringLiteral("sql:") + store.dir;
    const QByteArray der = CertificateDer(AnchorCert(job.ca));
    if (job.remove) {
        outcome.text = store.present ? RemoveFromNss(certutil, db, TrustNickname(job.ca), der) : Texts::TrustNotThere;
    } else if (store.present) {
        outcome.text = InstallIntoNss(certutil, db, TrustNickname(job.ca), AnchorCert(job.ca), der);
    } else if (!store.create) {
        outcome.text = Texts::TrustNeverStarted;
    } else if (!QDir().mkpath(store.dir) || !QFile::setPermissions(store.dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        outcome.text = FileError(store.dir);
    } else if (const QString failed = Certutil(certutil, {"-N", "-d", db, "--empty-password"}); !failed.isEmpty()) {
        outcome.text = failed;
    } else {
        outcome.text = InstallIntoNss(certutil, db, TrustNickname(job.ca), AnchorCert(job.ca), der);
        if (outcome.text == Texts::TrustInstalled)
            outcome.text = Texts::TrustDatabaseCreated;
    }
    // What the tool refused, or a removal that could not be made safely.
    outcome.failed = outcome.text == Texts::TrustSeveralCertificates
                     || outcome.text.startsWith(Texts::TrustToolFailed(QString()));
    return outcome;
}

QList<TTrustOutcome> TrustUserStores(const TTrustJob &job, const QString &certutil, const QString &home)
{
    QList<TTrustOutcome> outcomes;
    for (const TNssStore &store : UserNssStores(home))
        outcomes << TrustNssDatabase(job, certutil, store, home);
    return outcomes;
}

TSystemStore SystemStore(const QString &root, const QString &ca)
{
    const QString prefix = root == u'/' ? QString() : QDir::cleanPath(root);
    const QStringList sbin{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")};
    const auto find = [&sbin](const QString &name) {
        const QString found = QStandardPaths::findExecutable(name);
        return found.isEmpty() ? QStandardPaths::findExecutable(name, sbin) : found;
    };
    const QString file = QStringLiteral("/tarvik-%1.crt").arg(TrustAnchorCa(ca));
    TSystemStore store;
    if (const QString debian = find(QStringLiteral("update-ca-certificates")); !debian.isEmpty()) {
        store.file = prefix + QStringLiteral("/usr/local/share/ca-certificates") + file;
        store.tool = debian;
        if (!prefix.isEmpty())
            store.args = {"--certsconf",    prefix + "/etc/ca-certificates.conf",   "--certsdir",
                          prefix + "/usr/share/ca-certificates", "--localcertsdir", prefix + "/usr/local/share/ca-certificates",
                          "--etccertsdir",  prefix + "/etc/ssl/certs",           "--hooksdir",
                          prefix + "/etc/ca-certificates/update.d"};
        // Only a fresh run drops the link of a certificate that went away.
        store.removeArgs = store.args + QStringList{"--fresh"};
    } else if (const QString fedora = find(QStringLiteral("update-ca-trust")); !fedora.isEmpty() && prefix.isEmpty()) {
        // update-ca-trust knows no other root: below one, there is no tool to run.
        store.file = QStringLiteral("/etc/pki/ca-trust/source/anchors") + file;
        store.tool = fedora;
        store.args = store.removeArgs = {"extract"};
    }
    return store;
}

TTrustOutcome TrustSystemStore(const TTrustJob &job, const TSystemStore &store)
{
    TTrustOutcome outcome{Texts::SystemStoreName, store.file, QString(), true};
    if (store.tool.isEmpty()) {
        outcome.where = QStringLiteral("/");
        outcome.text = Texts::SystemStoreUnknown;
        return outcome;
    }
    const QByteArray ours = CertificateDer(AnchorCert(job.ca));
    const bool there = QFileInfo::exists(store.file);
    const bool same = there && CertificateDer(store.file) == ours;
    QStringList args = store.args;
    QString done;
    if (job.remove) {
        if (!there || !same) {
            outcome.failed = false;
            outcome.text = there ? Texts::TrustOtherCertificate : Texts::TrustNotThere;
            return outcome;
        }
        if (!QFile::remove(store.file)) {
            outcome.text = FileError(store.file);
            return outcome;
        }
        args = store.removeArgs;
        done = Texts::TrustRemoved;
    } else {
        if (same) {
            outcome.failed = false;
            outcome.text = Texts::TrustAlreadyInstalled;
            return outcome;
        }
        QByteArray pem;
        int error = 0;
        QDir().mkpath(QFileInfo(store.file).path());
        // Everyone reads the store: the certificate is no secret.
        if (!ReadRegularFile(AnchorCert(job.ca), pem, &error, 1024 * 1024) || !TryReplaceFile(store.file, pem)
            || !QFile::setPermissions(store.file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                      | QFile::ReadOther)) {
            outcome.text = FileError(store.file);
            return outcome;
        }
        done = there ? Texts::TrustReplaced : Texts::TrustInstalled;
    }
    const TToolAnswer answer = RunTool(store.tool, args, {}, kSlowToolTimeoutMs);
    if (!answer.ran || answer.exitCode != 0) {
        qCWarning(lcTrust) << store.tool << "failed:" << LastLine(answer);
        outcome.text = Texts::TrustToolFailed(LastLine(answer));
        return outcome;
    }
    outcome.failed = false;
    outcome.text = done;
    return outcome;
}

TTrustOutcome TrustJavaKeystore(const TTrustJob &job, const QString &keytool, const QString &keystore,
                                const QString &password)
{
    TTrustOutcome outcome{Texts::JavaStore, keystore, QString(), true};
    const QString alias = TrustNickname(job.ca);
    const QStringList store{"-keystore", keystore, "-storepass:env", kKeystorePassVar};
    const QStringList env{kKeystorePassVar + u'=' + password};
    const auto keytoolRun = [&](const QStringList &args) {
        return RunTool(keytool, args + store, {}, kSlowToolTimeoutMs, env);
    };
    const QByteArray ours = CertificateDer(AnchorCert(job.ca));
    QList<QByteArray> held;
    if (QFileInfo::exists(keystore)) {
        const TToolAnswer exported = keytoolRun({"-exportcert", "-rfc", "-alias", alias});
        if (exported.ran && exported.exitCode == 0) {
            held = PemCertificates(exported.output);
        } else if (!exported.ran || !(exported.output + exported.errors).contains(QLatin1String("does not exist"))) {
            outcome.text = Texts::TrustToolFailed(LastLine(exported));
            return outcome;
        }
    }
    const bool same = held.contains(ours);
    if (job.remove && !same) {
        outcome.failed = false;
        outcome.text = held.isEmpty() ? Texts::TrustNotThere : Texts::TrustOtherCertificate;
        return outcome;
    }
    if (!job.remove && same) {
        outcome.failed = false;
        outcome.text = Texts::TrustAlreadyInstalled;
        return outcome;
    }
    if (!held.isEmpty()) {
        const TToolAnswer deleted = keytoolRun({"-delete", "-alias", alias});
        if (!deleted.ran || deleted.exitCode != 0) {
            outcome.text = Texts::TrustToolFailed(LastLine(deleted));
            return outcome;
        }
    }
    if (!job.remove) {
        const TToolAnswer imported =
            keytoolRun({"-importcert", "-noprompt", "-trustcacerts", "-alias", alias, "-file", AnchorCert(job.ca)});
        if (!imported.ran || imported.exitCode != 0) {
            outcome.text = Texts::TrustToolFailed(LastLine(imported));
            return outcome;
        }
    }
    outcome.failed = false;
    outcome.text = job.remove ? Texts::TrustRemoved : held.isEmpty() ? Texts::TrustInstalled : Texts::TrustReplaced;
    return outcome;
}

QString SudoTrustLine(const QString &progDir, const QString &ca, bool remove)
{
    // Typed as "tarvik" when that is this very program; otherwise by its path. The window
    // runs as tarvik-window, beside the command line that the line must name.
    const QFileInfo beside(QCoreApplication::applicationDirPath() + QStringLiteral("/tarvik"));
    const QString self = (beside.isFile() ? beside : QFileInfo(QCoreApplication::applicationFilePath())).canonicalFilePath();
    const QString onPath = QFileInfo(QStandardPaths::findExecutable(QStringLiteral("tarvik"))).canonicalFilePath();
    const QString program = !self.isEmpty() && self == onPath ? QStringLiteral("tarvik") : self;
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+-]+$"));
    const auto word = [](const QString &text) { return plain.match(text).hasMatch() ? text : ShellQuote(text); };
    QString dir = QDir::cleanPath(QDir(progDir).absolutePath());
    return QStringLiteral("sudo %1 --dir %2 trust %3 --system%4")
        .arg(word(program), word(dir), word(ca), remove ? QStringLiteral(" --remove") : QString());
}
