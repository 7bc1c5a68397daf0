#pragma once
#include "pki/CaFiles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// A certificate request made elsewhere, as read by the tool before Tarvik signs it. Only
// the request's common name, names and e-mail address are taken from it; everything else
// the signed certificate holds is Tarvik's.

inline constexpr qint64 kMaxRequestBytes = 64 * 1024;

struct TRequestInspection
{
    QString commonName;
    QStringList altNames; // server: subjectAltName entries, the common name first
    QString email;        // empty when the request names none
    QString key;          // "RSA 2048 bits", "EC P-256"
    QByteArray pem;       // the request itself, in PEM
    QString refusal;      // empty when the request may be signed
};

// Reads the request at path with the tool (PEM or DER), checks its self-signature, its key
// and its names against the rules of a certificate of the kind. Writes nothing.
TRequestInspection InspectRequest(const QString &tool, const QString &path, TCertKind kind);
