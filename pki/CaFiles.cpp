#include "pki/CaFiles.h"

#include "pki/CaLayout.h"
#include "settings/AtomicFile.h"
#include "settings/IniFile.h"

#include <QFile>
#include <QFileInfo>

#include <initializer_list>
#include <sys/stat.h>
#include <utility>

namespace {

// The CRL number only grows: an existing file is the tool's and stays.
void EnsureCrlNumberIn(const QString &caDir)
{
    const QString path = CaLayout::CrlNumber(caDir);
    if (!QFileInfo::exists(path))
        ReplaceFile(path, "01\r\n");
}

void MakeDirectory(const QString &path)
{
    // An existing or impossible directory is not an error here: the file
    // writes that follow report what matters. The CA's folders hold keys and its
    // database: nobody else needs them, whatever the umask lets through.
    (void)::mkdir(QFile::encodeName(path).constData(), 0700);
}

// Where a certificate's CRL is fetched, as the configuration writes it; empty for none.
QString DistributionPoint(const QString &crlUrl)
{
    return crlUrl.isEmpty() ? QString() : QStringLiteral("URI:") + EscapeConfigValue(crlUrl);
}

void WriteAll(TIniFile &ini, const QString &section, std::initializer_list<std::pair<const char *, QString>> keys)
{
    for (const auto &[key, value] : keys)
        ini.WriteValue(section, QString::fromLatin1(key), value);
}

// The seven subject keys, in the order OpenSSL puts them into the name.
void WriteSubject(TIniFile &ini, const TSubject &s, const QString &commonName)
{
    WriteAll(ini, QStringLiteral("req_distinguished_name"),
             {{"C", EscapeConfigValue(s.country)},
              {"ST", EscapeConfigValue(s.province)},
              {"L", EscapeConfigValue(s.city)},
              {"O", EscapeConfigValue(s.company)},
              {"OU", EscapeConfigValue(s.service)},
              {"CN", EscapeConfigValue(commonName)},
              {"emailAddress", EscapeConfigValue(s.email)}});
}

} // namespace

QString EscapeConfigValue(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size() + 2);
    for (const QChar c : value) {
        if (c == u'\\' || c == u'$' || c == u'#' || c == u'"' || c == u'\'' || c == u'`')
            escaped += u'\\';
        escaped += c;
    }
    // The parser drops blanks at either end of a value unless they stand in quotes.
    if (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()))
        return u'"' + escaped + u'"';
    return escaped;
}

QString UnescapeConfigValue(const QString &value)
{
    // Only a value with blanks at an end is quoted: any other quote stands escaped.
    const bool quoted = value.size() >= 2 && value.front() == u'"' && value.back() == u'"';
    const QStringView body = quoted ? QStringView(value).sliced(1, value.size() - 2) : QStringView(value);
    QString plain;
    plain.reserve(body.size());
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body[i] == u'\\' && i + 1 < body.size())
            ++i;
        plain += body[i];
    }
    return plain;
}

void CreateCaSkeleton(const QString &progDir, const QString &ca)
{
    const QString base = progDir + ca;
    MakeDirectory(base);
    MakeDirectory(CaLayout::CertsDir(base));
    MakeDirectory(CaLayout::CrlDir(base));
    MakeDirectory(CaLayout::NewCertsDir(base));
    MakeDirectory(CaLayout::PrivateDir(base));
    ReplaceFile(CaLayout::Serial(base), "01\r\n");
    ReplaceFile(CaLayout::Index(base), QByteArray());
    EnsureCrlNumberIn(base);
}

void EnsureCrlNumber(const QString &ca)
{
    EnsureCrlNumberIn(ca);
}

