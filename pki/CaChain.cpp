#include "pki/CaChain.h"

#include "pki/CaLayout.h"
#include "pki/CaName.h"
#include "pki/IndexFile.h"
#include "pki/Expiry.h"
#include "pki/PemDates.h"
#include "pki/RegularFile.h"
#include "pki/Texts.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cerrno>

Q_LOGGING_CATEGORY(lcChain, "tarvik.chain")

namespace {
// An issuing CA may sign no CA, so a chain has two CAs; a few more only guard against
// files edited by hand that would make the CAs sign each other in a circle.
constexpr int kMaxChain = 4;
} // namespace

QString IssuerOf(const QString &ca)
{
    QByteArray text;
    int error = 0;
    if (!ReadRegularFile(CaLayout::IssuerName(ca), text, &error, 1024)) {
        if (error != ENOENT)
            qCWarning(lcChain) << "cannot read the issuer of" << ca << "error" << error;
        return QString();
    }
    const QString issuer = QString::fromUtf8(text).trimmed();
    if (!IsValidCaName(issuer)) {
        qCWarning(lcChain) << "the issuer named for" << ca << "is no CA name";
        return QString();
    }
    return issuer;
}

QStringList ChainOf(const QString &ca)
{
    QStringList chain{ca};
    for (QString issuer = IssuerOf(ca); !issuer.isEmpty() && !chain.contains(issuer) && chain.size() < kMaxChain;
         issuer = IssuerOf(issuer))
        chain << issuer;
    return chain;
}

QString RootCaOf(const QString &ca)
{
    return ChainOf(ca).last();
}

QString CaCertificates(const QString &ca)
{
    return IssuerOf(ca).isEmpty() ? CaLayout::CaCert(ca) : CaLayout::CaChain(ca);
}

QStringList IssuedCasInForce(const QString &ca, const QDateTime &now)
{
    QStringList valid;
    try {
        for (const QString &line : ReadIndexLists(ca).valid)
            valid << ParseIndexLine(line).serial;
    } catch (const std::exception &e) {
        qCDebug(lcChain) << "no database for" << ca << ":" << e.what();
        return {};
    }
    QStringList issued;
    for (const QString &dir : QDir().entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (dir == ca || !QFileInfo::exists(CaLayout::IssuerName(dir)) || IssuerOf(dir) != ca)
            continue;
        const QString cert = CaLayout::CaCert(dir);
        if (CertificateNotAfter(cert) > now && valid.contains(CertificateSerial(cert)))
            issued << dir;
    }
    return issued;
}

QList<QStringList> DomainLimitsOf(const QString &ca)
{
    QList<QStringList> limits;
    for (const QString &above : ChainOf(ca))
        if (const QStringList permitted = PermittedDnsNames(CaLayout::CaCert(above)); !permitted.isEmpty())
            limits << permitted;
    return limits;
}

bool InDomains(const QString &dnsName, const QStringList &domains)
{
    QString name = dnsName.toLower();
    if (name.startsWith(QStringLiteral("*.")))
        name.remove(0, 2);
    for (QString domain : domains) {
        domain = domain.toLower();
        if (domain.startsWith(u'.'))
            domain.remove(0, 1);
        if (domain.isEmpty() || name == domain || name.endsWith(u'.' + domain))
            return true;
    }
    return false;
}

QString OutsideDomainRefusal(const QString &ca, const QStringList &names)
{
    const QList<QStringList> limits = DomainLimitsOf(ca);
    for (const QString &entry : names) {
        if (entry.startsWith(QStringLiteral("IP:")))
            continue;
        const QString name = entry.startsWith(QStringLiteral("DNS:")) ? entry.mid(4) : entry;
        for (const QStringList &domains : limits)
            if (!InDomains(name, domains))
                return Texts::OutsideCaDomain(name, domains);
    }
    return QString();
}
