#pragma once
#include "pki/Expiry.h"
#include "pki/Operation.h"

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

// A certificate being renewed, from the moment its page is filled until its successor
// is issued: then it may be revoked.
struct TRenewed
{
    QString ca;
    bool server = false;
    QString name; // as the page takes it
    TIndexEntry old;
    // Whether in issues the successor: the same CA, kind and name.
    bool SucceededBy(const TOperationInput &in) const;
};

// The certificate in force in the CA's database that carries serial (as typed: "1" is
// "01"); its serial is empty when there is none. Raises Exception when the database
// cannot be read, as ReadIndexLists.
TIndexEntry InForceBySerial(const QString &ca, const QString &serial);
// The question before revoking serial, naming the certificate it is; empty when no
// certificate in force carries it (the tool then says why it cannot revoke it).
QString RevocationQuestion(const QString &ca, const QString &serial);
// The offer, once the successor is issued, to revoke the certificate it replaces.
QString RevokeReplacedQuestion(const TRenewed &renewed);