void WriteRootTemplate(const QString &progDir, const QString &ca)
{
    static const char *const kLines[] = {
        "[ req ]",
        "default_bits = 2048",
        "default_keyfile = ca.key",
        "distinguished_name = req_distinguished_name",
        "prompt = no",
        "x509_extensions = v3_ca",
        "req_extensions = v3_req",
        "utf8 = yes",
        "string_mask = utf8only",
        "[ req_distinguished_name ]",
        "C = FR",
        "ST = France",
        "L = Paris",
        "O = plimo",
        "OU = plimo si",
        "CN = plimo ca",
        "emailAddress = ca@example.org",
        "[ v3_ca ]",
        "basicConstraints = critical,CA:true",
        "subjectKeyIdentifier = hash",
        // Strict verifiers refuse a CA certificate without it.
        "keyUsage = critical,keyCertSign,cRLSign",
        "[ v3_req ]",
        "nsCertType = objsign,email,server",
    };
    QByteArray content;
    for (const char *line : kLines)
        content += QByteArray(line) + "\r\n";
    ReplaceFile(progDir + CaLayout::RootConfig(ca), content);
}

void WriteRootSubject(const QString &progDir, const QString &ca, const TSubject &s)
{
    TIniFile ini(progDir + CaLayout::RootConfig(ca));
    WriteSubject(ini, s, s.company + QStringLiteral(" CA"));
}

TSubject ReadRootSubject(const QString &progDir, const QString &ca)
{
    const TIniFile ini(progDir + CaLayout::RootConfig(ca));
    const auto read = [&](const char *key) {
        return UnescapeConfigValue(ini.ReadValue(QStringLiteral("req_distinguished_name"), QString::fromLatin1(key), QString()));
    };
    return {read("C"), read("ST"), read("L"), read("O"), read("OU"), read("emailAddress")};
}

void WriteRequestConfig(const QString &ca, TCertKind kind, const TSubject &s, const QString &commonName)
{
    const bool server = kind == TCertKind::Server;
    TIniFile ini(CaLayout::RequestConfig(ca));
    WriteAll(ini, QStringLiteral("req"),
             {{"default_bits", QStringLiteral("2048")},
              {"distinguished_name", QStringLiteral("req_distinguished_name")},
              {"prompt", QStringLiteral("no")},
              {"req_extensions", QStringLiteral("v3_req")},
              {"utf8", QStringLiteral("yes")},
              {"string_mask", QStringLiteral("utf8only")}});
    WriteSubject(ini, s, commonName);
    WriteAll(ini, QStringLiteral("v3_req"),
             {{"nsCertType", server ? QStringLiteral("server") : QStringLiteral("client,email")},
              {"basicConstraints", QStringLiteral("critical,CA:false")}});
}

