#include "Boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
QWidget *BoxParent()
{
    return QApplication::activeWindow();
}
} // namespace

void TQtBoxes::Message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tarvik"), text, QMessageBox::NoButton, BoxParent());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

bool TQtBoxes::Confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmation"), text, QMessageBox::NoButton, BoxParent());
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == ok;
}

void TQtBoxes::Error(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tarvik"), text, QMessageBox::NoButton, BoxParent());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

QString ErrorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}
