#pragma once
#include <QString>

// Where each file of a CA lives. Paths are relative to the working directory (the
// program directory), as the command lines and configuration files use them; prefix
// them with the program directory for the absolute form.
namespace CaLayout {

QString RootConfig(const QString &ca);    // root-ca.cnf
QString RequestConfig(const QString &ca); // user-cert.cnf
QString SigningConfig(const QString &ca); // ca-sign.cnf
QString Index(const QString &ca);         // the tool's database
QString Serial(const QString &ca);
QString CrlNumber(const QString &ca);
QString CertsDir(const QString &ca);
QString CrlDir(const QString &ca);
QString NewCertsDir(const QString &ca);
QString PrivateDir(const QString &ca);
QString CaKey(const QString &ca);
QString CaCert(const QString &ca);
// The same certificate in DER, the form Windows and Android import, beside the PEM one.
QString CaCertDer(const QString &ca);
// A CA signed by another CA of the program directory: its request, the name of its
// issuer, and its certificate followed by the issuer's (what clients need to build the
// path to the root).
QString CaRequest(const QString &ca);
QString IssuerName(const QString &ca);
QString CaChain(const QString &ca);
QString Crl(const QString &ca);
// The same CRL in DER, the form clients fetch from the CA's CRL address.
QString CrlDer(const QString &ca);
// The certificate issued for {name} (a host or a user) and the files of its folder.
QString CertDir(const QString &ca, const QString &name);
QString CertKey(const QString &ca, const QString &name);
QString CertRequest(const QString &ca, const QString &name);
QString CertFile(const QString &ca, const QString &name);
QString Pkcs12(const QString &ca, const QString &name);
// The certificate followed by the CA certificate, for {name}'s server or device.
QString Chain(const QString &ca, const QString &name);
// The copy of an issued certificate that the tool keeps under its serial.
QString IssuedBySerial(const QString &ca, const QString &serial);
// Where a run writes a file before it has succeeded, beside the file itself.
QString Pending(const QString &path);
// The renames of a commit under way, written before the first and removed after the last,
// so that a commit a crash interrupted is finished at the next start.
QString CommitJournal(const QString &ca);
// Where a replaced CA key or certificate is kept, once.
QString Previous(const QString &path);

// The most bytes that the names of the files above add to the CA's name, and to a
// certificate's name in its folder, pending names included: both must fit NAME_MAX.
qsizetype CaNameExtraBytes();
qsizetype CertNameExtraBytes();

} // namespace CaLayout
