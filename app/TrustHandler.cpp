#include "TrustHandler.h"

#include "Unit1.h"
#include "pki/Texts.h"
#include "pki/Trust.h"

#include <QDir>

void TTrustHandler::btTrustCAClick()
{
    const QString ca = form_.CaName();
    if (ca.isEmpty()) {
        form_.Boxes().Message(Texts::NoCaSelected);
        return;
    }
    const QString certutil = CertutilPath();
    if (certutil.isEmpty()) {
        form_.Boxes().Message(Texts::CertutilMissing);
        return;
    }
    const TTrustJob job{form_.ToolPath(), ca, false};
    QStringList lines{Texts::TrustReport(ca)};
    const QString derFailure = EnsureCaCertDer(job.tool, ca);
    // Without a certificate there is nothing to install.
    if (derFailure == Texts::NoCaCertificate(TrustAnchorCa(ca))) {
        form_.Boxes().Message(derFailure);
        return;
    }
    bool failed = !derFailure.isEmpty();
    if (failed)
        lines << derFailure;
    for (const TTrustOutcome &outcome : TrustUserStores(job, certutil, QDir::homePath())) {
        lines << OutcomeLine(outcome);
        failed = failed || outcome.failed;
    }
    lines << QString() << Texts::SystemStoreHint(SudoTrustLine(form_.ProgDir(), ca, false));
    if (failed)
        form_.Boxes().Error(lines.join(u'\n'));
    else
        form_.Boxes().Message(lines.join(u'\n'));
}
