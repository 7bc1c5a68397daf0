#pragma once
#include <QString>
#include <QStringList>

// What issuing the successor of a certificate takes, read from the certificate itself.

struct TRenewal
{
    bool server = false;
    QString name;     // the host part (server) or the user name, as the page takes it
    QString altNames; // a server's further names, separated by blanks
    QString email;    // the subject's address
    bool readable = false;
    // The certificate of a CA this CA signed: renewed by creating that CA again.
    bool caCertificate = false;
};

// The tool's arguments that describe certFile in the form RenewalOf reads.
QStringList DescribeCertificateArguments(const QString &certFile);

// description is the tool's output for those arguments; suffix is "." + the CA name,
// which a server's common name must end with.
TRenewal RenewalOf(const QString &description, const QString &suffix);
// The same, read from certFile with the tool; not readable when the tool could not say.
TRenewal ReadRenewal(const QString &tool, const QString &certFile, const QString &suffix);
