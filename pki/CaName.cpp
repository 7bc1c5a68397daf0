#include "pki/CaName.h"

#include "pki/CaLayout.h"
#include "settings/SettingsKeys.h"

#include <QFileInfo>
#include <QStringList>

namespace {

// "{ca}.crl.crt" must fit a file name of 255 bytes.
constexpr qsizetype kMaxCaName = 247;
constexpr qsizetype kMaxLabel = 63;
constexpr qsizetype kMaxDnsName = 253;
// "{name}.p12" must fit a file name of 255 bytes.
constexpr qsizetype kMaxUserNameBytes = 251;

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

} // namespace

bool IsValidCaName(const QString &name)
{
    if (name.isEmpty() || name.size() > kMaxCaName || name.front() == u'.' || name.front() == u'-')
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
        || name.toUtf8().size() > kMaxUserNameBytes)
        return false;
    if (name.front().isSpace() || name.back().isSpace())
        return false;
    return std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.isPrint() || c.isSurrogate(); });
}

bool IsValidSerial(const QString &serial)
{
    return !serial.isEmpty() && std::all_of(serial.cbegin(), serial.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
    });
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
