#include "IssuerChoice.h"

#include "pki/CaLayout.h"
#include "pki/Operation.h"
#include "settings/CaSettings.h"
#include "settings/IniFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>

TIssuerChoice::TIssuerChoice(QString progDir, const QComboBox *cas, QComboBox *issuers, QCheckBox *nameConstraint,
                             QLineEdit *issuerPassphrase)
    : progDir_(std::move(progDir)), cas_(cas), issuers_(issuers), nameConstraint_(nameConstraint),
      issuerPassphrase_(issuerPassphrase)
{
}

void TIssuerChoice::Show(const QString &ca, const TCaFields &saved)
{
    List(ca, saved.issuer);
    nameConstraint_->setChecked(saved.nameConstraint);
}

void TIssuerChoice::Refresh(const QString &ca)
{
    List(ca, Issuer());
}

void TIssuerChoice::List(const QString &ca, const QString &issuer)
{
    const QString root = issuers_->itemText(0);
    issuers_->clear();
    issuers_->addItem(root);
    for (int i = 0; i < cas_->count(); ++i) {
        const QString name = cas_->itemText(i);
        // A saved issuer stays listed, so Save keeps it; its creation then says what it lacks.
        if (name.compare(ca, Qt::CaseInsensitive) != 0
            && (name == issuer || QFileInfo(progDir_ + CaLayout::CaCert(name)).isFile()))
            issuers_->addItem(name, name);
    }
    if (!issuer.isEmpty() && issuers_->findData(issuer) < 0)
        issuers_->addItem(issuer, issuer);
    issuers_->setCurrentIndex(std::max(0, issuers_->findData(issuer)));
}

QString TIssuerChoice::Issuer() const
{
    return issuers_->currentData().toString();
}

void TIssuerChoice::Read(TCaFields &fields) const
{
    fields.issuer = Issuer();
    fields.nameConstraint = nameConstraint_->isChecked();
}

void TIssuerChoice::Complete(TOperationInput &in) const
{
    in.issuer = Issuer();
    in.nameConstraint = nameConstraint_->isChecked();
    if (in.issuer.isEmpty())
        return;
    in.issuerPassphrase = issuerPassphrase_->text();
    in.issuerCrlUrl = ReadCaSection(TIniFile(SettingsFilePath(progDir_)), in.issuer).crlUrl;
}
