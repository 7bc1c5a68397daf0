#pragma once
#include <QString>

class QCheckBox;
class QComboBox;
class QLineEdit;
struct TCaFields;
struct TOperationInput;

// The Configuration page's « Hiérarchie »: which CA signs the selected CA when it is
// created, and whether its certificate keeps the names below it within its domain; and
// the issuer's pass phrase on « Créer un CA ». Saved per CA with the other fields.
class TIssuerChoice
{
public:
    // cas is the CA selector, whose items are the registered CAs.
    TIssuerChoice(QString progDir, const QComboBox *cas, QComboBox *issuers, QCheckBox *nameConstraint,
                  QLineEdit *issuerPassphrase);

    // The CAs that can sign the selected one (those with a certificate, the CA itself
    // left out), with the saved choice picked.
    void Show(const QString &ca, const TCaFields &saved);
    // The list made again for CAs created since, keeping the choice on the page.
    void Refresh(const QString &ca);
    // The page's choice, for Save.
    void Read(TCaFields &fields) const;
    // The page's choice, for the creation of the CA.
    void Complete(TOperationInput &in) const;

private:
    void List(const QString &ca, const QString &issuer);
    QString Issuer() const;

    QString progDir_;
    const QComboBox *cas_;
    QComboBox *issuers_;
    QCheckBox *nameConstraint_;
    QLineEdit *issuerPassphrase_;
};
