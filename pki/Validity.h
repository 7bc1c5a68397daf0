#pragma once
#include <QString>

// A lifetime as the validity pickers word it: a month counts 30 days, a year 360.

// The days of a duration typed as "N mois", "N an" or "N ans" (any case, N from 1 to
// 9999); empty for any other text, which names no duration.
QString ValidityDays(const QString &typed);
// How a picker words a number of days: in years when they are whole years ("2 ans"),
// else in months ("18 mois"); empty when they are neither.
QString ValidityText(const QString &days);
