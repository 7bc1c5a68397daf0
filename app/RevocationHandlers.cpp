// The revocation page: the two lists read from the CA database, and revoking a
// certificate together with publishing the CRL.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "pki/Expiry.h"
#include "pki/IndexFile.h"

void TForm1::cxTabSheet5Show()
{
    const QString ca = CaName();
    if (ca.isEmpty()) {
        ShowRevocationLists({});
        ui->lblExpiry->clear();
        return;
    }
    // Read first: a file that cannot be read leaves both lists as they were.
    const TIndexLists lists = ReadIndexLists(ca);
    ShowExpirySummary(ca, ShowRevocationLists(lists), lists.revoked);
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

void TForm1::btPublishCrlClick()
{
    RunOperation(OperationInput(TOperationKind::CrlPublication, ui->cxMaskEdit4), ui->cxMemo4);
}

// Picking a certificate names it for revocation, so its serial is never typed by hand.
void TForm1::cxListBox1Click()
{
    if (const QListWidgetItem *item = ui->cxListBox1->currentItem())
        ui->txtRevokeNumber->setText(ParseIndexLine(item->text()).serial);
}
