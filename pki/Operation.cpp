#include "pki/Operation.h"

#include "pki/AltNames.h"
#include "pki/CaChain.h"
#include "pki/CaLayout.h"
#include "pki/CaName.h"
#include "pki/CertificateRequest.h"
#include "pki/CommandLines.h"
#include "pki/IndexFile.h"
#include "pki/PemDates.h"
#include "pki/Texts.h"
#include "pki/ValueLimits.h"
#include "settings/AtomicFile.h"

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

bool IsSigning(TOperationKind kind)
{
    return kind == TOperationKind::SignServerRequest || kind == TOperationKind::SignUserRequest;
}

bool IsServer(TOperationKind kind)
{
    return kind == TOperationKind::ServerCertificate || kind == TOperationKind::SignServerRequest;
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
    r.company = in.subject.company;
    r.compatiblePkcs12 = in.compatiblePkcs12;
    r.keyType = in.keyType;
    r.caCertificates = CaCertificates(in.ca);
    return r;
}

// A common name that verifiers take for a host name when the certificate names no DNS
// name (a user's), and then hold against the CA's name constraints.
bool LooksLikeHostName(const QString &name)
{
    if (!name.contains(u'.') || name.startsWith(u'.') || name.endsWith(u'.') || name.startsWith(u'-')
        || name.endsWith(u'-'))
        return false;
    for (const QChar c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'.' && c != u'-' && c != u'_')
            return false;
    return true;
}

bool SameSubject(const TSubject &a, const TSubject &b)
{
    return a.country == b.country && a.province == b.province && a.city == b.city && a.company == b.company
           && a.service == b.service && a.email == b.email;
}

// What creating a CA signed by another needs of the issuer, beyond the new CA's own checks.
QString IssuerRefusal(const TOperationInput &in, const TSubject &subject)
{
    if (!QFileInfo(CaLayout::CaCert(in.issuer)).isFile())
        return Texts::NoCaCertificate(in.issuer);
    // An issuing CA may sign no CA below it.
    if (const QString above = IssuerOf(in.issuer); !above.isEmpty())
        return Texts::IssuerNotRoot(in.issuer, above);
    if (SameSubject(subject, ReadRootSubject(QString(), in.issuer)))
        return Texts::SameNameAsIssuer(in.issuer);
    return OutsideDomainRefusal(in.issuer, {in.ca});
}

// The CA key already made signs, whatever type the CA makes now: only a P-384 key asks
// for more than SHA-256.
QString CaSigningDigest(const QString &ca)
{
    return SigningDigest(CertificateKeyOnP384(CaLayout::CaCert(ca)) ? TKeyType::EcdsaP384 : TKeyType::Rsa2048);
}

// The shell echoes each command as it reads it, right before running it: what follows
// the last echo is the output of the command that failed.
QString LastToolLine(const QStringList &commands, const QStringList &lines)
{
    qsizetype from = 0;
    for (qsizetype i = lines.size(); i-- > 0;) {
        if (commands.contains(lines[i])) {
            from = i + 1;
            break;
        }
    }
    for (qsizetype i = lines.size(); i-- > from;) {
        const QString line = lines[i].trimmed();
        if (!line.isEmpty())
            return line;
    }
    return QString();
}

// How many certificates the CA's database records; 0 when it cannot be read.
qsizetype IssuedCount(const QString &ca)
{
    try {
        const TIndexLists lists = ReadIndexLists(ca);
        return lists.valid.size() + lists.revoked.size();
    } catch (const std::exception &) {
        return 0;
    }
}

// A user with an address of their own signs their mail with it, not with the CA's: typed
// for a certificate, asked for by a request. A server carries the CA's.
TSubject CertificateSubject(const TOperationInput &in)
{
    TSubject subject = in.subject;
    const bool user = in.kind == TOperationKind::UserCertificate || in.kind == TOperationKind::SignUserRequest;
    if (user && !in.email.isEmpty())
        subject.email = in.email;
    return subject;
}

