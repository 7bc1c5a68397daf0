// Validity pickers and the four mirrored pass-phrase fields.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "pki/Validity.h"

namespace {
// The days of each picker item; a month counts 30 days and a year 360.
const char *const kDays[] = {"30", "180", "360", "1800", "3600", "5400", "7200"};
} // namespace

void TForm1::PickValidity(QComboBox *picker, QLineEdit *days)
{
    const int index = picker->currentIndex();
    if (index >= 0 && index < int(std::size(kDays)))
        days->setText(QString::fromLatin1(kDays[index]));
}

void TForm1::ShowPickedValidity(QComboBox *picker, const QString &days)
{
    // The items word their days as ValidityText does.
    const QString text = ValidityText(days);
    const int index = text.isEmpty() ? -1 : picker->findText(text);
    const QSignalBlocker block(picker);
    picker->setCurrentIndex(index);
    if (index < 0)
        picker->setEditText(text.isEmpty() ? QStringLiteral("Select") : text);
}

// What the picker shows is what is issued: a typed duration fills the day field, and
// any other text gives way to the choice still in force.
void TForm1::TakeTypedValidity(QComboBox *picker, QLineEdit *days)
{
    const int index = picker->currentIndex();
    const QString inForce = ValidityText(days->text());
    const QString shown = index >= 0 ? picker->itemText(index) : inForce.isEmpty() ? QStringLiteral("Select") : inForce;
    const QString typed = picker->currentText();
    if (typed == shown)
        return;
    const QString typedDays = ValidityDays(typed);
    if (typedDays.isEmpty()) {
        const QSignalBlocker block(picker);
        picker->setEditText(shown);
        return;
    }
    ShowPickedValidity(picker, typedDays);
    days->setText(typedDays);
}

void TForm1::comboTTLCAClick() { PickValidity(ui->comboTTLCA, ui->txtTTLCA); }
void TForm1::comboTTLsrvClick() { PickValidity(ui->comboTTLsrv, ui->txtTTLsrv); }
void TForm1::comboTTLusrClick() { PickValidity(ui->comboTTLusr, ui->txtTTLusr); }

void TForm1::SetPassPhrase(QLineEdit *field, const QString &text)
{
    if (field->text() == text)
        return;
    {
        const QSignalBlocker block(field);
        field->setText(text);
    }
    if (field == ui->cxMaskEdit1)
        cxMaskEdit1PropertiesChange();
    else if (field == ui->cxMaskEdit2)
        cxMaskEdit2PropertiesChange();
    else if (field == ui->cxMaskEdit3)
        cxMaskEdit3PropertiesChange();
    else
        cxMaskEdit4PropertiesChange();
}

void TForm1::MirrorPassPhrase(QLineEdit *source, std::initializer_list<QLineEdit *> targets)
{
    for (QLineEdit *target : targets)
        SetPassPhrase(target, source->text());
}

void TForm1::cxMaskEdit1PropertiesChange() { MirrorPassPhrase(ui->cxMaskEdit1, {ui->cxMaskEdit2, ui->cxMaskEdit3, ui->cxMaskEdit4}); }
void TForm1::cxMaskEdit2PropertiesChange() { MirrorPassPhrase(ui->cxMaskEdit2, {ui->cxMaskEdit1, ui->cxMaskEdit3, ui->cxMaskEdit4}); }
void TForm1::cxMaskEdit3PropertiesChange() { MirrorPassPhrase(ui->cxMaskEdit3, {ui->cxMaskEdit2, ui->cxMaskEdit1, ui->cxMaskEdit4}); }
void TForm1::cxMaskEdit4PropertiesChange() { MirrorPassPhrase(ui->cxMaskEdit4, {ui->cxMaskEdit2, ui->cxMaskEdit3, ui->cxMaskEdit1}); }
