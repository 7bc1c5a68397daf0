#include "pki/CaName.h"

#include "pki/CaLayout.h"
#include "settings/SettingsKeys.h"

#include <QFileInfo>
#include <QUrl>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <iterator>

namespace {

// Every file named after the CA or a certificate, "{ca}.crl.crt.new" or
// "{name}-chain.pem.new", must fit a file name.
qsizetype MaxCaName() { return NAME_MAX - CaLayout::CaNameExtraBytes(); }
qsizetype MaxUserNameBytes() { return NAME_MAX - CaLayout::CertNameExtraBytes(); }
constexpr qsizetype kMaxLabel = 63;
constexpr qsizetype kMaxDnsName = 253;

bool IsAsciiAlnum(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9');
}

bool LabelsFit(const QString &name, qsizetype maxLabel)
{
    for (const QString &label : name.split(u'.'))
        if (label.size() > maxLabel)
            return false;
    return true;
}

bool IsDnsLabel(const QString &label)
{
    if (label.isEmpty() || label.size() > kMaxLabel || label.front() == u'-' || label.back() == u'-')
        return false;
    return std::all_of(label.cbegin(), label.cend(), [](QChar c) { return IsAsciiAlnum(c) || c == u'-'; });
}

// Characters that show nothing (Unicode's Default_Ignorable_Code_Point) yet make a name
// differ from the one it looks like.
bool IsDefaultIgnorable(char32_t u)
{
    static constexpr std::pair<char32_t, char32_t> kRanges[] = {
        {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C}, {0x115F, 0x1160},   {0x17B4, 0x17B5},
        {0x180B, 0x180F}, {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x206F},   {0x3164, 0x3164},
        {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8},   {0x1BCA0, 0x1BCA3},
        {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
    };
    return std::any_of(std::begin(kRanges), std::end(kRanges),
                       [u](const auto &r) { return u >= r.first && u <= r.second; });
}

bool IsVisibleUserChar(char32_t u)
{
    if (u == u' ')
        return true;
    switch (QChar::category(u)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return !IsDefaultIgnorable(u) && QChar::isPrint(u);
    }
}

} // namespace

bool IsValidNewCaName(const QString &name)
{
    if (!IsValidCaName(name))
        return false;
    const QStringList labels = name.split(u'.');
    return std::all_of(labels.cbegin(), labels.cend(), IsDnsLabel);
}

bool IsValidCaName(const QString &name)
{
    if (name.isEmpty() || name.size() > MaxCaName() || name.front() == u'.' || name.front() == u'-')
        return false;
    // The settings file's own sections cannot also be a CA's.
    if (name.compare(SettingsKeys::Domaine, Qt::CaseInsensitive) == 0
        || name.compare(SettingsKeys::Path, Qt::CaseInsensitive) == 0)
        return false;
    const bool charsOk = std::all_of(name.cbegin(), name.cend(),
                                     [](QChar c) { return IsAsciiAlnum(c) || c == u'.' || c == u'-' || c == u'_'; });
    return charsOk && LabelsFit(name, kMaxLabel);
}

bool IsValidHostName(const QString &host, const QString &fullName)
{
    if (host.isEmpty() || fullName.size() > kMaxDnsName)
        return false;
    QString labels = host;
    if (labels == u'*')
        return true;
    if (labels.startsWith(QStringLiteral("*.")))
        labels.remove(0, 2);
    const QStringList parts = labels.split(u'.');
    return std::all_of(parts.cbegin(), parts.cend(), IsDnsLabel);
}

bool IsValidUserName(const QString &name)
{
    if (name.isEmpty() || name == u'.' || name == QStringLiteral("..") || name.contains(u'/')
        || name.toUtf8().size() > MaxUserNameBytes())
        return false;
    if (name.front() == u' ' || name.back() == u' ')
        return false;
    // A lone surrogate decodes to U+FFFD, which the check below would pass.
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    // The tool cannot write a character beyond the Basic Multilingual Plane into a
    // certificate's name: it would fail only after the CA had signed.
    const QList<uint> points = name.toUcs4();
    return std::all_of(points.cbegin(), points.cend(),
                       [](uint u) { return u <= 0xFFFF && IsVisibleUserChar(char32_t(u)); });
}

bool IsValidSerial(const QString &serial)
{
    return !serial.isEmpty() && std::all_of(serial.cbegin(), serial.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
    });
}

namespace {

// Printable ASCII without the characters that would end or quote a value in the
// signing configuration or in the extension's list.
bool IsPlainAscii(const QString &text, QStringView forbidden)
{
    return std::all_of(text.cbegin(), text.cend(), [forbidden](QChar c) {
        return c.unicode() > 0x20 && c.unicode() < 0x7f && !forbidden.contains(c);
    });
}

} // namespace

bool IsValidEmailAddress(const QString &address)
{
    constexpr qsizetype kMaxEmail = 128;
    const qsizetype at = address.indexOf(u'@');
    return address.size() <= kMaxEmail && at > 0 && at == address.lastIndexOf(u'@') && at + 1 < address.size()
           && IsPlainAscii(address, u"\"'`,");
}

bool IsValidCrlUrl(const QString &url)
{
    constexpr qsizetype kMaxUrl = 512;
    if (url.size() > kMaxUrl || !IsPlainAscii(url, u"\"'`,\\"))
        return false;
    const QUrl parsed(url, QUrl::StrictMode);
    return parsed.isValid() && (parsed.scheme() == u"http" || parsed.scheme() == u"https")
           && !parsed.host().isEmpty() && url.startsWith(parsed.scheme() + QStringLiteral("://"));
}

QString CanonicalSerial(const QString &serial)
{
    const QString upper = serial.toUpper();
    return upper.size() % 2 ? u'0' + upper : upper;
}

bool CaDatabaseExists(const QString &progDir, const QString &ca)
{
    return !ca.isEmpty() && QFileInfo(progDir + CaLayout::Index(ca)).isFile();
}
