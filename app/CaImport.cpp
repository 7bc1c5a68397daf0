#include "CaImport.h"

#include "Boxes.h"
#include "pki/Texts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

TCaImport::TCaImport(QWidget *window, TBoxes &boxes, TImported imported)
    : window_(window), boxes_(boxes), imported_(std::move(imported))
{
}

void TCaImport::Run(const QString &tool, const QString &progDir, const QString &typedName)
{
    TImportInput in;
    in.tool = tool;
    in.progDir = progDir;
    in.ca = typedName.trimmed();
    if (!ChooseSource(in) || (in.ca.isEmpty() && !AskText(Texts::ImportNamePrompt, false, &in.ca)))
        return;
    if (!AskText(ImportedKeyEncrypted(in) ? Texts::ImportPassphrasePrompt : Texts::ImportNewPassphrasePrompt, true,
                 &in.passphrase))
        return;
    const TImportOutcome outcome = ImportCa(in);
    if (!outcome.refusal.isEmpty()) {
        boxes_.Message(outcome.refusal);
    } else if (!outcome.failure.isEmpty()) {
        boxes_.Error(ErrorBoxText(outcome.failure));
    } else {
        boxes_.Message(outcome.doneMessage);
        imported_(in);
    }
}

// Qt's own dialogs look the same on every desktop, and tests can answer them.
bool TCaImport::ChooseSource(TImportInput &in)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tarvik"), Texts::ImportKindQuestion, QMessageBox::NoButton,
                    window_);
    QPushButton *easyRsa = box.addButton(Texts::ImportKindEasyRsa, QMessageBox::AcceptRole);
    QPushButton *pair = box.addButton(Texts::ImportKindPair, QMessageBox::AcceptRole);
    box.setEscapeButton(box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole));
    box.setDefaultButton(easyRsa);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    const auto options = QFileDialog::DontUseNativeDialog;
    if (box.clickedButton() == easyRsa) {
        in.source = TImportSource::EasyRsa;
        in.pkiDir = QFileDialog::getExistingDirectory(window_, Texts::ImportEasyRsaCaption, QString(),
                                                      options | QFileDialog::ShowDirsOnly);
        return !in.pkiDir.isEmpty();
    }
    if (box.clickedButton() != pair)
        return false;
    in.source = TImportSource::KeyAndCertificate;
    in.key = QFileDialog::getOpenFileName(window_, Texts::ImportKeyCaption, QString(), Texts::ImportPemFilter, nullptr,
                                          options);
    if (in.key.isEmpty())
        return false;
    in.cert = QFileDialog::getOpenFileName(window_, Texts::ImportCertCaption, QFileInfo(in.key).path(),
                                           Texts::ImportPemFilter, nullptr, options);
    return !in.cert.isEmpty();
}

bool TCaImport::AskText(const QString &prompt, bool secret, QString *text)
{
    bool ok = false;
    *text = QInputDialog::getText(window_, QStringLiteral("Tarvik"), prompt,
                                  secret ? QLineEdit::Password : QLineEdit::Normal, QString(), &ok);
    return ok;
}
