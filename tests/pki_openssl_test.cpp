#include "pki/CaFiles.h"
#include "pki/CertificateRequest.h"
#include "pki/CommandLines.h"
#include "pki/IndexFile.h"
#include "pki/Operation.h"
#include "pki/PemDates.h"
#include "pki/Texts.h"
#include "pki_support.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QTimeZone>

#include <QStandardPaths>


// These tests hand the written files and the built command lines to the real
// OpenSSL tool: reading them back ourselves would not show how OpenSSL parses them.
namespace {

const QString kCompany = "Dupont & Fils $A #1 \"x\" 'y' \\z";
const QString kPass = "ca p'a\"ss $HOME `x` ;";

QString Tool()
{
    return QStandardPaths::findExecutable("openssl");
}

// The subject as "KEY=value" lines, exactly as stored in the certificate.
QStringList Subject(const QString &cert)
{
    const TRun run = RunProgram(Tool(), {"x509", "-in", cert, "-noout", "-subject", "-nameopt", "utf8,sep_multiline"});
    QStringList lines = QString::fromUtf8(run.output).split(u'\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        lines.removeFirst(); // "subject="
    for (QString &line : lines)
        line.remove(QRegularExpression(QStringLiteral("^\\s+"))); // the indentation only
    return lines;
}

QString Extensions(const QString &cert)
{
    return QString::fromUtf8(
        RunProgram(Tool(), {"x509", "-in", cert, "-noout", "-ext", "basicConstraints,subjectAltName,extendedKeyUsage"})
            .output);
}

// What the window does: the lines go to a shell's standard input, the secrets in its
// environment, and the results take their final names once the run succeeded.
TRun Shell(const QStringList &lines, const QString &password = QString())
{
    const TRun run = RunProgram("/bin/sh", {"-e"}, (lines.join(u'\n') + u'\n').toUtf8(),
                                SecretEnvironment(kPass, password));
    for (QDirIterator it(".", {"*.new"}, QDir::Files, QDirIterator::Subdirectories); run.exitCode == 0 && it.hasNext();) {
        const QString pending = it.next();
        ::rename(QFile::encodeName(pending).constData(), QFile::encodeName(pending.chopped(4)).constData());
    }
    return run;
}

// Strict verification against the CA of the given directory, with extra options.
TRun Verify(const QString &ca, const QString &cert, const QStringList &options = {})
{
    return RunProgram(Tool(), QStringList{"verify", "-x509_strict"} + options
                                  + QStringList{"-CAfile", ca + "/private/ca.crt", cert});
}

TRun VerifyWithCrl(const QString &ca, const QString &cert)
{
    return Verify(ca, cert, {"-crl_check", "-CRLfile", ca + "/crl/" + ca + ".crl.crt"});
}

// The CRL's text form and its number as "crlNumber=0x.." .
QByteArray CrlText(const QString &ca)
{
    return RunProgram(Tool(), {"crl", "-in", ca + "/crl/" + ca + ".crl.crt", "-noout", "-crlnumber", "-text"}).output;
}

class OpensslTest : public PkiTest
{
protected:
    void SetUp() override
    {
        PkiTest::SetUp();
        if (Tool().isEmpty())
            GTEST_SKIP() << "no openssl on the search path";
    }

    // A CA made by the program's own files and command lines.
    void CreateCa(const QString &ca, const TSubject &s)
    {
        CreateCaSkeleton(progDir_, ca);
        WriteRootTemplate(progDir_, ca);
        WriteRootSubject(progDir_, ca, s);
        const TRun run = Shell(CreateCaCommands(Tool(), ca, "30"));
        ASSERT_TRUE(QFile::exists(ca + "/private/ca.crt")) << run.output.constData();
    }

    TRun IssueServer(const QString &ca, const TSubject &s, const QString &host)
    {
        QDir().mkpath(ca + "/certs/" + host);
        WriteRequestConfig(ca, TCertKind::Server, s, host + "." + ca);
        WriteSigningConfig(ca, TSigningVariant::Server, "30", {"DNS:" + host + "." + ca});
        return Shell(CertificateCommands({TCertKind::Server, Tool(), ca, host, "." + ca, "30", s.company}), "pw");
    }

    // A request made elsewhere, with a key of the given kind and what the requester asks for.
    QString MakeRequest(const QString &file, const QStringList &keyArgs, const QString &subject,
                        const QStringList &extensions = {}, const QString &format = "PEM")
    {
        QStringList args{"req", "-new", "-nodes", "-keyout", file + ".key", "-out", file, "-outform", format, "-utf8",
                         "-subj", subject};
        for (const QString &extension : extensions)
            args << "-addext" << extension;
        const TRun run = RunProgram(Tool(), args + keyArgs);
        EXPECT_EQ(run.exitCode, 0) << run.output.constData();
        return file;
    }

    // The request checked and signed as the window does, once confirmed.
    TRun SignRequest(const QString &ca, const TSubject &s, TOperationKind kind, const QString &file,
                     TRequestInspection *request)
    {
        *request = InspectRequest(Tool(), file, kind == TOperationKind::SignServerRequest ? TCertKind::Server : TCertKind::User);
        if (!request->refusal.isEmpty())
            return {};
        TOperationInput in;
        in.kind = kind;
        in.tool = Tool();
        in.ca = ca;
        in.passphrase = kPass;
        in.days = "30";
        in.name = request->commonName;
        in.subject = s;
        in.request = request->pem;
        in.requestAltNames = request->altNames;
        in.email = request->email;
        const TOperationPlan plan = PlanOperation(in);
        for (const QString &dir : plan.directories)
            QDir().mkpath(dir);
        plan.writeFiles();
        return Shell(plan.commands);
    }

    TRun Revoke(const QString &ca, const QString &serial)
    {
        WriteSigningConfig(ca, TSigningVariant::Crl, "");
        return Shell(RevocationCommands(Tool(), ca, serial));
    }
};

TEST_F(OpensslTest, RootConfigCarriesEveryCharacterIntoTheCertificate)
{
    const TSubject s{"FR", "  Île-de-France", "Saint-Denis #2 ", kCompany, "Service $(x) `y` ;", "a.b@example.org"};
    CreateCaSkeleton(progDir_, "Alpha");
    WriteRootTemplate(progDir_, "Alpha");
    WriteRootSubject(progDir_, "Alpha", s);
    const TRun req = RunProgram(Tool(), {"req", "-new", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "k.pem",
                                  "-config", "Alpha/root-ca.cnf", "-out", "c.pem", "-days", "1"});
    ASSERT_EQ(req.exitCode, 0) << req.output.constData();
    EXPECT_EQ(Subject("c.pem"), QStringList({"C=FR", "ST=  Île-de-France", "L=Saint-Denis #2 ", "O=" + kCompany,
                                             "OU=Service $(x) `y` ;", "CN=" + kCompany + " CA",
                                             "emailAddress=a.b@example.org"}));
    EXPECT_TRUE(Extensions("c.pem").contains("CA:TRUE"));
}

TEST_F(OpensslTest, CaLifeFromCreationToRevocation)
{
    const QString tool = Tool();
    const TSubject s{"FR", "Île-de-France", "Paris", kCompany, "Service Société", "pki@example.org"};
    CreateCa("Alpha", s);
    TRun run = Verify("Alpha", "Alpha/private/ca.crt");
    EXPECT_EQ(run.exitCode, 0) << run.output.constData();
    EXPECT_EQ(RunProgram(tool, {"pkey", "-in", "Alpha/private/ca.key", "-passin", "env:P", "-noout"}, {}, {"P=" + kPass})
                  .exitCode,
              0);
    EXPECT_NE(RunProgram(tool, {"pkey", "-in", "Alpha/private/ca.key", "-passin", "pass:wrong", "-noout"}).exitCode, 0);

    const QString host = "web o'neil \"$x\"";
    const QString full = host + ".Alpha";
    const QString password = " pass word's \"$x\" ";
    const QString serverDir = "Alpha/certs/" + host;
    const auto issueServer = [&] {
        QDir().mkpath(serverDir);
        WriteRequestConfig("Alpha", TCertKind::Server, s, full);
        WriteSigningConfig("Alpha", TSigningVariant::Server, "30", {"DNS:" + full});
        return Shell(CertificateCommands({TCertKind::Server, tool, "Alpha", host, ".Alpha", "30", kCompany}), password);
    };
    run = issueServer();
    const QString crt = serverDir + "/user.crt";
    ASSERT_TRUE(QFile::exists(crt)) << run.output.constData();
    EXPECT_TRUE(run.output.contains(": OK")) << run.output.constData();
    // policy_anything names only these two fields; ca drops the others.
    EXPECT_EQ(Subject(crt), QStringList({"CN=" + full, "emailAddress=pki@example.org"}));
    const QString ext = Extensions(crt);
    EXPECT_TRUE(ext.contains("DNS:" + full)) << ext.toStdString();
    EXPECT_TRUE(ext.contains("TLS Web Server Authentication")) << ext.toStdString();
    run = Verify("Alpha", crt, {"-purpose", "sslserver"});
    EXPECT_EQ(run.exitCode, 0) << run.output.constData();
    const TRun p12 = RunProgram(tool, {"pkcs12", "-in", serverDir + "/" + host + ".p12", "-passin", "env:P", "-nokeys"}, {},
                         {"P=" + password});
    EXPECT_EQ(p12.exitCode, 0) << p12.output.constData();
    EXPECT_TRUE(QString::fromUtf8(p12.output).contains("friendlyName: " + full));
    EXPECT_TRUE(QString::fromUtf8(p12.output).contains("friendlyName: " + kCompany + " CA"));

    // A confirmed replacement for the same name must be signed again.
    run = issueServer();
    EXPECT_TRUE(run.output.contains(": OK")) << run.output.constData();

    QDir().mkpath("Alpha/certs/Jean Dupont");
    WriteRequestConfig("Alpha", TCertKind::User, s, "Jean Dupont");
    WriteSigningConfig("Alpha", TSigningVariant::User, "30");
    run = Shell(CertificateCommands({TCertKind::User, tool, "Alpha", "Jean Dupont", "", "30", kCompany}), "pw pw");
    ASSERT_TRUE(QFile::exists("Alpha/certs/Jean Dupont/Jean Dupont.p12")) << run.output.constData();
    EXPECT_EQ(Subject("Alpha/certs/Jean Dupont/user.crt"),
              QStringList({"CN=Jean Dupont", "emailAddress=pki@example.org"}));
    EXPECT_TRUE(Extensions("Alpha/certs/Jean Dupont/user.crt").contains("TLS Web Client Authentication"));
    const QString userCrt = "Alpha/certs/Jean Dupont/user.crt";
    for (const char *purpose : {"sslclient", "smimesign", "smimeencrypt"}) {
        run = Verify("Alpha", userCrt, {"-purpose", purpose});
        EXPECT_EQ(run.exitCode, 0) << purpose << run.output.constData();
    }

    TIndexLists lists = ReadIndexLists("Alpha");
    EXPECT_EQ(lists.valid.size(), 3);
    EXPECT_TRUE(lists.revoked.isEmpty());

    run = Revoke("Alpha", "01");
    lists = ReadIndexLists("Alpha");
    EXPECT_EQ(lists.valid.size(), 2) << run.output.constData();
    ASSERT_EQ(lists.revoked.size(), 1);
    EXPECT_TRUE(lists.revoked.first().contains("\t01\t"));
    QByteArray crl = CrlText("Alpha");
    EXPECT_TRUE(crl.contains("Serial Number: 01")) << crl.constData() << run.output.constData();
    EXPECT_TRUE(crl.contains("Version 2 (0x1)")) << crl.constData();
    EXPECT_TRUE(crl.contains("crlNumber=0x01")) << crl.constData();
    EXPECT_TRUE(crl.contains("X509v3 Authority Key Identifier")) << crl.constData();
    // The dates read from the files are the ones the tool reads.
    const auto toolDate = [&](const QStringList &args, const char *prefix) {
        const QByteArray out = RunProgram(tool, args).output.trimmed();
        return QDateTime::fromString(QString::fromLatin1(out.mid(qstrlen(prefix))).simplified(),
                                     "MMM d HH:mm:ss yyyy 'GMT'").toUTC();
    };
    QDateTime expected = toolDate({"x509", "-in", "Alpha/private/ca.crt", "-noout", "-enddate"}, "notAfter=");
    expected.setTimeZone(QTimeZone::utc());
    EXPECT_EQ(CertificateNotAfter("Alpha/private/ca.crt"), expected);
    expected = toolDate({"crl", "-in", "Alpha/crl/Alpha.crl.crt", "-noout", "-nextupdate"}, "nextUpdate=");
    expected.setTimeZone(QTimeZone::utc());
    EXPECT_EQ(CrlNextUpdate("Alpha/crl/Alpha.crl.crt"), expected);
    EXPECT_FALSE(CertificateNotAfter("Alpha/index.txt").isValid());
    EXPECT_NE(VerifyWithCrl("Alpha", "Alpha/newcerts/01.pem").exitCode, 0);
    for (const QString &valid : {crt, userCrt}) {
        run = VerifyWithCrl("Alpha", valid);
        EXPECT_EQ(run.exitCode, 0) << valid.toStdString() << run.output.constData();
    }

    // Each new CRL carries the next number.
    run = Revoke("Alpha", "03");
    crl = CrlText("Alpha");
    EXPECT_TRUE(crl.contains("crlNumber=0x02")) << crl.constData() << run.output.constData();
    EXPECT_NE(VerifyWithCrl("Alpha", userCrt).exitCode, 0);
    EXPECT_EQ(VerifyWithCrl("Alpha", crt).exitCode, 0);
}

TEST_F(OpensslTest, CaMadeBeforeTheStrictExtensionsStillSignsAndRevokes)
{
    const TSubject s{"FR", "Bretagne", "Brest", "Old", "IT", "pki@old.test"};
    CreateCaSkeleton(progDir_, "old.test");
    QFile::remove("old.test/crlnumber");
    WriteRootTemplate(progDir_, "old.test");
    QByteArray cnf = ReadBytes("old.test/root-ca.cnf");
    ASSERT_TRUE(cnf.contains("keyUsage = critical,keyCertSign,cRLSign\r\n"));
    cnf.replace("keyUsage = critical,keyCertSign,cRLSign\r\n", "");
    WriteBytes("old.test/root-ca.cnf", cnf);
    WriteRootSubject(progDir_, "old.test", s);
    const TRun created = Shell(CreateCaCommands(Tool(), "old.test", "30"));
    ASSERT_TRUE(QFile::exists("old.test/private/ca.crt")) << created.output.constData();

    TRun run = IssueServer("old.test", s, "www");
    EXPECT_TRUE(run.output.contains(": OK")) << run.output.constData();
    run = Revoke("old.test", "01");
    const QByteArray crl = CrlText("old.test");
    EXPECT_TRUE(crl.contains("Serial Number: 01")) << crl.constData() << run.output.constData();
    EXPECT_TRUE(crl.contains("crlNumber=0x01")) << crl.constData();
}

TEST_F(OpensslTest, SignedRequestsKeepOnlyTheirNamesAndGetTarviksUses)
{
    const TSubject s{"FR", "Bretagne", "Brest", "Acme", "IT", "pki@acme.test"};
    CreateCa("acme.test", s);
    // Asked by every request: none of it may reach the certificate.
    const QStringList caAsks{"basicConstraints=critical,CA:TRUE", "keyUsage=critical,keyCertSign,cRLSign,digitalSignature"};
    const QStringList serverNames{"subjectAltName=DNS:printer.acme.test,IP:10.0.0.9,DNS:Alt.acme.test,IP:2001:db8:0::9"};
    const QString server = "TLS Web Server Authentication";
    const QString user = "TLS Web Client Authentication, E-mail Protection";
    const struct
    {
        TOperationKind kind;
        QStringList key;
        QString subject, format, name, names, uses;
        QStringList asks;
    } cases[] = {
        {TOperationKind::SignServerRequest, {"-newkey", "rsa:2048"}, "/C=US/O=Evil/CN=printer.acme.test", "PEM",
         "printer.acme.test",
         "DNS:printer.acme.test, IP Address:10.0.0.9, DNS:Alt.acme.test, IP Address:2001:DB8:0:0:0:0:0:9",
         server, caAsks + serverNames},
        {TOperationKind::SignServerRequest, {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-384"},
         "/CN=mail.acme.test/emailAddress=root@evil.test", "DER", "mail.acme.test",
         "DNS:mail.acme.test", server, caAsks},
        {TOperationKind::SignUserRequest, {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256"},
         "/CN=Jean Dupré/O=Evil/emailAddress=jean@acme.test", "PEM", "Jean Dupré", "email:jean@acme.test", user,
         caAsks + QStringList{"subjectAltName=DNS:evil.test", "extendedKeyUsage=codeSigning"}},
        {TOperationKind::SignUserRequest, {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-521"}, "/CN=Zoé", "DER",
         "Zoé", "email:pki@acme.test", user, caAsks},
    };
    for (const auto &c : cases) {
        const QString file = MakeRequest(c.name + ".req", c.key, c.subject, c.asks, c.format);
        TRequestInspection request;
        const TRun run = SignRequest("acme.test", s, c.kind, file, &request);
        ASSERT_EQ(request.refusal, QString()) << file.toStdString();
        const QString dir = "acme.test/certs/" + c.name + "/";
        const QString crt = dir + "user.crt";
        ASSERT_TRUE(QFile::exists(crt)) << run.output.constData();
        EXPECT_EQ(Verify("acme.test", crt).exitCode, 0) << c.name.toStdString();
        // The CA's address reaches only a user's certificate, as the question showed it.
        const QString email = c.names.section("email:", 1);
        EXPECT_EQ(Subject(crt), email.isEmpty() ? QStringList{"CN=" + c.name}
                                                : QStringList({"CN=" + c.name, "emailAddress=" + email}));
        const TRun text = RunProgram(Tool(), {"x509", "-in", crt, "-noout", "-ext",
                                              "basicConstraints,subjectAltName,extendedKeyUsage,keyUsage"});
        EXPECT_EQ(QString::fromUtf8(text.output),
                  "X509v3 Subject Alternative Name: \n    " + c.names
                      + "\nX509v3 Basic Constraints: critical\n    CA:FALSE\nX509v3 Extended Key Usage: \n    " + c.uses
                      + "\nX509v3 Key Usage: critical\n    Digital Signature, Key Encipherment\n");
        EXPECT_EQ(ReadBytes(dir + c.name + "-chain.pem"), ReadBytes(crt) + ReadBytes("acme.test/private/ca.crt"));
        EXPECT_EQ(QDir(dir).entryList(QDir::Files, QDir::Name | QDir::Reversed),
                  QStringList({"user.csr", "user.crt", c.name + "-chain.pem"}));
    }
    EXPECT_EQ(ReadIndexLists("acme.test").valid.size(), 4);
}

TEST_F(OpensslTest, RequestsThatCannotBeSignedAreRefusedWithTheReason)
{
    const QStringList rsa{"-newkey", "rsa:2048"};
    MakeRequest("weak.csr", {"-newkey", "rsa:1024"}, "/CN=weak.acme.test");
    MakeRequest("k1.csr", {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:secp256k1"}, "/CN=k1.acme.test");
    QByteArray broken = ReadBytes(MakeRequest("broken.csr", rsa, "/CN=www.acme.test"));
    // A character of the last full line, which lies in the signature.
    const qsizetype at = broken.lastIndexOf('\n', broken.indexOf("\n-----END") - 1) - 10;
    broken[at] = broken[at] == 'A' ? 'B' : 'A';
    WriteBytes("broken.csr", broken);
    WriteBytes("empty.csr", "");
    RunProgram(Tool(), {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "c.key", "-subj", "/CN=c", "-out", "cert.pem"});
    MakeRequest("under_score.csr", rsa, "/CN=under_score.acme.test");
    MakeRequest("mail.csr", rsa, "/CN=www.acme.test", {"subjectAltName=DNS:www.acme.test,email:a@acme.test"});
    MakeRequest("noname.csr", rsa, "/O=Acme");
    MakeRequest("star.csr", rsa, "/CN=*");
    WriteBytes("big.csr", QByteArray(kMaxRequestBytes + 1, 'A'));
    const struct
    {
        QString file, refusal;
    } cases[] = {
        {"weak.csr", "Clé trop faible : RSA 1024 bits, 2048 au moins."},
        {"k1.csr", Texts::RefusedRequestKey("EC 256 bits")},
        {"broken.csr", Texts::RequestSignatureBroken},
        {"empty.csr", Texts::RequestEmpty("empty.csr")},
        {"cert.pem", Texts::NotARequest("cert.pem")},
        {"under_score.csr", Texts::RequestHostName("under_score.acme.test")},
        {"mail.csr", Texts::RequestAltName("email:a@acme.test")},
        {"noname.csr", Texts::RequestWithoutCommonName},
        {"star.csr", Texts::RequestHostName("*")},
        {"big.csr", Texts::RequestTooLarge("big.csr", 64)},
        {"none.csr", Texts::RequestUnreadable("none.csr")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(InspectRequest(Tool(), c.file, TCertKind::Server).refusal, c.refusal) << c.file.toStdString();
}

} // namespace

// The tool's last line for two of its common failures, as the error box quotes it, gets
// its French reason; a line of no known failure gets none.
TEST_F(OpensslTest, CommonFailuresAreExplainedInFrench)
{
    WriteBytes("long.cnf", "[req]\nprompt=no\ndistinguished_name=dn\n[dn]\nCN=x\nOU=" + QByteArray(300, 'a') + "\n");
    const struct
    {
        QStringList args;
        QString why;
    } cases[] = {
        {{"req", "-new", "-key", "none.key", "-subj", "/CN=x"},
         "un fichier dont OpenSSL a besoin manque ou n'est pas accessible."},
        {{"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout", "k.pem", "-config",
          "long.cnf"},
         "un champ est trop long pour un certificat, 64 caractères au plus pour la plupart."},
        {{"version"}, ""},
    };
    for (const auto &c : cases) {
        const QStringList lines = QString::fromUtf8(RunProgram(Tool(), c.args).output).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(Texts::ExplainToolFailure(lines.last()), c.why) << qPrintable(lines.last());
    }
}
