#pragma once
#include "pki/Import.h"

#include <functional>

class QWidget;
class TBoxes;

// « Importer un CA… »: asks what to import (easy-rsa's folder, or a CA key and certificate)
// in a question box and Qt's own file dialogs, the new CA's name and the pass phrase, then
// imports it through pki/Import and shows the outcome. The window is told of a CA imported,
// to select it and publish its CRL.
class TCaImport
{
public:
    using TImported = std::function<void(const TImportInput &in)>;
    TCaImport(QWidget *window, TBoxes &boxes, TImported imported);

    // typedName is « Nouveau CA »: the name when filled, otherwise it is asked for.
    void Run(const QString &tool, const QString &progDir, const QString &typedName);

private:
    bool ChooseSource(TImportInput &in);
    bool AskText(const QString &prompt, bool secret, QString *text);

    QWidget *window_;
    TBoxes &boxes_;
    TImported imported_;
};