QString CommonNameOf(const TOperationInput &in)
{
    switch (in.kind) {
    case TOperationKind::ServerCertificate:
        return in.name + in.suffix;
    case TOperationKind::UserCertificate:
    case TOperationKind::SignServerRequest:
    case TOperationKind::SignUserRequest:
        return in.name;
    default:
        return in.subject.company + QStringLiteral(" CA");
    }
}

} // namespace

QString MissingFieldRefusal(const TOperationInput &in)
{
    QStringList required{in.passphrase};
    if (in.kind == TOperationKind::CreateCa && !in.issuer.isEmpty())
        required << in.issuerPassphrase;
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
    // The suffix is added to the host: typed again, the certificate would name www.acme.test.acme.test.
    if (in.kind == TOperationKind::ServerCertificate && in.name.size() > in.suffix.size()
        && in.name.endsWith(in.suffix, Qt::CaseInsensitive))
        return Texts::HostHasCaSuffix(in.name, in.name.chopped(in.suffix.size()), in.ca);
    if (in.kind == TOperationKind::ServerCertificate) {
        const TAltNames names = ServerAltNames(in.name + in.suffix, in.altNames);
        if (!names.refusal.isEmpty())
            return names.refusal;
        if (const QString refusal = OutsideDomainRefusal(in.ca, names.entries); !refusal.isEmpty())
            return refusal;
    }
    if (in.kind == TOperationKind::SignServerRequest)
        if (const QString refusal = OutsideDomainRefusal(in.ca, in.requestAltNames); !refusal.isEmpty())
            return refusal;
    // Its files would take the place of the user's, key and PKCS#12 removed.
    if (in.kind == TOperationKind::SignServerRequest && IssuedToUser(CaLayout::CertFile(in.ca, in.name)))
        return Texts::RequestNameOfUser(in.name);
    if (in.kind == TOperationKind::UserCertificate && !IsValidUserName(in.name))
        return Texts::InvalidUserName;
    const bool user = in.kind == TOperationKind::UserCertificate || in.kind == TOperationKind::SignUserRequest;
    if (user && LooksLikeHostName(in.name))
        if (const QString refusal = OutsideDomainRefusal(in.ca, {in.name}); !refusal.isEmpty())
            return refusal;
    if (in.kind == TOperationKind::CreateCa && !in.issuer.isEmpty()) {
        if (!IsValidCaName(in.issuer))
            return Texts::InvalidCaName;
        if (in.issuer.compare(in.ca, Qt::CaseInsensitive) == 0)
            return Texts::IssuerIsTheCa;
        if (!in.issuerCrlUrl.isEmpty() && !IsValidCrlUrl(in.issuerCrlUrl))
            return Texts::InvalidCrlUrl;
    }
    if (in.kind == TOperationKind::UserCertificate && !in.email.isEmpty() && !IsValidEmailAddress(in.email))
        return Texts::InvalidUserEmail(in.email);
    // The address goes into the signing configuration: only a checked one may.
    if (!in.crlUrl.isEmpty() && !IsValidCrlUrl(in.crlUrl))
        return Texts::InvalidCrlUrl;
    if (in.kind == TOperationKind::Revocation && !IsValidSerial(in.serial))
        return Texts::InvalidSerial;
    return QString();
}

QString CaSettingsRefusal(const TSubject &subject, const QString &days, const QDateTime &now)
{
    const QString empty = EmptySubjectCaption(subject);
    if (!empty.isEmpty())
        return Texts::EmptySubjectField(empty);
    TOperationInput ca;
    ca.subject = subject;
    if (const QString refusal = SubjectRefusal(subject, CommonNameOf(ca), Texts::CaCommonNameCaption); !refusal.isEmpty())
        return refusal;
    if (!IsPositiveWholeNumber(days))
        return Texts::BadDays(QStringLiteral("Durée de vie du CA"));
    return EndDateRefusal(days, now);
}

