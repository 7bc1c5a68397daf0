// `tarvik server`, `user`, `sign` and `renew`: the certificate pages' actions.
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "pki/CaLayout.h"
#include "pki/CertificateRequest.h"
#include "pki/Expiry.h"
#include "pki/IndexFile.h"
#include "pki/PemDates.h"
#include "pki/Renewal.h"
#include "pki/Texts.h"

#include <QFileInfo>

namespace {

const QString kAlt = QStringLiteral("alt");
const QString kEmail = QStringLiteral("email");
const QString kServer = QStringLiteral("server");
const QString kUser = QStringLiteral("user");

// The CA's input with what every issue needs from the options: days, the CA pass phrase
// and, for an export, the PKCS#12 format and its password.
bool IssueInput(const QCommandLineParser &p, TOperationKind kind, const QString &ca, TOperationInput *in, int *status)
{
    *in = CaInput(kind, ca);
    if (const QString refusal = CaRefusal(ca); !refusal.isEmpty()) {
        *status = Refuse(refusal);
        return false;
    }
    if (p.isSet(QStringLiteral("aes")) && p.isSet(QStringLiteral("compatible"))) {
        *status = Refuse(Texts::AesOrCompatible);
        return false;
    }
    if (p.isSet(QStringLiteral("aes")) || p.isSet(QStringLiteral("compatible")))
        in->compatiblePkcs12 = p.isSet(QStringLiteral("compatible"));
    in->days = p.value(QStringLiteral("days"));
    return true;
}

bool ReadSecrets(const QCommandLineParser &p, TOperationInput *in, int *status)
{
    QString error;
    const bool exported = in->kind == TOperationKind::ServerCertificate || in->kind == TOperationKind::UserCertificate;
    if (!ReadSecret(p, CaPassphraseSource(in->ca), &in->passphrase, &error)
        || (exported
            && !ReadSecret(p,
                           {QStringLiteral("TARVIK_EXPORT_PASS"), QStringLiteral("export-password-file"),
                            Texts::ExportPasswordPrompt(in->name), true},
                           &in->password, &error))) {
        *status = Refuse(error);
        return false;
    }
    return true;
}

// Names are checked before any secret is asked for: a mistyped name costs no typing.
int Issue(const QCommandLineParser &p, TOperationInput in, const TRunOptions &options = {})
{
    if (const QString refusal = InvalidNameRefusal(in); !refusal.isEmpty())
        return Refuse(refusal);
    if (int status = 0; !ReadSecrets(p, &in, &status))
        return status;
    return RunOperation(in, p, options);
}

int IssueServer(const QCommandLineParser &p)
{
    const QStringList args = CommandArguments(p);
    TOperationInput in;
    if (int status = 0; !IssueInput(p, TOperationKind::ServerCertificate, args[0], &in, &status))
        return status;
    // A full name is taken as its host part, which the window asks the user to type.
    in.name = args[1];
    if (in.name.size() > in.suffix.size() && in.name.endsWith(in.suffix, Qt::CaseInsensitive))
        in.name.chop(in.suffix.size());
    in.altNames = p.values(kAlt).join(u' ');
    return Issue(p, in);
}

int IssueUser(const QCommandLineParser &p)
{
    const QStringList args = CommandArguments(p);
    TOperationInput in;
    if (int status = 0; !IssueInput(p, TOperationKind::UserCertificate, args[0], &in, &status))
        return status;
    in.name = args[1];
    in.email = p.value(kEmail);
    return Issue(p, in);
}

// The request shown and asked about, as « Signer une demande… » does; false when refused.
bool TakeRequest(const QCommandLineParser &p, const QString &file, TOperationInput *in, int *status)
{
    const bool server = in->kind == TOperationKind::SignServerRequest;
    const TRequestInspection request = InspectRequest(in->tool, file, server ? TCertKind::Server : TCertKind::User);
    if (!request.refusal.isEmpty()) {
        *status = Refuse(request.refusal);
        return false;
    }
    const QString question = TakeInspectedRequest(*in, request);
    // A name the CA's domain leaves out is refused before the question.
    if (const QString refusal = InvalidNameRefusal(*in); !refusal.isEmpty()) {
        *status = Refuse(refusal);
        return false;
    }
    Print(stdout, question + u'\n');
    if (!Confirmed(p, question)) {
        *status = kExitRefused;
        return false;
    }
    return true;
}

int SignRequest(const QCommandLineParser &p)
{
    const QStringList args = CommandArguments(p);
    if (p.isSet(kServer) == p.isSet(kUser))
        return Refuse(Texts::ServerOrUser);
    TOperationInput in;
    const TOperationKind kind = p.isSet(kServer) ? TOperationKind::SignServerRequest : TOperationKind::SignUserRequest;
    if (int status = 0; !IssueInput(p, kind, args[0], &in, &status))
        return status;
    if (const QString refusal = RefusalBeforeRun(in); !refusal.isEmpty())
        return Refuse(refusal);
    if (int status = 0; !TakeRequest(p, CallerPath(args[1]), &in, &status))
        return status;
    return Issue(p, in);
}

// The newest certificate in force issued for the name, as the folder or the full name.
TIndexEntry CertificateInForce(const QString &ca, const QString &name)
{
    const QStringList valid = ReadIndexLists(ca).valid;
    const QHash<qsizetype, QString> replaced = ReplacedLines(valid);
    const QString full = name + u'.' + ca;
    for (qsizetype i = valid.size(); i-- > 0;) {
        const TIndexEntry entry = ParseIndexLine(valid[i]);
        if (!replaced.contains(i) && (entry.commonName == name || entry.commonName.compare(full, Qt::CaseInsensitive) == 0))
            return entry;
    }
    return {};
}

int Renew(const QCommandLineParser &p)
{
    const QStringList args = CommandArguments(p);
    const QString ca = args[0];
    if (const QString refusal = CaRefusal(ca); !refusal.isEmpty())
        return Refuse(refusal);
    const TIndexEntry old = CertificateInForce(ca, args[1]);
    if (old.serial.isEmpty())
        return Refuse(Texts::NothingToRenew(args[1], ca));
    const QString certFile = CaLayout::IssuedBySerial(ca, old.serial);
    const TRenewal renewal = ReadRenewal(ConfiguredToolPath(), certFile, u'.' + ca);
    if (renewal.caCertificate)
        return Refuse(Texts::RenewIssuedCa);
    if (!renewal.readable)
        return Refuse(Texts::RenewUnreadable(certFile));
    // Its successor lasts as long, unless told otherwise.
    const TValidity validity = CertificateValidity(certFile);
    const QString days = p.isSet(QStringLiteral("days")) ? p.value(QStringLiteral("days"))
                                                         : QString::number(validity.notBefore.daysTo(validity.notAfter));
    // A certificate of a request made elsewhere is renewed from the same request: the key
    // stays on its device.
    const bool fromRequest = !QFileInfo::exists(CaLayout::CertKey(ca, renewal.name))
                             && QFileInfo::exists(CaLayout::CertRequest(ca, renewal.name));
    TOperationKind kind = renewal.server ? TOperationKind::ServerCertificate : TOperationKind::UserCertificate;
    if (fromRequest)
        kind = renewal.server ? TOperationKind::SignServerRequest : TOperationKind::SignUserRequest;
    TOperationInput in;
    if (int status = 0; !IssueInput(p, kind, ca, &in, &status))
        return status;
    in.days = days;
    in.name = renewal.name;
    in.altNames = renewal.altNames;
    in.email = renewal.email == in.subject.email ? QString() : renewal.email;
    if (fromRequest)
        if (int status = 0; !TakeRequest(p, CaLayout::CertRequest(ca, renewal.name), &in, &status))
            return status;
    const int status = Issue(p, in, {.replaceWithoutAsking = true});
    if (status == kExitDone)
        Print(stdout, Texts::RenewedStillValid(ca, old.serial, old.expires) + u'\n');
    return status;
}

QList<QCommandLineOption> IssueOptions(bool exported)
{
    QList<QCommandLineOption> options{PassphraseFileOption(), YesOption()};
    return exported ? options + ExportOptions() : options;
}

} // namespace

