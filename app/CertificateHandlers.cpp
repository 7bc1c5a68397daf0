// Creating the CA and issuing server and user certificates.
#include "Unit1.h"
#include "ui_Unit1.h"

TOperationInput TForm1::OperationInput(TOperationKind kind, const QLineEdit *passphrase) const
{
    TOperationInput in;
    in.kind = kind;
    in.tool = ui->cxTextEdit1->text();
    in.ca = CaName();
    in.passphrase = passphrase->text();
    in.subject = SubjectOnPage();
    return in;
}

void TForm1::cxButton6Click()
{
    TOperationInput in = OperationInput(TOperationKind::CreateCa, ui->cxMaskEdit1);
    in.days = ui->txtTTLCA->text();
    RunOperation(in, ui->cxMemo1);
}

void TForm1::cxButton14Click()
{
    TOperationInput in = OperationInput(TOperationKind::ServerCertificate, ui->cxMaskEdit2);
    in.name = ui->cxTextEdit8->text();
    in.suffix = ui->cxLabel8->text();
    in.days = ui->txtTTLsrv->text();
    in.password = ui->cxTextEdit3->text();
    RunOperation(in, ui->cxMemo2);
}

void TForm1::cxButton15Click()
{
    TOperationInput in = OperationInput(TOperationKind::UserCertificate, ui->cxMaskEdit3);
    in.name = ui->cxTextEdit9->text();
    in.days = ui->txtTTLusr->text();
    in.password = ui->cxTextEdit4->text();
    RunOperation(in, ui->cxMemo3);
}
