// The Configuration page: the tool path field and Save.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "IssuerChoice.h"
#include "common/Exception.h"
#include "pki/CaFiles.h"
#include "pki/CaName.h"
#include "pki/Texts.h"
#include "pki/KeyType.h"
#include "pki/ValueLimits.h"
#include "settings/CaSettings.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

#include <QApplication>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSettings, "tarvik.settings")

TCaFields TForm1::CaFieldsOnPage() const
{
    TCaFields fields{ui->txtEmailCA->text(),    ui->txtTTLCA->text(),   ui->comboCountryCodeCA->currentText(),
                     ui->txtProvinceCA->text(), ui->txtVilleCA->text(), ui->txtCompanyCA->text(),
                     ui->txtServiceCA->text(),  ui->txtCrlUrlCA->text(), KeyTypeValue(KeyTypeOnPage())};
    issuerChoice_->Read(fields);
    return fields;
}

TKeyType TForm1::KeyTypeOnPage() const
{
    const int index = ui->comboKeyTypeCA->currentIndex();
    return index >= 0 && index < kKeyTypeCount ? TKeyType(index) : TKeyType::Rsa2048;
}

void TForm1::ShowCaFields(const TCaFields &f)
{
    ShowSubject({f.country, f.province, f.city, f.company, f.service, f.email});
    ui->txtTTLCA->setText(f.days);
    ui->txtCrlUrlCA->setText(f.crlUrl);
    // The picker must not show another CA's lifetime: picking it again would change nothing.
    ShowPickedValidity(ui->comboTTLCA, f.days);
    issuerChoice_->Show(CaName(), f);
    const QSignalBlocker block(ui->comboKeyTypeCA);
    ui->comboKeyTypeCA->setCurrentIndex(int(KeyTypeFromValue(f.keyType)));
}

void TForm1::ShowSubject(const TSubject &s)
{
    ui->comboCountryCodeCA->setEditText(s.country);
    ui->txtProvinceCA->setText(s.province);
    ui->txtVilleCA->setText(s.city);
    ui->txtCompanyCA->setText(s.company);
    ui->txtServiceCA->setText(s.service);
    ui->txtEmailCA->setText(s.email);
}

TSubject TForm1::SubjectOnPage() const
{
    const TCaFields f = CaFieldsOnPage();
    return {f.country, f.province, f.city, f.company, f.service, f.email};
}

void TForm1::cxTextEdit1Exit()
{
    toolPath_ = ui->cxTextEdit1->text();
}

void TForm1::cxButton1Click()
{
    if (TypedCaRefused())
        return;
    if (const QString url = ui->txtCrlUrlCA->text(); !url.isEmpty() && !IsValidCrlUrl(url) && Refused(Texts::InvalidCrlUrl))
        return;
    if (Refused(CaEmailRefusal(ui->txtEmailCA->text())))
        return;
    // A file Save cannot write is reported: the user must not believe the fields saved.
    try {
        SaveSteps();
    } catch (const Exception &e) {
        qCWarning(lcSettings) << "Save failed:" << e.Message();
        if (e.Message() != std::exchange(startFailure_, QString()))
            boxes_->Error(ErrorBoxText(e.Message()));
    }
}

void TForm1::SaveSteps()
{
    const QString tool = ui->cxTextEdit1->text();
    QPalette palette = ui->cxTextEdit1->palette();
    if (QFileInfo(tool).isFile()) {
        TIniFile(SettingsPath()).WriteValue(SettingsKeys::Path, SettingsKeys::Tool, tool);
        palette.setColor(QPalette::Text, QApplication::palette(ui->cxTextEdit1).color(QPalette::Text));
    } else {
        palette.setColor(QPalette::Text, QColor(255, 0, 0));
    }
    ui->cxTextEdit1->setPalette(palette);

    {
        TIniFile settings(SettingsPath());
        const QStringList cas = RegisteredCas(settings);
        if (ui->comboDomaineName->count() == 0) {
            ReplaceCaItems(cas);
            for (int i = 0; i < cas.size(); ++i) {
                if (settings.ReadValue(SettingsKeys::Domaine, cas[i], QString()) == SettingsKeys::Selected)
                    SetCaIndex(i);
            }
        }
        if (!CaName().isEmpty())
            WriteCaSection(settings, CaName(), progDir_ + CaName(), CaFieldsOnPage());
    }

    // Without a CA there is no root-ca.cnf to keep in step.
    if (!CaName().isEmpty())
        WriteRootSubject(progDir_, CaName(), SubjectOnPage());
}