void WriteSigningConfig(const QString &ca, TSigningVariant v, const QString &days, const QStringList &altNames,
                        const QString &crlUrl, const QString &digest, bool rsaKey)
{
    const QString dir = EscapeConfigValue(ca);
    TIniFile ini(CaLayout::SigningConfig(ca));
    ini.WriteValue(QStringLiteral("ca"), QStringLiteral("default_ca"), QStringLiteral("default_CA"));

    const QString section = QStringLiteral("default_CA");
    WriteAll(ini, section,
             {{"dir", dir},
              {"certs", dir},
              {"new_certs_dir", CaLayout::NewCertsDir(dir)},
              {"database", CaLayout::Index(dir)},
              {"serial", CaLayout::Serial(dir)},
              {"RANDFILE", QStringLiteral("seed.rnd")},
              {"certificate", CaLayout::CaCert(dir)},
              {"private_key", CaLayout::CaKey(dir)}});
    // A CRL has no validity of its own: the last certificate's stays.
    if (v != TSigningVariant::Crl)
        ini.WriteValue(section, QStringLiteral("default_days"), EscapeConfigValue(days));
    WriteAll(ini, section,
             {{"default_crl_days", QStringLiteral("30")},
              {"default_md", digest},
              {"preserve", QStringLiteral("yes")},
              {"x509_extensions", QStringLiteral("user_cert")},
              {"policy", QStringLiteral("policy_anything")},
              // A replacement the user confirmed reuses the old subject.
              {"unique_subject", QStringLiteral("no")},
              // A numbered CRL with an extension is version 2, as RFC 5280 asks.
              {"crlnumber", CaLayout::CrlNumber(dir)},
              {"crl_extensions", QStringLiteral("crl_ext")}});

    const bool request = v == TSigningVariant::ServerRequest;
    WriteAll(ini, QStringLiteral("policy_anything"),
             {{"commonName", QStringLiteral("supplied")},
              {"emailAddress", request ? QStringLiteral("optional") : QStringLiteral("supplied")}});

    // Browsers ignore the common name: a server must name itself in the SAN.
    QStringList altName;
    if (v == TSigningVariant::Server || request)
        for (const QString &entry : altNames)
            altName << EscapeConfigValue(entry);
    if (!request)
        altName << QStringLiteral("email:copy");
    WriteAll(ini, QStringLiteral("user_cert"),
             {{"subjectAltName", altName.join(u',')},
              {"basicConstraints", QStringLiteral("critical,CA:false")},
              {"authorityKeyIdentifier", QStringLiteral("keyid:always")},
              {"extendedKeyUsage", v == TSigningVariant::User ? QStringLiteral("clientAuth,emailProtection")
                                                              : QStringLiteral("serverAuth")},
              // Signing (TLS, mail), and key transport for an RSA key, servers and users alike.
              {"keyUsage", rsaKey ? QStringLiteral("critical,digitalSignature,keyEncipherment")
                                  : QStringLiteral("critical,digitalSignature")},
              {"subjectKeyIdentifier", QStringLiteral("hash")}});
    // A CA whose address was removed issues certificates without one again.
    WriteValueOrRemove(ini, QStringLiteral("user_cert"), QStringLiteral("crlDistributionPoints"),
                       DistributionPoint(crlUrl));
    ini.WriteValue(QStringLiteral("crl_ext"), QStringLiteral("authorityKeyIdentifier"), QStringLiteral("keyid:always"));
    // CAs made before the CRL was numbered have no crlnumber yet.
    EnsureCrlNumber(ca);
}

QString NameConstraintValue(const QString &domain)
{
    return QStringLiteral("critical,permitted;DNS:") + domain;
}

void WriteIssuingConfig(const QString &issuer, const QString &crlUrl, const QString &digest,
                        const QString &permittedDomain)
{
    WriteSigningConfig(issuer, TSigningVariant::Crl, QString(), {}, {}, digest);
    TIniFile ini(CaLayout::SigningConfig(issuer));
    // Unlike a server or a user, a CA keeps its whole subject.
    WriteAll(ini, QStringLiteral("policy_ca"),
             {{"countryName", QStringLiteral("optional")},
              {"stateOrProvinceName", QStringLiteral("optional")},
              {"localityName", QStringLiteral("optional")},
              {"organizationName", QStringLiteral("optional")},
              {"organizationalUnitName", QStringLiteral("optional")},
              {"commonName", QStringLiteral("supplied")},
              {"emailAddress", QStringLiteral("optional")}});
    const QString section = QStringLiteral("ca_cert");
    WriteAll(ini, section,
             {{"basicConstraints", QStringLiteral("critical,CA:TRUE,pathlen:0")},
              {"keyUsage", QStringLiteral("critical,keyCertSign,cRLSign")},
              {"subjectKeyIdentifier", QStringLiteral("hash")},
              {"authorityKeyIdentifier", QStringLiteral("keyid:always")}});
    WriteValueOrRemove(ini, section, QStringLiteral("crlDistributionPoints"),
                       DistributionPoint(crlUrl));
    WriteValueOrRemove(ini, section, QStringLiteral("nameConstraints"),
                       permittedDomain.isEmpty() ? QString() : NameConstraintValue(EscapeConfigValue(permittedDomain)));
}
