#include "pki/CaLayout.h"

#include <QFileInfo>

#include <algorithm>
#include <initializer_list>

namespace CaLayout {

QString RootConfig(const QString &ca) { return ca + QStringLiteral("/root-ca.cnf"); }
QString RequestConfig(const QString &ca) { return ca + QStringLiteral("/user-cert.cnf"); }
QString SigningConfig(const QString &ca) { return ca + QStringLiteral("/ca-sign.cnf"); }
QString Index(const QString &ca) { return ca + QStringLiteral("/index.txt"); }
QString Serial(const QString &ca) { return ca + QStringLiteral("/serial.txt"); }
QString CrlNumber(const QString &ca) { return ca + QStringLiteral("/crlnumber"); }
QString CertsDir(const QString &ca) { return ca + QStringLiteral("/certs"); }
QString CrlDir(const QString &ca) { return ca + QStringLiteral("/crl"); }
QString NewCertsDir(const QString &ca) { return ca + QStringLiteral("/newcerts"); }
QString PrivateDir(const QString &ca) { return ca + QStringLiteral("/private"); }
QString CaKey(const QString &ca) { return PrivateDir(ca) + QStringLiteral("/ca.key"); }
QString CaCert(const QString &ca) { return PrivateDir(ca) + QStringLiteral("/ca.crt"); }
QString CaCertDer(const QString &ca) { return PrivateDir(ca) + QStringLiteral("/ca.cer"); }
QString CaRequest(const QString &ca) { return PrivateDir(ca) + QStringLiteral("/ca.csr"); }
QString IssuerName(const QString &ca) { return ca + QStringLiteral("/issuer.txt"); }
QString CaChain(const QString &ca) { return PrivateDir(ca) + QStringLiteral("/ca-chain.pem"); }
QString Crl(const QString &ca) { return CrlDir(ca) + u'/' + ca + QStringLiteral(".crl.crt"); }
QString CrlDer(const QString &ca) { return CrlDir(ca) + u'/' + ca + QStringLiteral(".crl"); }
QString CertDir(const QString &ca, const QString &name) { return CertsDir(ca) + u'/' + name; }
QString CertKey(const QString &ca, const QString &name) { return CertDir(ca, name) + QStringLiteral("/user.key"); }
QString CertRequest(const QString &ca, const QString &name) { return CertDir(ca, name) + QStringLiteral("/user.csr"); }
QString CertFile(const QString &ca, const QString &name) { return CertDir(ca, name) + QStringLiteral("/user.crt"); }
QString Pkcs12(const QString &ca, const QString &name) { return CertDir(ca, name) + u'/' + name + QStringLiteral(".p12"); }
QString Chain(const QString &ca, const QString &name) { return CertDir(ca, name) + u'/' + name + QStringLiteral("-chain.pem"); }
QString IssuedBySerial(const QString &ca, const QString &serial) { return NewCertsDir(ca) + u'/' + serial + QStringLiteral(".pem"); }
QString Pending(const QString &path) { return path + QStringLiteral(".new"); }
QString CommitJournal(const QString &ca) { return ca + QStringLiteral("/commit.journal"); }
QString Previous(const QString &path) { return path + QStringLiteral(".prev"); }

namespace {

// What the file names add to the one-character name "x".
qsizetype LongestExtra(std::initializer_list<QString> paths)
{
    qsizetype longest = 0;
    for (const QString &path : paths)
        longest = std::max(longest, QFileInfo(path).fileName().toUtf8().size() - 1);
    return longest;
}

} // namespace

qsizetype CaNameExtraBytes()
{
    const QString x = QStringLiteral("x");
    return LongestExtra({Pending(Crl(x)), Pending(CrlDer(x))});
}

qsizetype CertNameExtraBytes()
{
    const QString x = QStringLiteral("x");
    return LongestExtra({Pending(Pkcs12(x, x)), Pending(Chain(x, x))});
}

} // namespace CaLayout
