// `tarvik revoke` and `tarvik crl`: the revocation page's actions.
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "common/Exception.h"
#include "pki/CaLayout.h"
#include "pki/Renewal.h"
#include "pki/Texts.h"

namespace {

int RunWithPassphrase(const QCommandLineParser &p, TOperationInput in)
{
    if (const QString refusal = CaRefusal(in.ca); !refusal.isEmpty())
        return Refuse(refusal);
    if (const QString refusal = InvalidNameRefusal(in); !refusal.isEmpty())
        return Refuse(refusal);
    // A CA without a certificate is refused before its pass phrase is asked for.
    if (const QString refusal = RefusalBeforeRun(in); !refusal.isEmpty())
        return Refuse(refusal);
    if (in.kind == TOperationKind::Revocation) {
        // As the window: the certificate is named before it is revoked, for good.
        QString question;
        try {
            question = RevocationQuestion(in.ca, in.serial);
        } catch (const Exception &e) {
            return Refuse(Texts::UnreadableIndex(CaLayout::Index(in.ca), e.Message()));
        }
        if (!question.isEmpty() && !Confirmed(p, question))
            return 2;
    }
    QString error;
    if (!ReadSecret(p, CaPassphraseSource(in.ca), &in.passphrase, &error))
        return Refuse(error);
    return RunOperation(in, p);
}

int Revoke(const QCommandLineParser &p)
{
    const QStringList args = CommandArguments(p);
    TOperationInput in = CaInput(TOperationKind::Revocation, args[0]);
    in.serial = args[1];
    return RunWithPassphrase(p, in);
}

int PublishCrl(const QCommandLineParser &p)
{
    return RunWithPassphrase(p, CaInput(TOperationKind::CrlPublication, CommandArguments(p).first()));
}

} // namespace

TCliCommand RevokeCommand()
{
    return {QStringLiteral("revoke"), QStringLiteral("CA NUMÉRO"), Texts::RevokeCommandSummary,
            {PassphraseFileOption(), YesOption()}, 2, 2, Revoke};
}

TCliCommand CrlCommand()
{
    return {QStringLiteral("crl"), QStringLiteral("CA"), Texts::CrlCommandSummary, {PassphraseFileOption()}, 1, 1,
            PublishCrl};
}
