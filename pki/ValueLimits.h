#pragma once
#include "pki/CaFiles.h"

#include <QDateTime>
#include <QString>

// The lengths and dates the tool refuses, checked before anything is written so that a
// run never fails half-way on them.

// The refusal of the first subject value over its limit, naming its field; empty when
// all fit. commonName is what the certificate will be called, worded by commonCaption.
QString SubjectRefusal(const TSubject &subject, const QString &commonName, const QString &commonCaption);

// The refusal of a common name over the limit, worded by caption; empty when it fits.
QString CommonNameRefusal(const QString &commonName, const QString &caption);

// The refusal of a CA address the tool cannot store (it writes an e-mail address as
// IA5String: ASCII only), with the reason; empty when it can. Save and every run ask it.
QString CaEmailRefusal(const QString &email);

// The refusal of a validity whose end would pass 31 December 9999; empty when it fits.
QString EndDateRefusal(const QString &days, const QDateTime &now);
