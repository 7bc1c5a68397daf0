#include "pki/Operation.h"

#include "pki/CaLayout.h"
#include "pki/CaName.h"
#include "pki/CommandLines.h"
#include "pki/PemDates.h"
#include "pki/Texts.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

namespace {

bool IsCertificate(TOperationKind kind)
{
    return kind == TOperationKind::ServerCertificate || kind == TOperationKind::UserCertificate;
}

bool IsExecutableTool(const QString &tool)
{
    // A bare name is looked up on the search path, as the shell does.
    const QString path = tool.contains(u'/') ? tool : QStandardPaths::findExecutable(tool);
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable();
}

bool IsPositiveWholeNumber(const QString &days)
{
    if (days.isEmpty() || days.size() > 9)
        return false;
    for (const QChar c : days)
        if (c < u'0' || c > u'9')
            return false;
    return days.toInt() > 0;
}

// The first empty field of the CA's subject as root-ca.cnf holds it, by its caption.
QString EmptySubjectCaption(const TSubject &s)
{
    const std::pair<const QString *, const char *> fields[] = {
        {&s.email, "email"},         {&s.country, "code pays"},     {&s.province, "Nom province"},
        {&s.city, "Nom ville"},      {&s.company, "Nom Sociétée"}, {&s.service, "Nom Service"},
    };
    for (const auto &[value, caption] : fields)
        if (value->trimmed().isEmpty())
            return QString::fromUtf8(caption);
    return QString();
}

TCertificateRequest CertificateRequest(const TOperationInput &in)
{
    TCertificateRequest r;
    r.kind = in.kind == TOperationKind::ServerCertificate ? TCertKind::Server : TCertKind::User;
    r.tool = in.tool;
    r.ca = in.ca;
    r.name = in.name;
    r.suffix = in.suffix;
    r.days = in.days;
    r.passphrase = in.passphrase;
    r.password = in.password;
    r.company = in.subject.company;
    r.compatiblePkcs12 = in.compatiblePkcs12;
    r.keyType = in.keyType;
    return r;
}

// The CA key already made signs, whatever type the CA makes now: only a P-384 key asks
// for more than SHA-256.
QString CaSigningDigest(const QString &ca)
{
    return SigningDigest(CertificateKeyOnP384(CaLayout::CaCert(ca)) ? TKeyType::EcdsaP384 : TKeyType::Rsa2048);
}

// A line the shell echoed is one of the commands; the tool's own lines are the rest.
QString LastToolLine(const QStringList &commands, const QStringList &paneLines)
{
    for (auto it = paneLines.crbegin(); it != paneLines.crend(); ++it) {
        const QString line = it->trimmed();
        if (!line.isEmpty() && !commands.contains(*it))
            return line;
    }
    return QString();
}

} // namespace

QString MissingFieldRefusal(const TOperationInput &in)
{
    QStringList required{in.passphrase};
    if (IsCertificate(in.kind))
        required << in.name << in.password;
    else if (in.kind == TOperationKind::Revocation)
        required << in.serial;
    for (const QString &field : required)
        if (field.isEmpty())
            return Texts::FillAllFields;
    return QString();
}

QString InvalidNameRefusal(const TOperationInput &in)
{
    if (!IsValidCaName(in.ca))
        return Texts::InvalidCaName;
    if (in.kind == TOperationKind::ServerCertificate && !IsValidHostName(in.name, in.name + in.suffix))
        return Texts::InvalidHostName;
    if (in.kind == TOperationKind::UserCertificate && !IsValidUserName(in.name))
        return Texts::InvalidUserName;
    if (in.kind == TOperationKind::Revocation && !IsValidSerial(in.serial))
        return Texts::InvalidSerial;
    return QString();
}

QString RefusalBeforeRun(const TOperationInput &in)
{
    if (!IsExecutableTool(in.tool))
        return Texts::ToolNotExecutable(in.tool);
    if (in.kind == TOperationKind::CreateCa) {
        const TSubject subject = ReadRootSubject(QString(), in.ca);
        const QString empty = EmptySubjectCaption(subject);
        if (!empty.isEmpty())
            return Texts::EmptySubjectField(empty);
        if (subject.country.size() != 2)
            return Texts::BadCountryCode;
        if (!IsPositiveWholeNumber(in.days))
            return Texts::BadDays(QStringLiteral("Durée de vie du CA"));
        return QString();
    }
    if (!QFileInfo(CaLayout::CaCert(in.ca)).isFile())
        return Texts::NoCaCertificate(in.ca);
    if (IsCertificate(in.kind) && !IsPositiveWholeNumber(in.days))
        return Texts::BadDays(QStringLiteral("Durée du certificat"));
    return QString();
}