QString RefusalBeforeRun(const TOperationInput &in)
{
    if (!IsExecutableTool(in.tool))
        return Texts::ToolNotExecutable(in.tool);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (in.kind == TOperationKind::CreateCa) {
        const TSubject subject = ReadRootSubject(QString(), in.ca);
        if (const QString refusal = CaSettingsRefusal(subject, in.days, now); !refusal.isEmpty() || in.issuer.isEmpty())
            return refusal;
        return IssuerRefusal(in, subject);
    }
    if (!QFileInfo(CaLayout::CaCert(in.ca)).isFile())
        return Texts::NoCaCertificate(in.ca);
    if (!IsCertificate(in.kind) && !IsSigning(in.kind))
        return QString();
    const QString caption = IsSigning(in.kind)                              ? Texts::RequestCommonNameCaption
                            : in.kind == TOperationKind::ServerCertificate ? Texts::ServerCommonNameCaption(in.suffix)
                                                                            : Texts::UserCommonNameCaption;
    if (const QString refusal = SubjectRefusal(CertificateSubject(in), CommonNameOf(in), caption); !refusal.isEmpty())
        return refusal;
    if (!IsPositiveWholeNumber(in.days))
        return Texts::BadDays(QStringLiteral("Durée du certificat"));
    return EndDateRefusal(in.days, now);
}

QStringList WarningsBeforeIssue(const TOperationInput &in, const QDateTime &caNotAfter, const QDateTime &now)
{
    QStringList warnings;
    const int days = in.days.toInt();
    if (in.kind == TOperationKind::CreateCa && !in.issuer.isEmpty()) {
        // Clients stop trusting a CA with its issuer, whatever its own end.
        const QDateTime issuerEnd = CertificateNotAfter(CaLayout::CaCert(in.issuer));
        if (issuerEnd.isValid() && now.addDays(days) >= issuerEnd.addDays(1))
            warnings << Texts::CaOutlivesIssuer(in.issuer, issuerEnd);
        return warnings;
    }
    if (!IsCertificate(in.kind) && !IsSigning(in.kind))
        return warnings;
    // Apple platforms refuse TLS server certificates valid longer than this.
    constexpr int kAppleMaxServerDays = 825;
    if (IsServer(in.kind) && days > kAppleMaxServerDays)
        warnings << Texts::AppleRefusesLongServerCertificates(days, kAppleMaxServerDays);
    if (caNotAfter.isValid()) {
        // A certificate made right after its CA with the same lifetime ends seconds later:
        // only a day or more is worth a question.
        if (caNotAfter <= now)
            warnings << Texts::CaCertificateExpired(caNotAfter);
        else if (now.addDays(days) >= caNotAfter.addDays(1))
            warnings << Texts::CertificateOutlivesCa(caNotAfter);
    }
    return warnings;
}

QStringList CasToLock(const TOperationInput &in)
{
    QStringList cas{in.ca};
    if (in.kind == TOperationKind::CreateCa && !in.issuer.isEmpty())
        cas << in.issuer;
    return cas;
}

QString RemoveCaQuestion(const QString &ca)
{
    const QStringList issued = IssuedCasInForce(ca, QDateTime::currentDateTimeUtc());
    return issued.isEmpty() ? Texts::RemoveCa(ca) : Texts::RemoveCaThatIssued(ca, issued);
}

