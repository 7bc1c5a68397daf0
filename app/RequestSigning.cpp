#include "RequestSigning.h"

#include "Boxes.h"
#include "pki/CertificateRequest.h"
#include "pki/Texts.h"

#include <QFileDialog>

bool ChooseRequestToSign(QWidget *parent, TBoxes &boxes, TOperationInput &in)
{
    // Qt's own dialog looks the same on every desktop, and tests can answer it.
    const QString path = QFileDialog::getOpenFileName(parent, Texts::SignRequestCaption, QString(),
                                                      Texts::RequestFileFilter, nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return false;
    const bool server = in.kind == TOperationKind::SignServerRequest;
    const TRequestInspection request = InspectRequest(in.tool, path, server ? TCertKind::Server : TCertKind::User);
    if (!request.refusal.isEmpty()) {
        boxes.Message(request.refusal);
        return false;
    }
    const QString question = TakeInspectedRequest(in, request);
    // A name the CA's domain leaves out is refused before the question.
    if (const QString refusal = InvalidNameRefusal(in); !refusal.isEmpty()) {
        boxes.Message(refusal);
        return false;
    }
    return boxes.Confirm(question, TDefaultButton::Ok);
}