TCliCommand ServerCommand()
{
    return {kServer,
            QStringLiteral("CA HÔTE [--alt NOM]… --days N"),
            Texts::ServerCommandSummary,
            Options({{DaysOption(), {kAlt, Texts::AltOptionHelp, QStringLiteral("NOM")}}, IssueOptions(true)}),
            2,
            2,
            IssueServer};
}

TCliCommand UserCommand()
{
    return {kUser,
            QStringLiteral("CA NOM [--email ADRESSE] --days N"),
            Texts::UserCommandSummary,
            Options({{DaysOption(), {kEmail, Texts::UserEmailOptionHelp, QStringLiteral("ADRESSE")}}, IssueOptions(true)}),
            2,
            2,
            IssueUser};
}

TCliCommand SignCommand()
{
    return {QStringLiteral("sign"),
            QStringLiteral("CA DEMANDE (--server | --user) --days N"),
            Texts::SignCommandSummary,
            Options({{DaysOption(), {kServer, Texts::SignServerOptionHelp}, {kUser, Texts::SignUserOptionHelp}},
                     IssueOptions(false)}),
            2,
            2,
            SignRequest};
}

TCliCommand RenewCommand()
{
    return {QStringLiteral("renew"),
            QStringLiteral("CA NOM [--days N]"),
            Texts::RenewCommandSummary,
            Options({{DaysOption()}, IssueOptions(true)}),
            2,
            2,
            Renew};
}
