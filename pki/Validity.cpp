#include "pki/Validity.h"

#include <QRegularExpression>

namespace {
constexpr int kMonthDays = 30;
constexpr int kYearDays = 360;
} // namespace

QString ValidityDays(const QString &typed)
{
    static const QRegularExpression duration(QStringLiteral("^\\s*(\\d{1,4})\\s*(mois|ans?)\\s*$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = duration.match(typed);
    const int count = match.hasMatch() ? match.captured(1).toInt() : 0;
    if (count <= 0)
        return QString();
    const bool months = match.captured(2).compare(QStringLiteral("mois"), Qt::CaseInsensitive) == 0;
    return QString::number(count * (months ? kMonthDays : kYearDays));
}

QString ValidityText(const QString &days)
{
    bool ok = false;
    const int count = days.toInt(&ok);
    if (!ok || count <= 0 || days != QString::number(count))
        return QString();
    if (count % kYearDays == 0)
        return count == kYearDays ? QStringLiteral("1 an") : QStringLiteral("%1 ans").arg(count / kYearDays);
    if (count % kMonthDays == 0)
        return QStringLiteral("%1 mois").arg(count / kMonthDays);
    return QString();
}
