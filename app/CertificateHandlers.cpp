// Creating the CA and issuing server and user certificates through console runs.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "console/ConsoleCommand.h"
#include "pki/CaFiles.h"
#include "pki/CommandLines.h"

#include <QDir>
#include <QFileInfo>

bool TForm1::CaSelected()
{
    if (!CaName().isEmpty())
        return true;
    boxes_->Message(QStringLiteral("Aucun CA n'est sélectionné."));
    return false;
}

// Two runs on one CA would share its database and configuration files.
bool TForm1::CaFree(const QString &ca)
{
    const TConsoleCommand *run = latestRunOnCa_.value(ca);
    if (!run || !run->IsRunning())
        return true;
    boxes_->Message(QStringLiteral("Une opération est déjà en cours sur ce CA."));
    return false;
}

bool TForm1::AllFilled(std::initializer_list<const QLineEdit *> fields)
{
    for (const QLineEdit *field : fields) {
        if (field->text().isEmpty()) {
            boxes_->Message(QStringLiteral("Merci de remplir tous les champs ci-dessus"));
            return false;
        }
    }
    return true;
}

void TForm1::StartConsoleRun(QPlainTextEdit *memo, const QString &ca, const QStringList &commands)
{
    memoLines_.value(memo)->Clear();
    auto *run = new TConsoleCommand(this);
    runs_.append(run);
    run->SetCommandLine(QString::fromLatin1(kCommandInterpreter));
    // A POSIX shell takes a CR as part of the last word.
    run->SetReturnCode(rcLF);
    run->SetErrorReporter([this](const QString &message) { boxes_->Error(ErrorBoxText(message)); });
    run->SetOutputLines(memoLines_.value(memo));
    run->Start();
    latestRunOnCa_.insert(ca, run);
    for (const QString &line : commands)
        run->QueueInputLine(line, true);
}

void TForm1::cxButton6Click()
{
    const QString ca = CaName();
    if (!CaSelected() || !CaFree(ca))
        return;
    if (QFileInfo::exists(ca + QStringLiteral("/private/ca.crt"))
        && !boxes_->Confirm(QStringLiteral("Vous avez déja un certificat pour ce CA. Cliquez sur ok pour l'écraser, "
                                           "ATTENTION les certificats signé par ce CA ne fonctionnerons plus.)")))
        return;
    StartConsoleRun(ui->cxMemo1, ca,
                    CreateCaCommands(ui->cxTextEdit1->text(), ca, ui->cxMaskEdit1->text(), ui->txtTTLCA->text()));
    boxes_->Message(CreateCaDoneMessage(ca));
}

void TForm1::cxButton14Click() { IssueCertificate(TCertKind::Server); }
void TForm1::cxButton15Click() { IssueCertificate(TCertKind::User); }

void TForm1::IssueCertificate(TCertKind kind)
{
    const bool server = kind == TCertKind::Server;
    QLineEdit *passphrase = server ? ui->cxMaskEdit2 : ui->cxMaskEdit3;
    QLineEdit *name = server ? ui->cxTextEdit8 : ui->cxTextEdit9;
    QLineEdit *password = server ? ui->cxTextEdit3 : ui->cxTextEdit4;
    QLineEdit *days = server ? ui->txtTTLsrv : ui->txtTTLusr;
    QPlainTextEdit *memo = server ? ui->cxMemo2 : ui->cxMemo3;

    const QString ca = CaName();
    if (!CaSelected())
        return;
    if (!AllFilled({passphrase, name, password}) || !CaFree(ca))
        return;

    const QString dir = ca + QStringLiteral("/certs/") + name->text();
    QDir().mkdir(dir);
    QDir().mkdir(ca + QStringLiteral("/newcerts"));
    const QString suffix = server ? ui->cxLabel8->text() : QString();
    const QString commonName = name->text() + suffix;
    WriteRequestConfig(ca, kind, SubjectOnPage(), commonName);
    WriteSigningConfig(ca, server ? TSigningVariant::Server : TSigningVariant::User, days->text(), commonName);

    // The export file, or at least the signed certificate, marks an earlier issue.
    const bool issued = QFileInfo::exists(dir + QLatin1Char('/') + name->text() + QStringLiteral(".p12"))
                        || QFileInfo::exists(dir + QStringLiteral("/user.crt"));
    if (issued
        && !boxes_->Confirm(QStringLiteral("Vous avez déja un certificat pour cette machine. Cliquez sur ok pour l'écraser.)")))
        return;

    TCertificateRequest request;
    request.kind = kind;
    request.tool = ui->cxTextEdit1->text();
    request.ca = ca;
    request.name = name->text();
    request.suffix = suffix;
    request.days = days->text();
    request.passphrase = passphrase->text();
    request.password = password->text();
    request.company = ui->txtCompanyCA->text();
    StartConsoleRun(memo, ca, CertificateCommands(request));
    boxes_->Message(CertificateDoneMessage(kind, ca, name->text()));
}
