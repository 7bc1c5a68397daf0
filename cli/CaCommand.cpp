// `tarvik ca`: a CA added, its settings saved and its key and certificate made, as
// « Ajouter », Save and « Créer et signer le CA » do.
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "common/Exception.h"
#include "pki/CaFiles.h"
#include "pki/CaLayout.h"
#include "pki/CaName.h"
#include "pki/CaRegistry.h"
#include "pki/Texts.h"
#include "settings/CaSettings.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFileInfo>

namespace {

struct TField
{
    const char *option;
    QString TCaFields::*field;
};
const TField kFields[] = {
    {"email", &TCaFields::email},       {"country", &TCaFields::country}, {"province", &TCaFields::province},
    {"city", &TCaFields::city},         {"company", &TCaFields::company}, {"service", &TCaFields::service},
    {"days", &TCaFields::days},         {"crl-url", &TCaFields::crlUrl},  {"key-type", &TCaFields::keyType},
};

const QString kIssuer = QStringLiteral("issuer");
const QString kIssuerPassphraseFile = QStringLiteral("issuer-passphrase-file");
const QString kNameConstraint = QStringLiteral("name-constraint");

bool IsKeyTypeValue(const QString &value)
{
    for (int i = 0; i < kKeyTypeCount; ++i)
        if (value == KeyTypeValue(TKeyType(i)))
            return true;
    return false;
}

int CreateCa(const QCommandLineParser &p)
{
    const QString ca = CommandArguments(p).first();
    const QString progDir = QDir::currentPath() + u'/';
    const bool registered = RegisteredCas().contains(ca);
    if (!registered)
        if (const QString refusal = NewCaRefusal(RegisteredCas(), ca); !refusal.isEmpty())
            return Refuse(refusal);

    // What is saved, what the options change, and a new CA named after itself as the window does.
    TCaFields fields = ReadCaSection(TIniFile(SettingsPathHere()), ca);
    if (!registered && CaDatabaseExists(progDir, ca)) {
        const TSubject s = ReadRootSubject(progDir, ca);
        fields = {s.email, fields.days, s.country, s.province, s.city, s.company, s.service, {}, {}};
    } else if (!registered) {
        fields.company = ca;
    }
    for (const TField &f : kFields)
        if (p.isSet(QLatin1String(f.option)))
            fields.*f.field = p.value(QLatin1String(f.option));
    // The hierarchy is what the options say, whatever was saved: a root unless --issuer.
    fields.issuer = p.value(kIssuer);
    fields.nameConstraint = p.isSet(kNameConstraint);
    if (!fields.issuer.isEmpty())
        if (const QString refusal = CaRefusal(fields.issuer); !refusal.isEmpty())
            return Refuse(refusal);
    if (!fields.keyType.isEmpty() && !IsKeyTypeValue(fields.keyType))
        return Refuse(Texts::UnknownKeyType(fields.keyType));
    if (!fields.crlUrl.isEmpty() && !IsValidCrlUrl(fields.crlUrl))
        return Refuse(Texts::InvalidCrlUrl);
    const TSubject subject{fields.country, fields.province, fields.city, fields.company, fields.service, fields.email};
    if (const QString refusal = CaSettingsRefusal(subject, fields.days, QDateTime::currentDateTimeUtc());
        !refusal.isEmpty())
        return Refuse(refusal);

    TOperationInput in = CaInput(TOperationKind::CreateCa, ca);
    in.subject = subject;
    in.days = fields.days;
    in.crlUrl = fields.crlUrl;
    in.keyType = KeyTypeFromValue(fields.keyType);
    in.issuer = fields.issuer;
    in.nameConstraint = fields.nameConstraint;
    if (!in.issuer.isEmpty())
        in.issuerCrlUrl = ReadCaSection(TIniFile(SettingsPathHere()), in.issuer).crlUrl;
    if (const QString refusal = InvalidNameRefusal(in); !refusal.isEmpty())
        return Refuse(refusal);
    // Asked before anything is written, as in the window.
    if (QFileInfo::exists(CaLayout::CaCert(ca)) && !Confirmed(p, PlanOperation(in).question))
        return kExitRefused;
    QString error;
    if (!ReadSecret(p, CaPassphraseSource(ca, true), &in.passphrase, &error))
        return Refuse(error);
    if (!in.issuer.isEmpty()
        && !ReadSecret(p, {QStringLiteral("TARVIK_ISSUER_PASS"), kIssuerPassphraseFile, Texts::PassphrasePrompt(in.issuer)},
                       &in.issuerPassphrase, &error))
        return Refuse(error);

    try {
        TIniFile settings(SettingsPathHere());
        if (!registered) {
            PrepareCaFolder(progDir, ca);
            // The window keeps the CA the user works on; a CA added here is the first only
            // when it is the only one.
            settings.WriteValue(SettingsKeys::Domaine, ca,
                                RegisteredCas().isEmpty() ? SettingsKeys::Selected : SettingsKeys::NotSelected);
        }
        WriteCaSection(settings, ca, progDir + ca, fields);
        WriteRootSubject(progDir, ca, subject);
    } catch (const Exception &e) {
        Complain(e.Message());
        return kExitFailed;
    }
    return RunOperation(in, p, {.replaceWithoutAsking = true}); // answered above
}

} // namespace

TCliCommand CaCommand()
{
    QList<QCommandLineOption> options;
    for (const TField &f : kFields) {
        const QString name = QLatin1String(f.option);
        options << QCommandLineOption(name, Texts::CaFieldOptionHelp(name), Texts::CaFieldValueName(name));
    }
    return {QStringLiteral("ca"),
            QStringLiteral("CA --email ADRESSE --country CC --province P --city VILLE --company O --service S --days N "
                           "[--key-type TYPE] [--crl-url URL] [--issuer CA [--issuer-passphrase-file FICHIER]] "
                           "[--name-constraint]"),
            Texts::CaCommandSummary,
            Options({options,
                     {QCommandLineOption(kIssuer, Texts::IssuerOptionHelp, QStringLiteral("CA")),
                      QCommandLineOption(kIssuerPassphraseFile, Texts::IssuerPassphraseFileOptionHelp,
                                         QStringLiteral("FICHIER")),
                      QCommandLineOption(kNameConstraint, Texts::NameConstraintOptionHelp), PassphraseFileOption(),
                      YesOption()}}),
            1,
            1,
            CreateCa};
}
