#include "Boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
QWidget *BoxParent()
{
    return QApplication::activeWindow();
}

// Names typed by the user (a user called "<b>x") are shown as typed, never as markup.
void Plain(QMessageBox &box)
{
    box.setTextFormat(Qt::PlainText);
}
} // namespace

void TQtBoxes::Message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tarvik"), text, QMessageBox::NoButton, BoxParent());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    Plain(box);
    box.exec();
}

bool TQtBoxes::Confirm(const QString &text, TDefaultButton byDefault)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmation"), text, QMessageBox::NoButton, BoxParent());
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    box.setDefaultButton(byDefault == TDefaultButton::Ok ? ok : cancel);
    box.setEscapeButton(cancel);
    Plain(box);
    box.exec();
    return box.clickedButton() == ok;
}

void TQtBoxes::Error(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tarvik"), text, QMessageBox::NoButton, BoxParent());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    Plain(box);
    box.exec();
}

QString ErrorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}
