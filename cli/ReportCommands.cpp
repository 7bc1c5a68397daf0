// `tarvik list` and `tarvik expiry`: what the CAs hold and what ends soon, in French for
// people and in JSON for machines. Neither needs a pass phrase nor writes anything.
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "common/Exception.h"
#include "pki/CaChain.h"
#include "pki/CaLayout.h"
#include "pki/Expiry.h"
#include "pki/IndexFile.h"
#include "pki/PemDates.h"
#include "pki/Texts.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <unistd.h>

namespace {

const QString kJson = QStringLiteral("json");

QString IsoUtc(const QDateTime &when)
{
    return when.isValid() ? when.toUTC().toString(Qt::ISODate) : QString();
}

QJsonValue IsoOrNull(const QDateTime &when)
{
    return when.isValid() ? QJsonValue(IsoUtc(when)) : QJsonValue();
}

// A file the user cannot reach (a folder of mode 0700 of another account) is there all
// the same: it is reported as unreadable, not as missing.
bool Present(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), F_OK) == 0 || errno != ENOENT;
}

void PrintJson(const QJsonArray &array)
{
    Print(stdout, QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
}

QStringList CasToReport(const QCommandLineParser &p, int *status)
{
    const QStringList cas = CommandArguments(p).isEmpty() ? RegisteredCas() : CommandArguments(p);
    if (cas.isEmpty())
        *status = Refuse(Texts::NoCasIn(SettingsPathHere()));
    return cas;
}

TCaFacts FactsOf(const QString &ca)
{
    TCaFacts facts;
    facts.ca = ca;
    facts.caCertExists = Present(CaLayout::CaCert(ca));
    facts.caNotAfter = CertificateNotAfter(CaLayout::CaCert(ca));
    facts.crlExists = Present(CaLayout::Crl(ca));
    facts.crlNextUpdate = CrlNextUpdate(CaLayout::Crl(ca));
    try {
        facts.validLines = ReadIndexLists(ca).valid;
    } catch (const Exception &e) {
        facts.indexError = e.Message();
    }
    return facts;
}

const char *StatusName(int status)
{
    return status == 0 ? "ok" : status == 1 ? "warning" : "critical";
}

int CheckExpiry(const QCommandLineParser &p)
{
    bool ok = false;
    const int days = p.value(QStringLiteral("days")).toInt(&ok);
    if (!ok || days < 0)
        return Refuse(Texts::Usage(Texts::BadDaysOption));
    int status = 0;
    const QStringList cas = WithIssuers(CasToReport(p, &status));
    if (cas.isEmpty())
        return status;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const bool json = p.isSet(kJson);
    QJsonArray findings;
    for (const QString &ca : cas) {
        if (const QString refusal = CaRefusal(ca); !refusal.isEmpty()) {
            status = kExitRefused;
            if (json)
                findings.append(QJsonObject{{"ca", ca}, {"item", "ca"}, {"status", "critical"}, {"message", refusal}});
            else
                Print(stdout, Texts::CheckLine(ca, refusal) + u'\n');
            continue;
        }
        const TCheckReport report = CheckCaExpiry(FactsOf(ca), days, now);
        status = std::max(status, report.status);
        if (!json) {
            Print(stdout, report.lines.join(u'\n') + u'\n');
            continue;
        }
        for (const TCheckFinding &f : report.findings) {
            QJsonObject o{{"ca", ca}, {"item", f.item}, {"status", StatusName(f.status)}, {"date", IsoOrNull(f.when)},
                          {"message", f.text}};
            if (!f.serial.isEmpty()) {
                o.insert("serial", f.serial);
                o.insert("name", f.name);
            }
            findings.append(o);
        }
    }
    if (json)
        PrintJson(findings);
    return status;
}

// Server certificates are named {host}.{ca} and kept in certs/{host}; the others under
// their own name.
QString FolderName(const QString &ca, const QString &commonName, bool *server)
{
    const QString suffix = u'.' + ca;
    *server = commonName.size() > suffix.size() && commonName.endsWith(suffix, Qt::CaseInsensitive);
    const QString host = commonName.chopped(*server ? suffix.size() : 0);
    if (*server && QFileInfo(CaLayout::CertDir(ca, host)).isDir())
        return host;
    return commonName;
}

QJsonObject FilesOf(const QString &ca, const QString &serial, const QString &folder, bool newest)
{
    const QString dir = QDir::currentPath() + u'/';
    QJsonObject files;
    const auto add = [&](const char *key, const QString &path) {
        if (QFileInfo(path).isFile())
            files.insert(QLatin1String(key), dir + path);
    };
    add("certificate", CaLayout::IssuedBySerial(ca, serial));
    // A folder holds the files of the newest certificate of its name only.
    if (newest) {
        add("key", CaLayout::CertKey(ca, folder));
        add("request", CaLayout::CertRequest(ca, folder));
        add("pkcs12", CaLayout::Pkcs12(ca, folder));
        add("chain", CaLayout::Chain(ca, folder));
    }
    return files;
}

int List(const QCommandLineParser &p)
{
    int status = 0;
    const QStringList cas = CasToReport(p, &status);
    if (cas.isEmpty())
        return status;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const bool json = p.isSet(kJson);
    QJsonArray all;
    for (const QString &ca : cas) {
        if (const QString refusal = CaRefusal(ca); !refusal.isEmpty()) {
            status = Refuse(refusal);
            continue;
        }
        TIndexLists lists;
        try {
            lists = ReadIndexLists(ca);
        } catch (const Exception &e) {
            status = Refuse(Texts::UnreadableIndex(CaLayout::Index(ca), e.Message()));
            continue;
        }
        const QString issuer = IssuerOf(ca);
        if (!json && !issuer.isEmpty())
            Print(stdout, Texts::CheckLine(ca, Texts::IssuedBy(issuer)) + u'\n');
        // Certificates in force first, then the revoked ones, each in the order issued.
        struct TRow
        {
            TIndexEntry entry;
            QString line, folder;
            QString replacedBy;
            bool server = false;
        };
        const QHash<qsizetype, QString> replaced = ReplacedLines(lists.valid);
        QList<TRow> rows;
        // folder -> serial of its newest certificate: one in force, else the last revoked
        QHash<QString, QString> newestSerial, newestRevoked;
        const QStringList lines = lists.valid + lists.revoked;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            TRow row{ParseIndexLine(lines[i]), lines[i], {}, replaced.value(i), false};
            row.folder = FolderName(ca, row.entry.commonName, &row.server);
            (i < lists.valid.size() ? newestSerial : newestRevoked).insert(row.folder, row.entry.serial);
            rows.append(row);
        }
        for (auto it = newestRevoked.cbegin(); it != newestRevoked.cend(); ++it)
            if (!newestSerial.contains(it.key()))
                newestSerial.insert(it.key(), it.value());
        for (const TRow &row : rows) {
            const TIndexEntry &e = row.entry;
            if (!json) {
                Print(stdout, Texts::CheckLine(ca, IndexLineTip(row.line, now, row.replacedBy)) + u'\n');
                continue;
            }
            const char *state = e.revoked.isValid() ? "revoked" : e.expires <= now ? "expired" : "valid";
            QJsonObject object{{"ca", ca},
                                   {"serial", e.serial},
                                   {"state", state},
                                   {"name", e.commonName},
                                   {"kind", IssuedToCa(CaLayout::IssuedBySerial(ca, e.serial)) ? "ca"
                                            : row.server                                        ? "server"
                                                                                                : "user"},
                                   {"not_after", IsoOrNull(e.expires)},
                                   {"revoked_at", IsoOrNull(e.revoked)},
                                   {"files", FilesOf(ca, e.serial, row.folder, newestSerial.value(row.folder) == e.serial)}};
            if (!issuer.isEmpty())
                object.insert("ca_issuer", issuer); // the CA above the one that issued it
            all.append(object);
        }
    }
    if (json)
        PrintJson(all);
    return status;
}

} // namespace

TCliCommand ListCommand()
{
    return {QStringLiteral("list"), QStringLiteral("[CA…] [--json]"), Texts::ListCommandSummary, {JsonOption()}, 0, -1,
            List, true};
}

TCliCommand ExpiryCommand()
{
    return {QStringLiteral("expiry"),
            QStringLiteral("[CA…] [--days N] [--json]"),
            Texts::ExpiryCommandSummary,
            {DaysOption(QString::number(kExpiryWarningDays)), JsonOption()},
            0,
            -1,
            CheckExpiry,
            true};
}
