// The CA list of the Configuration page: adding, deleting and selecting a CA.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "MemoLines.h"
#include "pki/CaFiles.h"
#include "pki/CaLayout.h"
#include "pki/Import.h"
#include "pki/CaName.h"
#include "pki/CaRegistry.h"
#include "settings/CaSettings.h"
#include "pki/Texts.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCaList, "tarvik.calist")

namespace {
const QString &kDomaine = SettingsKeys::Domaine;
}

void TForm1::SetCaIndex(int index)
{
    QComboBox *combo = ui->comboDomaineName;
    const int before = combo->currentIndex();
    {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(index);
    }
    if (combo->currentIndex() != before)
        comboDomaineNameClick();
}

// A QComboBox changes its text and index when its items change; the selected CA must
// not move with them, and no selection may be reported. A CA no longer listed leaves
// nothing selected.
void TForm1::ReplaceCaItems(const QStringList &items)
{
    QComboBox *combo = ui->comboDomaineName;
    const QSignalBlocker block(combo);
    const QString ca = CaName();
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(items.indexOf(ca));
    combo->setEditText(CaName());
}

bool TForm1::TypedCaRefused()
{
    QComboBox *combo = ui->comboDomaineName;
    const QString typed = combo->currentText();
    if (typed == CaName())
        return false;
    {
        const QSignalBlocker block(combo);
        combo->setEditText(CaName());
    }
    return !typed.isEmpty() && combo->findText(typed, Qt::MatchFixedString) < 0 && Refused(Texts::CaNotInList);
}

QStringList TForm1::RegisteredCas(const TIniFile &settings)
{
    QStringList keys;
    settings.ListKeys(kDomaine, keys);
    QStringList cas, leftOut;
    for (const QString &key : keys)
        (IsValidCaName(key) ? cas : leftOut).append(key);
    // A name edited by hand into the file never becomes a path; its section stays as it is.
    if (!leftOut.isEmpty() && !leftOutReported_) {
        leftOutReported_ = true;
        qCWarning(lcCaList) << "CA names left out of the list:" << leftOut;
        boxes_->Message(Texts::CasLeftOut(leftOut));
    }
    return cas;
}

void TForm1::comboDomaineNameClick()
{
    TIniFile settings(SettingsPath());
    const QStringList cas = RegisteredCas(settings);
    const QString ca = CaName();
    // The list shows the CAs as registered below, a CA being added included.
    QStringList items = cas;
    if (!items.contains(ca, Qt::CaseInsensitive))
        items.append(ca);
    ReplaceCaItems(items);
    // The selected CA goes straight to "1": a pass through "0" would replace the file twice
    // for nothing each time a CA is selected again.
    for (const QString &known : cas)
        if (known.compare(ca, Qt::CaseInsensitive) != 0)
            settings.WriteValue(kDomaine, known, SettingsKeys::NotSelected);
    settings.WriteValue(kDomaine, ca, SettingsKeys::Selected);
    ui->cxGroupBox1->setTitle(QStringLiteral(" Certificat de CA pour : ") + ca + QStringLiteral("  "));
    statusPanel_->setText(QStringLiteral(" Vous travaillez sur le domaine: ") + ca);
    ui->cxLabel8->setText(QLatin1Char('.') + ca);
    ShowCaFields(ReadCaSection(settings, ca));
    ForgetOtherCaOutput();
    WarnOfExpiry(ca);
}

// Output and a serial left from another CA would read as this one's. A pane still being
// written by a run keeps it: that run goes on to its end on its own CA.
void TForm1::ForgetOtherCaOutput()
{
    for (auto it = memoLines_.cbegin(); it != memoLines_.cend(); ++it)
        if (!PaneInUse(it.key()))
            it.value()->Clear();
    ui->txtRevokeNumber->clear();
    renewing_.reset();
}

void TForm1::btAddCAClick()
{
    const QString name = ui->txtNewCA->text();
    if (name.isEmpty())
        return;
    {
        QStringList cas;
        TIniFile(SettingsPath()).ListKeys(kDomaine, cas);
        if (const QString refusal = NewCaRefusal(cas, name); !refusal.isEmpty()) {
            boxes_->Message(refusal);
            return;
        }
    }
    // A CA removed from the list earlier keeps its database: register it again
    // without resetting what it has issued.
    const bool known = CaDatabaseExists(progDir_, name);
    try {
        TIniFile settings(SettingsPath());
        QStringList items;
        for (int i = 0; i < ui->comboDomaineName->count(); ++i)
            items.append(ui->comboDomaineName->itemText(i));
        ReplaceCaItems(items << name);
        SetCaIndex(ui->comboDomaineName->count() - 1);
        // A CA known on disk comes back with the subject it was made with, so Save
        // leaves its root-ca.cnf as it is.
        if (known) {
            // The folder's own certificate says which keys the CA makes and who it is:
            // its next certificates must not silently get keys of another type.
            TSubject subject = ReadRootSubject(progDir_, name);
            const TCaCertificateFacts facts = ReadCaCertificateFacts(ui->cxTextEdit1->text(), progDir_ + CaLayout::CaCert(name));
            if (facts.readable) {
                for (const auto field : {&TSubject::country, &TSubject::province, &TSubject::city, &TSubject::company,
                                         &TSubject::service, &TSubject::email})
                    if (!(facts.subject.*field).isEmpty())
                        subject.*field = facts.subject.*field;
                const QSignalBlocker block(ui->comboKeyTypeCA);
                ui->comboKeyTypeCA->setCurrentIndex(int(facts.keyType));
            }
            ShowSubject(subject);
        } else {
            ui->txtCompanyCA->setText(name);
            CreateCaSkeleton(progDir_, name);
        }
        WriteCaSection(settings, CaName(), progDir_ + name, CaFieldsOnPage());
        if (!known)
            WriteRootTemplate(progDir_, name);
    } catch (const std::exception &e) {
        // Adding ends without a box; Save below runs and reports a file it cannot write.
        qCWarning(lcCaList) << "adding" << name << "failed:" << e.what();
    }
    cxButton1Click();
}

void TForm1::btDelCAClick()
{
    if (TypedCaRefused())
        return;
    const QString ca = CaName();
    if (ca.isEmpty())
        return;
    if (!boxes_->Confirm(RemoveCaQuestion(ca), TDefaultButton::Cancel))
        return;
    TIniFile settings(SettingsPath());
    settings.RemoveKey(kDomaine, ca);
    settings.RemoveSection(ca);
    const QStringList cas = RegisteredCas(settings);
    ReplaceCaItems(cas);
    if (!cas.isEmpty()) {
        SetCaIndex(0);
        settings.WriteValue(kDomaine, CaName(), SettingsKeys::Selected);
    }
    boxes_->Message(Texts::FilesKeptIn(progDir_ + ca));
}
