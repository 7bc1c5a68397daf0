#include "pki/AltNames.h"

#include "pki/CaName.h"
#include "pki/Texts.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <arpa/inet.h>

namespace {

// Four decimal parts: Qt also reads "10.1" or "0x0a.1", which no one means as an address.
bool IsDottedQuad(const QString &text)
{
    static const QRegularExpression quad(QStringLiteral("^(25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)"
                                                        "(\\.(25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)){3}$"));
    return quad.match(text).hasMatch();
}

// The address as RFC 5952 writes it; empty for anything that is not one address.
QString CanonicalAddress(int family, const QString &text)
{
    unsigned char bytes[16];
    char canonical[INET6_ADDRSTRLEN];
    const QByteArray latin = text.toLatin1();
    if (::inet_pton(family, latin.constData(), bytes) != 1
        || !::inet_ntop(family, bytes, canonical, sizeof canonical))
        return QString();
    return QString::fromLatin1(canonical);
}

} // namespace

QString AltNameEntry(const QString &name)
{
    if (IsDottedQuad(name))
        return QStringLiteral("IP:") + CanonicalAddress(AF_INET, name);
    if (name.contains(u':')) {
        // An IPv6 address, without brackets, port or zone.
        const QString address = CanonicalAddress(AF_INET6, name);
        return address.isEmpty() ? QString() : QStringLiteral("IP:") + address;
    }
    // An all-digit last label reads as a mistyped address (10.1, 10.0.0.256), never a name.
    const QString last = name.section(u'.', -1);
    const bool numeric = std::all_of(last.cbegin(), last.cend(), [](QChar c) { return c.isDigit(); });
    if (!numeric && IsValidHostName(name, name))
        return QStringLiteral("DNS:") + name;
    return QString();
}

TAltNames ServerAltNames(const QString &serverName, const QString &typed)
{
    TAltNames names;
    names.entries << QStringLiteral("DNS:") + serverName;
    QSet<QString> seen{names.entries.first().toLower()};
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    for (const QString &name : typed.split(separators, Qt::SkipEmptyParts)) {
        const QString entry = AltNameEntry(name);
        if (entry.isEmpty()) {
            names.refusal = Texts::InvalidAltName(name);
            return names;
        }
        if (seen.contains(entry.toLower()))
            continue;
        seen.insert(entry.toLower());
        names.entries << entry;
        if (names.entries.size() > kMaxAltNames) {
            names.refusal = Texts::TooManyAltNames(kMaxAltNames);
            return names;
        }
    }
    return names;
}
