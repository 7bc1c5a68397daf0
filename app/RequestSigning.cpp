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
    in.name = request.commonName;
    in.request = request.pem;
    in.requestAltNames = request.altNames;
    in.email = request.email;
    // A name the CA's domain leaves out is refused before the question.
    if (const QString refusal = InvalidNameRefusal(in); !refusal.isEmpty()) {
        boxes.Message(refusal);
        return false;
    }
    const QStringList shown = server ? request.altNames : QStringList(request.email.isEmpty() ? in.subject.email : request.email);
    return boxes.Confirm(Texts::SignRequestQuestion(request.commonName, shown, request.key, in.days));
}