TOperationPlan PlanOperation(const TOperationInput &in)
{
    TOperationPlan plan;
    plan.ca = in.ca;
    const bool issued = in.kind == TOperationKind::CreateCa && !in.issuer.isEmpty();
    plan.environment = SecretEnvironment(in.passphrase, IsCertificate(in.kind) ? in.password : QString(),
                                         issued ? in.issuerPassphrase : QString());
    const auto pending = [&plan](const QStringList &finals) {
        for (const QString &file : finals)
            plan.commits.append({CaLayout::Pending(file), file});
        plan.result = plan.commits.last().first;
    };
    switch (in.kind) {
    case TOperationKind::CreateCa: {
        plan.earlierResults = {CaLayout::CaCert(in.ca)};
        const qsizetype count = IssuedCount(in.ca);
        plan.question = count > 0 ? Texts::ReplaceCaWithIssued(count) : Texts::ReplaceCaCertificate;
        if (const QStringList cas = IssuedCasInForce(in.ca, QDateTime::currentDateTimeUtc()); !cas.isEmpty())
            plan.question += u' ' + Texts::IssuedCasLost(cas);
        plan.question += u' ' + Texts::NewCaKeyType(KeyTypeText(in.keyType));
        const QString domain = in.nameConstraint ? in.ca : QString();
        // The CA's own signing configuration, for its first CRL, with the digest of its new key.
        const auto crlConfig = [in] {
            WriteSigningConfig(in.ca, TSigningVariant::Crl, QString(), {}, {}, SigningDigest(in.keyType));
        };
        plan.writeFiles = crlConfig;
        if (issued) {
            plan.writeFiles = [in, domain, crlConfig] {
                WriteIssuingConfig(in.issuer, in.issuerCrlUrl, CaSigningDigest(in.issuer), domain);
                ReplaceFile(CaLayout::Pending(CaLayout::IssuerName(in.ca)), (in.issuer + QStringLiteral("\r\n")).toUtf8());
                crlConfig();
            };
            plan.commands =
                CreateIssuedCaCommands(in.tool, in.ca, in.days, in.keyType, in.issuer, CaCertificates(in.issuer));
            pending({CaLayout::CaKey(in.ca), CaLayout::CaRequest(in.ca), CaLayout::IssuerName(in.ca),
                     CaLayout::CaCert(in.ca), CaLayout::CaChain(in.ca)});
        } else {
            plan.commands = CreateCaCommands(in.tool, in.ca, in.days, in.keyType, domain);
            pending({CaLayout::CaKey(in.ca), CaLayout::CaCert(in.ca)});
            // A CA that was signed by another becomes a root: nothing may still say otherwise.
            plan.superseded = {CaLayout::IssuerName(in.ca), CaLayout::CaChain(in.ca), CaLayout::CaRequest(in.ca)};
        }
        // The DER copy for Windows and Android, committed with the certificate.
        plan.commands.insert(plan.commands.size() - 1, CaCertDerCommand(in.tool, in.ca));
        plan.commits.append({CaLayout::Pending(CaLayout::CaCertDer(in.ca)), CaLayout::CaCertDer(in.ca)});
        // Its CRL address answers from the first day.
        plan.commands.insert(plan.commands.size() - 1, FirstCrlCommand(in.tool, in.ca));
        plan.commits.append({CaLayout::Pending(CaLayout::Crl(in.ca)), CaLayout::Crl(in.ca)});
        if (!in.crlUrl.isEmpty()) {
            plan.commands.insert(plan.commands.size() - 1, CrlDerCommand(in.tool, in.ca));
            plan.commits.append({CaLayout::Pending(CaLayout::CrlDer(in.ca)), CaLayout::CrlDer(in.ca)});
        }
        plan.keptAsPrevious = {CaLayout::CaKey(in.ca), CaLayout::CaCert(in.ca)};
        plan.doneMessage = Texts::CreateCaDone(in.ca);
        plan.failure = Texts::CreateCaFailed;
        break;
    }
    case TOperationKind::ServerCertificate:
    case TOperationKind::UserCertificate: {
        const bool server = in.kind == TOperationKind::ServerCertificate;
        const QString commonName = in.name + (server ? in.suffix : QString());
        plan.directories = {CaLayout::CertDir(in.ca, in.name), CaLayout::NewCertsDir(in.ca)};
        plan.writeFiles = [in, server, commonName] {
            WriteRequestConfig(in.ca, server ? TCertKind::Server : TCertKind::User, CertificateSubject(in), commonName);
            WriteSigningConfig(in.ca, server ? TSigningVariant::Server : TSigningVariant::User, in.days,
                               ServerAltNames(commonName, in.altNames).entries, in.crlUrl, CaSigningDigest(in.ca),
                               IsRsa(in.keyType));
        };
        // The export file, or at least the signed certificate, marks an earlier issue.
        plan.earlierResults = {CaLayout::Pkcs12(in.ca, in.name), CaLayout::CertFile(in.ca, in.name)};
        plan.question = Texts::ReplaceCertificate;
        plan.commands = CertificateCommands(CertificateRequest(in));
        pending({CaLayout::CertKey(in.ca, in.name), CaLayout::CertRequest(in.ca, in.name),
                 CaLayout::CertFile(in.ca, in.name), CaLayout::Chain(in.ca, in.name), CaLayout::Pkcs12(in.ca, in.name)});
        plan.doneMessage = server ? Texts::ServerCertificateDone(in.ca, in.name) : Texts::UserCertificateDone(in.ca, in.name);
        plan.failure = Texts::CertificateFailed;
        break;
    }
    case TOperationKind::SignServerRequest:
    case TOperationKind::SignUserRequest: {
        const bool server = in.kind == TOperationKind::SignServerRequest;
        plan.directories = {CaLayout::CertDir(in.ca, in.name), CaLayout::NewCertsDir(in.ca)};
        plan.writeFiles = [in, server] {
            WriteSigningConfig(in.ca, server ? TSigningVariant::ServerRequest : TSigningVariant::User, in.days,
                               in.requestAltNames, in.crlUrl, CaSigningDigest(in.ca), in.requestKeyRsa);
            // The request the CA signs is the one that was shown and confirmed.
            ReplaceFile(CaLayout::Pending(CaLayout::CertRequest(in.ca, in.name)), in.request);
        };
        plan.earlierResults = {CaLayout::CertDir(in.ca, in.name)};
        plan.question = Texts::ReplaceCertificate;
        plan.commands = SignRequestCommands(in.tool, in.ca, in.name, server ? QString() : CertificateSubject(in).email,
                                            CaCertificates(in.ca));
        pending({CaLayout::CertRequest(in.ca, in.name), CaLayout::CertFile(in.ca, in.name),
                 CaLayout::Chain(in.ca, in.name)});
        plan.superseded = {CaLayout::CertKey(in.ca, in.name), CaLayout::Pkcs12(in.ca, in.name)};
        plan.doneMessage = Texts::SignedRequestDone(CaLayout::Chain(in.ca, in.name));
        plan.failure = Texts::CertificateFailed;
        break;
    }
    case TOperationKind::Revocation:
    case TOperationKind::CrlPublication: {
        const bool revoke = in.kind == TOperationKind::Revocation;
        plan.writeFiles = [ca = in.ca] {
            WriteSigningConfig(ca, TSigningVariant::Crl, QString(), {}, {}, CaSigningDigest(ca));
        };
        plan.commands = revoke ? RevocationCommands(in.tool, in.ca, CanonicalSerial(in.serial))
                               : CrlCommands(in.tool, in.ca);
        if (in.crlUrl.isEmpty()) {
            pending({CaLayout::Crl(in.ca)});
        } else {
            plan.commands.insert(plan.commands.size() - 1, CrlDerCommand(in.tool, in.ca));
            pending({CaLayout::Crl(in.ca), CaLayout::CrlDer(in.ca)});
        }
        plan.doneMessage = Texts::RevocationDone(in.ca);
        plan.failure = revoke ? Texts::RevocationFailed : Texts::CrlFailed;
        break;
    }
    }
    return plan;
}

QString TakeInspectedRequest(TOperationInput &in, const TRequestInspection &request)
{
    in.name = request.commonName;
    in.request = request.pem;
    in.requestAltNames = request.altNames;
    in.email = request.email;
    in.requestKeyRsa = request.key.startsWith(QStringLiteral("RSA"));
    const QStringList shown = IsServer(in.kind) ? request.altNames
                                                : QStringList(request.email.isEmpty() ? in.subject.email : request.email);
    return Texts::SignRequestQuestion(request.commonName, shown, request.key, in.days);
}

TFileStamp StampOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {true, qint64(st.st_ino), qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

QString JudgeRun(const TOperationPlan &plan, const TFileStamp &before, quint32 exitCode, const QStringList &lines)
{
    if (exitCode != 0) {
        const QString line = LastToolLine(plan.commands, lines);
        return line.isEmpty() ? Texts::FailureWithCode(plan.failure, exitCode) : Texts::Failure(plan.failure, line);
    }
    const TFileStamp after = StampOf(plan.result);
    if (!after.exists || after == before)
        return Texts::FailureNoFile(plan.failure, plan.result);
    return QString();
}
