#pragma once
#include <QString>
#include <QStringList>

// The names a server certificate answers to, as subjectAltName entries: "DNS:name" or
// "IP:address" (addresses in canonical form).

inline constexpr qsizetype kMaxAltNames = 100;

struct TAltNames
{
    QStringList entries;
    QString refusal; // empty when every name passed
};

// The server's own name first, then each further name once (without regard to case).
// Further names are separated by blanks or commas; each must be a DNS name (letters,
// digits and inner "-" in dot-separated labels, an optional leading "*.", a single label
// allowed) or an IPv4 or IPv6 address. Anything else refuses the whole list, quoting it.
TAltNames ServerAltNames(const QString &serverName, const QString &typed);

// One entry for a name or an address; empty when it is neither.
QString AltNameEntry(const QString &name);
