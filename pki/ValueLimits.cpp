#include "pki/ValueLimits.h"

#include "pki/Texts.h"

#include <algorithm>
#include <tuple>

namespace {

// X.520 upper bounds, in characters, as the tool counts them.
constexpr qsizetype kMaxCommonName = 64;
constexpr qsizetype kMaxOrganisation = 64;
constexpr qsizetype kMaxUnit = 64;
constexpr qsizetype kMaxLocality = 128;
constexpr qsizetype kMaxEmail = 128;

qsizetype Characters(const QString &text)
{
    return text.toUcs4().size();
}

} // namespace

QString CaEmailRefusal(const QString &email)
{
    const bool ascii = std::all_of(email.cbegin(), email.cend(), [](QChar c) { return c >= u' ' && c <= u'~'; });
    return ascii ? QString() : Texts::CaEmailNotAscii(email);
}

QString SubjectRefusal(const TSubject &s, const QString &commonName, const QString &commonCaption)
{
    const bool twoLetters = s.country.size() == 2 && std::all_of(s.country.cbegin(), s.country.cend(), [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    });
    if (!twoLetters)
        return Texts::BadCountryCode;
    const std::tuple<const QString &, const char *, qsizetype> fields[] = {
        {s.email, "email", kMaxEmail},
        {s.province, "Nom province", kMaxLocality},
        {s.city, "Nom ville", kMaxLocality},
        {s.company, "Nom Sociétée", kMaxOrganisation},
        {s.service, "Nom Service", kMaxUnit},
    };
    for (const auto &[value, caption, limit] : fields)
        if (Characters(value) > limit)
            return Texts::FieldTooLong(QString::fromUtf8(caption), limit);
    if (const QString refusal = CaEmailRefusal(s.email); !refusal.isEmpty())
        return refusal;
    return CommonNameRefusal(commonName, commonCaption);
}

QString CommonNameRefusal(const QString &commonName, const QString &caption)
{
    return Characters(commonName) > kMaxCommonName ? Texts::CommonNameTooLong(caption, kMaxCommonName) : QString();
}

QString EndDateRefusal(const QString &days, const QDateTime &now)
{
    static const QDateTime kLastEnd(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC);
    if (now.addDays(days.toLongLong()) > kLastEnd)
        return Texts::EndsAfter9999;
    return QString();
}
