// Renewing a certificate in force: its page is filled from the certificate file, so
// that one press issues its successor.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "pki/CaLayout.h"
#include "pki/Expiry.h"
#include "pki/Renewal.h"
#include "pki/Texts.h"

void TForm1::btRenewClick()
{
    if (!CaSelected())
        return;
    const QListWidgetItem *item = ui->cxListBox1->currentItem();
    if (!item) {
        boxes_->Message(Texts::RenewPickCertificate);
        return;
    }
    const QString ca = CaName();
    const TIndexEntry old = ParseIndexLine(item->text());
    const QString certFile = CaLayout::IssuedBySerial(ca, old.serial);
    const TRenewal renewal = ReadRenewal(ui->cxTextEdit1->text(), certFile, QLatin1Char('.') + ca);
    if (renewal.caCertificate) {
        boxes_->Message(Texts::RenewIssuedCa);
        return;
    }
    if (!renewal.readable) {
        boxes_->Message(Texts::RenewUnreadable(certFile));
        return;
    }
    // Once its successor is issued, the old certificate may be revoked.
    renewing_ = TRenewed{ca, renewal.server, renewal.name, old};
    if (renewal.server) {
        ui->cxTextEdit8->setText(renewal.name);
        ui->txtAltNamesSrv->setText(renewal.altNames);
        ui->cxPageControl1->setCurrentWidget(ui->cxTabSheet2);
        return;
    }
    ui->cxTextEdit9->setText(renewal.name);
    // The CA's own address stays the default, so that it follows a change on Configuration.
    ui->txtEmailUsr->setText(renewal.email == ui->txtEmailCA->text() ? QString() : renewal.email);
    ui->cxPageControl1->setCurrentWidget(ui->cxTabSheet3);
}