QStringList WarningsBeforeIssue(const TOperationInput &in, const QDateTime &caNotAfter, const QDateTime &now)
{
    QStringList warnings;
    if (!IsCertificate(in.kind))
        return warnings;
    const int days = in.days.toInt();
    // Apple platforms refuse TLS server certificates valid longer than this.
    constexpr int kAppleMaxServerDays = 825;
    if (in.kind == TOperationKind::ServerCertificate && days > kAppleMaxServerDays)
        warnings << Texts::AppleRefusesLongServerCertificates(days, kAppleMaxServerDays);
    if (caNotAfter.isValid()) {
        if (caNotAfter <= now)
            warnings << Texts::CaCertificateExpired(caNotAfter);
        else if (now.addDays(days) > caNotAfter)
            warnings << Texts::CertificateOutlivesCa(caNotAfter);
    }
    return warnings;
}

TOperationPlan PlanOperation(const TOperationInput &in)
{
    TOperationPlan plan;
    plan.ca = in.ca;
    switch (in.kind) {
    case TOperationKind::CreateCa:
        plan.earlierResults = {CaLayout::CaCert(in.ca)};
        plan.question = Texts::ReplaceCaCertificate + u' ' + Texts::NewCaKeyType(KeyTypeText(in.keyType));
        plan.commands = CreateCaCommands(in.tool, in.ca, in.passphrase, in.days, in.keyType);
        plan.result = CaLayout::CaCert(in.ca);
        plan.doneMessage = Texts::CreateCaDone(in.ca);
        plan.failure = Texts::CreateCaFailed;
        break;
    case TOperationKind::ServerCertificate:
    case TOperationKind::UserCertificate: {
        const bool server = in.kind == TOperationKind::ServerCertificate;
        const QString commonName = in.name + (server ? in.suffix : QString());
        plan.directories = {CaLayout::CertDir(in.ca, in.name), CaLayout::NewCertsDir(in.ca)};
        plan.writeFiles = [in, server, commonName] {
            WriteRequestConfig(in.ca, server ? TCertKind::Server : TCertKind::User, in.subject, commonName);
            WriteSigningConfig(in.ca, server ? TSigningVariant::Server : TSigningVariant::User, in.days, commonName,
                               CaSigningDigest(in.ca));
        };
        // The export file, or at least the signed certificate, marks an earlier issue.
        plan.earlierResults = {CaLayout::Pkcs12(in.ca, in.name), CaLayout::CertFile(in.ca, in.name)};
        plan.question = Texts::ReplaceCertificate;
        plan.commands = CertificateCommands(CertificateRequest(in));
        plan.result = CaLayout::Pkcs12(in.ca, in.name);
        plan.doneMessage = server ? Texts::ServerCertificateDone(in.ca, in.name) : Texts::UserCertificateDone(in.ca, in.name);
        plan.failure = Texts::CertificateFailed;
        break;
    }
    case TOperationKind::Revocation:
    case TOperationKind::CrlPublication: {
        const bool revoke = in.kind == TOperationKind::Revocation;
        plan.writeFiles = [ca = in.ca] {
            WriteSigningConfig(ca, TSigningVariant::Crl, QString(), QString(), CaSigningDigest(ca));
        };
        plan.commands = revoke ? RevocationCommands(in.tool, in.ca, CanonicalSerial(in.serial), in.passphrase)
                               : CrlCommands(in.tool, in.ca, in.passphrase);
        plan.result = CaLayout::Crl(in.ca);
        plan.doneMessage = Texts::RevocationDone(in.ca);
        plan.failure = revoke ? Texts::RevocationFailed : Texts::CrlFailed;
        break;
    }
    }
    return plan;
}

TFileStamp StampOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {true, qint64(st.st_ino), qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

QString JudgeRun(const TOperationPlan &plan, const TFileStamp &before, quint32 exitCode, const QStringList &paneLines)
{
    if (exitCode != 0) {
        const QString line = LastToolLine(plan.commands, paneLines);
        return line.isEmpty() ? Texts::FailureWithCode(plan.failure, exitCode) : Texts::Failure(plan.failure, line);
    }
    const TFileStamp after = StampOf(plan.result);
    if (!after.exists || after == before)
        return Texts::FailureNoFile(plan.failure, plan.result);
    return QString();
}
