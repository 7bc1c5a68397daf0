// `tarvik import`: a CA made elsewhere taken over, as « Importer un CA… » does.
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "pki/Import.h"
#include "pki/Texts.h"

#include <QDir>

namespace {

const QString kEasyRsa = QStringLiteral("easy-rsa");
const QString kKey = QStringLiteral("key");
const QString kCert = QStringLiteral("cert");

int Import(const QCommandLineParser &p)
{
    TImportInput in;
    in.ca = CommandArguments(p).first();
    in.tool = ConfiguredToolPath();
    in.progDir = QDir::currentPath() + u'/';
    const bool easyRsa = p.isSet(kEasyRsa);
    if (easyRsa == (p.isSet(kKey) || p.isSet(kCert)) || (!easyRsa && !(p.isSet(kKey) && p.isSet(kCert))))
        return Refuse(Texts::Usage(Texts::ImportSourceOptions));
    in.source = easyRsa ? TImportSource::EasyRsa : TImportSource::KeyAndCertificate;
    in.pkiDir = CallerPath(p.value(kEasyRsa));
    in.key = CallerPath(p.value(kKey));
    in.cert = CallerPath(p.value(kCert));

    // A key without a pass phrase gets the one chosen now: asked twice.
    QString error;
    if (!ReadSecret(p, CaPassphraseSource(in.ca, !ImportedKeyEncrypted(in)), &in.passphrase, &error))
        return Refuse(error);
    const TImportOutcome outcome = ImportCa(in);
    if (!outcome.refusal.isEmpty())
        return Refuse(outcome.refusal);
    if (!outcome.failure.isEmpty()) {
        Complain(outcome.failure);
        return kExitFailed;
    }
    Print(stdout, outcome.doneMessage + u'\n');
    return RunOperation(CrlAfterImport(in), p);
}

} // namespace

TCliCommand ImportCommand()
{
    return {QStringLiteral("import"),
            QStringLiteral("CA (--easy-rsa DOSSIER | --key CLÉ --cert CERTIFICAT)"),
            Texts::ImportCommandSummary,
            {QCommandLineOption(kEasyRsa, Texts::ImportEasyRsaOptionHelp, QStringLiteral("DOSSIER")),
             QCommandLineOption(kKey, Texts::ImportKeyOptionHelp, QStringLiteral("CLÉ")),
             QCommandLineOption(kCert, Texts::ImportCertOptionHelp, QStringLiteral("CERTIFICAT")), PassphraseFileOption()},
            1,
            1,
            Import};
}
