// The revocation page: the two lists read from the CA database, and revoking a
// certificate together with publishing the CRL.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "pki/IndexFile.h"

void TForm1::cxTabSheet5Show()
{
    const QString ca = CaName();
    if (ca.isEmpty() || CaNameRefused()) {
        ui->cxListBox1->clear();
        ui->cxListBox2->clear();
        return;
    }
    // Read first: a file that cannot be read leaves both lists as they were.
    const TIndexLists lists = ReadIndexLists(ca);
    ui->cxListBox1->clear();
    ui->cxListBox2->clear();
    ui->cxListBox1->addItems(lists.valid);
    ui->cxListBox2->addItems(lists.revoked);
}

void TForm1::cxButton12Click()
{
    cxTabSheet5Show();
}

void TForm1::cxButton16Click()
{
    TOperationInput in = OperationInput(TOperationKind::Revocation, ui->cxMaskEdit4);
    in.serial = ui->txtRevokeNumber->text();
    RunOperation(in, ui->cxMemo4);
}
