// Creating the CA and issuing server and user certificates.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "IssuerChoice.h"
#include "RequestSigning.h"

#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

TOperationInput TForm1::OperationInput(TOperationKind kind, const QLineEdit *passphrase) const
{
    TOperationInput in;
    in.kind = kind;
    in.tool = ui->cxTextEdit1->text();
    in.ca = CaName();
    in.passphrase = passphrase->text();
    in.subject = SubjectOnPage();
    in.crlUrl = ui->txtCrlUrlCA->text();
    in.keyType = KeyTypeOnPage();
    return in;
}

// One choice for both pages, kept in the settings file.
void TForm1::ShowPkcs12Format(bool compatible)
{
    for (QCheckBox *box : {ui->chkCompatSrv, ui->chkCompatUsr}) {
        const QSignalBlocker block(box);
        box->setChecked(compatible);
    }
}

void TForm1::chkCompatSrvClick() { SavePkcs12Format(ui->chkCompatSrv->isChecked()); }
void TForm1::chkCompatUsrClick() { SavePkcs12Format(ui->chkCompatUsr->isChecked()); }

void TForm1::SavePkcs12Format(bool compatible)
{
    ShowPkcs12Format(compatible);
    TIniFile(SettingsPath())
        .WriteValue(SettingsKeys::Path, SettingsKeys::CompatiblePkcs12,
                    compatible ? SettingsKeys::Selected : SettingsKeys::NotSelected);
}

void TForm1::cxButton6Click()
{
    TOperationInput in = OperationInput(TOperationKind::CreateCa, ui->cxMaskEdit1);
    in.days = ui->txtTTLCA->text();
    issuerChoice_->Complete(in);
    RunOperation(in, ui->cxMemo1);
}

void TForm1::cxButton14Click()
{
    TOperationInput in = OperationInput(TOperationKind::ServerCertificate, ui->cxMaskEdit2);
    in.name = ui->cxTextEdit8->text();
    in.altNames = ui->txtAltNamesSrv->text();
    in.suffix = ui->cxLabel8->text();
    in.days = ui->txtTTLsrv->text();
    in.password = ui->cxTextEdit3->text();
    in.compatiblePkcs12 = ui->chkCompatSrv->isChecked();
    RunOperation(in, ui->cxMemo2);
}

void TForm1::cxButton15Click()
{
    TOperationInput in = OperationInput(TOperationKind::UserCertificate, ui->cxMaskEdit3);
    in.name = ui->cxTextEdit9->text();
    in.email = ui->txtEmailUsr->text();
    in.days = ui->txtTTLusr->text();
    in.password = ui->cxTextEdit4->text();
    in.compatiblePkcs12 = ui->chkCompatUsr->isChecked();
    RunOperation(in, ui->cxMemo3);
}

void TForm1::btSignCsrSrvClick()
{
    SignRequest(TOperationKind::SignServerRequest, ui->cxMaskEdit2, ui->txtTTLsrv->text(), ui->cxMemo2);
}

void TForm1::btSignCsrUsrClick()
{
    SignRequest(TOperationKind::SignUserRequest, ui->cxMaskEdit3, ui->txtTTLusr->text(), ui->cxMemo3);
}

void TForm1::SignRequest(TOperationKind kind, const QLineEdit *passphrase, const QString &days, QPlainTextEdit *memo)
{
    TOperationInput in = OperationInput(kind, passphrase);
    in.days = days;
    // What can be refused without the request is refused before a file is picked.
    if (!CaSelected() || Refused(MissingFieldRefusal(in)) || !OperationFree(in.ca, memo)
        || Refused(RefusalBeforeRun(in)) || !ChooseRequestToSign(this, *boxes_, in))
        return;
    RunOperation(in, memo);
}
