// How near the selected CA, its certificates and its CRL are to their end: colours and
// tool tips in the revocation lists, the page's summary, and a warning on selection.
#include "Unit1.h"
#include "ui_Unit1.h"

#include "pki/CaChain.h"
#include "pki/CaLayout.h"
#include "pki/Expiry.h"
#include "pki/IndexFile.h"
#include "pki/PemDates.h"
#include "pki/Texts.h"

#include <QHelpEvent>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcExpiry, "tarvik.expiry")

namespace {

const QColor kExpiredColour(0x80, 0x80, 0x80);
const QColor kSoonColour(0xd0, 0x70, 0x00);
const QString kAlertStyle = QStringLiteral("color:#c00000");
// The serial of the certificate that replaced a line's, kept for its tool tip.
constexpr int kReplacedByRole = Qt::UserRole + 1;

// Fills one list with its lines, each coloured by how near its end it is; answers how
// many end within the warning window. Tool tips are worded when asked for: a CA with
// 100,000 certificates would wait a second for them.
int FillList(QListWidget *list, const QStringList &lines, const QDateTime &now,
             const QHash<qsizetype, QString> &replaced = {})
{
    // Clearing and filling must not pick a line: a pick fills the serial to revoke.
    const QSignalBlocker blockList(list);
    list->clear();
    QStringList shown;
    shown.reserve(lines.size());
    for (const QString &line : lines)
        shown.append(DecodeIndexText(line));
    list->addItems(shown);
    int soon = 0;
    {
        // Thousands of lines: one repaint below instead of one per change.
        const QSignalBlocker blockModel(list->model());
        for (int i = 0; i < list->count(); ++i) {
            if (const auto it = replaced.constFind(i); it != replaced.constEnd()) {
                list->item(i)->setData(kReplacedByRole, *it);
                list->item(i)->setForeground(kExpiredColour);
                continue;
            }
            switch (ExpiryOf(IndexLineExpiry(lines[i]), now)) {
            case TExpiry::Passed:
                list->item(i)->setForeground(kExpiredColour);
                break;
            case TExpiry::Soon:
                list->item(i)->setForeground(kSoonColour);
                ++soon;
                break;
            case TExpiry::Far:
                break;
            }
        }
    }
    list->viewport()->update();
    return soon;
}

} // namespace

bool TForm1::ExplainIndexLine(QListWidget *list, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    QListWidgetItem *item = list->itemAt(static_cast<QHelpEvent *>(event)->pos());
    if (item && item->toolTip().isEmpty())
        item->setToolTip(IndexLineTip(item->text(), QDateTime::currentDateTimeUtc(),
                                      item->data(kReplacedByRole).toString()));
    return false; // the list shows the tip
}

int TForm1::ShowRevocationLists(const TIndexLists &lists)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const int soon = FillList(ui->cxListBox1, lists.valid, now, ReplacedLines(lists.valid));
    FillList(ui->cxListBox2, lists.revoked, now);
    return soon;
}

void TForm1::ShowExpirySummary(const QString &ca, int soonCount, const QStringList &revokedLines)
{
    const TCrlContent crl = ReadCrl(CaLayout::Crl(ca));
    QList<TSummaryPart> parts =
        ExpirySummary(CertificateNotAfter(CaLayout::CaCert(ca)), crl.nextUpdate, soonCount,
                      QDateTime::currentDateTimeUtc(), UnpublishedRevocations(revokedLines, crl));
    if (const QString issuer = IssuerOf(ca); !issuer.isEmpty())
        parts.prepend({Texts::IssuedBy(issuer)});
    QStringList html;
    for (const TSummaryPart &part : parts) {
        const QString text = part.text.toHtmlEscaped();
        html.append(part.alert ? QStringLiteral("<span style=\"%1\">%2</span>").arg(kAlertStyle, text) : text);
    }
    ui->lblExpiry->setText(html.join(QStringLiteral(" · ")));
}

void TForm1::WarnOfExpiry(const QString &ca)
{
    if (ca.isEmpty() || expiryWarned_.contains(ca))
        return;
    QStringList revoked;
    try {
        revoked = ReadIndexLists(ca).revoked;
    } catch (const std::exception &error) {
        qCDebug(lcExpiry) << "no database to compare with the CRL of" << ca << ":" << error.what();
    }
    const TCrlContent crl = ReadCrl(CaLayout::Crl(ca));
    const QString warning = CaExpiryWarning(ca, CertificateNotAfter(CaLayout::CaCert(ca)), crl.nextUpdate,
                                            QDateTime::currentDateTimeUtc(), UnpublishedRevocations(revoked, crl));
    if (warning.isEmpty())
        return;
    expiryWarned_.insert(ca);
    qCInfo(lcExpiry) << "CA" << ca << "needs care: its certificate or CRL ends, or its CRL lacks revocations";
    boxes_->Message(warning);
}
