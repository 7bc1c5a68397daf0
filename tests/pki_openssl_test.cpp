#include "pki/CaChain.h"
#include "pki/CaFiles.h"
#include "pki/CertificateRequest.h"
#include "pki/CommandLines.h"
#include "pki/IndexFile.h"
#include "pki/Operation.h"
#include "pki/PemDates.h"
#include "pki/Renewal.h"
#include "pki/Texts.h"
#include "pki_support.h"

#include <QDeadlineTimer>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTimeZone>

#include <QStandardPaths>

#include <sys/stat.h>


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

    // The whole plan as the window runs it: folders, files, the run with the plan's
    // secrets, and the results committed once it succeeded.
    TRun RunPlan(const TOperationInput &in)
    {
        const TOperationPlan plan = PlanOperation(in);
        for (const QString &dir : plan.directories)
            QDir().mkpath(dir);
        if (plan.writeFiles)
            plan.writeFiles();
        const TRun run = RunProgram("/bin/sh", {"-e"}, (plan.commands.join(u'\n') + u'\n').toUtf8(), plan.environment);
        if (run.exitCode == 0) {
            EXPECT_EQ(CommitResults(plan), "");
        }
        return run;
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
        // PEM blocks only: the text the tool writes before the certificate stays out.
        const QByteArray signedCrt = ReadBytes(crt);
        EXPECT_EQ(ReadBytes(dir + c.name + "-chain.pem"),
                  signedCrt.mid(signedCrt.indexOf("-----BEGIN")) + ReadBytes("acme.test/private/ca.crt"));
        EXPECT_EQ(QDir(dir).entryList(QDir::Files, QDir::Name | QDir::Reversed),
                  QStringList({"user.csr", "user.crt", c.name + "-chain.pem"}));
    }
    EXPECT_EQ(ReadIndexLists("acme.test").valid.size(), 4);
}

// A server given the chain file and its key is trusted by a client that trusts the CA alone.
TEST_F(OpensslTest, AServerWithTheChainFileVerifiesAgainstTheCaAlone)
{
    const TSubject s{"FR", "Bretagne", "Brest", "Acme", "IT", "pki@acme.test"};
    CreateCa("acme.test", s);
    const QString file = MakeRequest("www.csr", {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256"},
                                     "/CN=www.acme.test", {"subjectAltName=DNS:www.acme.test"});
    TRequestInspection request;
    const TRun signedRun = SignRequest("acme.test", s, TOperationKind::SignServerRequest, file, &request);
    const QString chain = "acme.test/certs/www.acme.test/www.acme.test-chain.pem";
    ASSERT_TRUE(QFile::exists(chain)) << signedRun.output.constData();

    // Port 0: the system picks a free one, which the server names.
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(Tool(), {"s_server", "-accept", "127.0.0.1:0", "-cert", chain, "-key", "www.csr.key", "-naccept", "1"});
    ASSERT_TRUE(server.waitForStarted(10000));
    QByteArray said;
    QDeadlineTimer deadline(20000);
    while (!said.contains("ACCEPT") && !deadline.hasExpired() && server.waitForReadyRead(500))
        said += server.readAll();
    const QRegularExpressionMatch port = QRegularExpression("ACCEPT 127.0.0.1:(\\d+)").match(QString::fromLatin1(said));
    ASSERT_TRUE(port.hasMatch()) << said.constData();
    const TRun client = RunProgram(Tool(), {"s_client", "-connect", "127.0.0.1:" + port.captured(1),
                                            "-verify_return_error", "-CAfile", "acme.test/private/ca.crt",
                                            "-verify_hostname", "www.acme.test", "-brief"});
    server.kill();
    server.waitForFinished(5000);
    EXPECT_EQ(client.exitCode, 0) << client.output.constData();
    EXPECT_TRUE(client.output.contains("Verification: OK")) << client.output.constData();
}

// A root that signs only CAs, issuing CAs under it with and without a name constraint,
// and what their servers and users get: strict chains from the root alone, exports with
// the whole chain, names kept within the domain, and the revocation of an issuing CA.
TEST_F(OpensslTest, IssuingCasUnderARootMakeStrictChainsAndFallWithTheirRevocation)
{
    const QString root = "acme.test", paris = "paris.acme.test", lyon = "lyon.test";
    const QString issuingPass = "paris $x 'y'";
    CreateCa(root, {"FR", "Bretagne", "Brest", "Acme", "Racine", "pki@acme.test"});
    for (const QString &ca : {paris, lyon, "sub." + paris}) {
        CreateCaSkeleton(progDir_, ca);
        WriteRootTemplate(progDir_, ca);
        WriteRootSubject(progDir_, ca, {"FR", "Rhône", "Lyon", "Acme", "Émetteur " + ca, "pki@acme.test"});
    }
    TOperationInput in;
    in.kind = TOperationKind::CreateCa;
    in.tool = Tool();
    in.passphrase = issuingPass;
    in.issuer = root;
    in.issuerPassphrase = kPass;
    in.issuerCrlUrl = "http://pki.acme.test/acme.test.crl";
    in.keyType = TKeyType::EcdsaP256;
    in.days = "40";
    in.ca = paris;
    in.nameConstraint = true;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    EXPECT_EQ(WarningsBeforeIssue(in, {}, now).size(), 1) << "outlives its root";
    in.days = "20";
    EXPECT_EQ(WarningsBeforeIssue(in, {}, now), QStringList());
    EXPECT_EQ(CasToLock(in), QStringList({paris, root}));
    ASSERT_EQ(RefusalBeforeRun(in), "");
    TRun run = RunPlan(in);
    ASSERT_EQ(run.exitCode, 0) << run.output.constData();
    in.ca = lyon;
    in.nameConstraint = false;
    run = RunPlan(in);
    ASSERT_EQ(run.exitCode, 0) << run.output.constData();

    const auto ext = [&](const QString &cert) {
        return QString::fromUtf8(RunProgram(Tool(), {"x509", "-in", cert, "-noout", "-ext",
                                                     "basicConstraints,keyUsage,nameConstraints,crlDistributionPoints"})
                                     .output);
    };
    const QString parisExt = ext(paris + "/private/ca.crt");
    for (const char *part : {"Basic Constraints: critical\n    CA:TRUE, pathlen:0",
                             "Key Usage: critical\n    Certificate Sign, CRL Sign",
                             "Name Constraints: critical\n    Permitted:\n      DNS:paris.acme.test",
                             "URI:http://pki.acme.test/acme.test.crl"})
        EXPECT_TRUE(parisExt.contains(part)) << part << parisExt.toStdString();
    EXPECT_FALSE(ext(lyon + "/private/ca.crt").contains("Name Constraints"));
    EXPECT_EQ(Verify(root, paris + "/private/ca.crt").exitCode, 0);
    EXPECT_EQ(IssuerOf(paris), root);
    EXPECT_EQ(RootCaOf(paris), root);
    EXPECT_EQ(IssuerOf(root), "");
    EXPECT_EQ(ReadIndexLists(root).valid.size(), 2);
    EXPECT_TRUE(ReadRenewal(Tool(), root + "/newcerts/01.pem", "." + root).caCertificate);
    EXPECT_EQ(IssuedCasInForce(root, now), QStringList({lyon, paris}));
    TOperationInput again = in;
    again.ca = root;
    again.issuer.clear();
    EXPECT_TRUE(PlanOperation(again).question.contains(Texts::IssuedCasLost({lyon, paris})));

    // Refused before anything is signed.
    TOperationInput server = in;
    server.kind = TOperationKind::ServerCertificate;
    server.ca = paris;
    server.passphrase = issuingPass;
    server.name = "www";
    server.suffix = "." + paris;
    server.password = "pw";
    server.days = "10";
    server.subject = {"FR", "Rhône", "Lyon", "Acme", "IT", "pki@acme.test"};
    TOperationInput user = server;
    user.kind = TOperationKind::UserCertificate;
    user.name = "Jean Dupont";
    TOperationInput request = server;
    request.kind = TOperationKind::SignServerRequest;
    TOperationInput sub = in;
    sub.ca = "sub.paris.acme.test";
    sub.issuer = paris;
    const struct
    {
        TOperationInput in;
        QString field, value, refusal;
    } refusals[] = {
        {server, "altNames", "10.0.0.5 www.evil.test", Texts::OutsideCaDomain("www.evil.test", {paris})},
        {user, "name", "bob.evil.test", Texts::OutsideCaDomain("bob.evil.test", {paris})},
        {request, "request", "DNS:printer.evil.test", Texts::OutsideCaDomain("printer.evil.test", {paris})},
        {sub, "", "", Texts::IssuerNotRoot(paris, root)},
        {in, "issuer", lyon, Texts::IssuerIsTheCa},
    };
    for (auto r : refusals) {
        if (r.field == "altNames")
            r.in.altNames = r.value;
        else if (r.field == "name")
            r.in.name = r.value;
        else if (r.field == "issuer")
            r.in.issuer = r.value;
        else if (r.field == "request")
            r.in.requestAltNames = {"DNS:printer." + paris, "IP:10.0.0.9", r.value};
        const QString refusal = InvalidNameRefusal(r.in).isEmpty() ? RefusalBeforeRun(r.in) : InvalidNameRefusal(r.in);
        EXPECT_EQ(refusal, r.refusal) << r.value.toStdString();
    }
    server.altNames = "10.0.0.5 intranet.paris.acme.test";
    ASSERT_EQ(InvalidNameRefusal(server) + RefusalBeforeRun(server), "");
    TOperationInput elsewhere = server;
    elsewhere.ca = lyon;
    elsewhere.suffix = "." + lyon;
    elsewhere.altNames = "www.other.test";
    EXPECT_EQ(InvalidNameRefusal(elsewhere), "") << "no constraint, no limit";

    const QString trustRoot = root + "/private/ca.crt";
    const QString issuing = paris + "/private/ca.crt";
    const auto strict = [&](const QString &cert, const QStringList &more = {}) {
        return RunProgram(Tool(), QStringList{"verify", "-x509_strict", "-CAfile", trustRoot, "-untrusted", issuing}
                                      + more + QStringList{cert});
    };
    for (const TOperationInput &leaf : {server, user}) {
        run = RunPlan(leaf);
        ASSERT_EQ(run.exitCode, 0) << run.output.constData();
        const QString dir = paris + "/certs/" + leaf.name + "/";
        run = strict(dir + "user.crt");
        EXPECT_EQ(run.exitCode, 0) << run.output.constData();
        const QByteArray crt = ReadBytes(dir + "user.crt");
        EXPECT_EQ(ReadBytes(dir + leaf.name + "-chain.pem"), crt.mid(crt.indexOf("-----BEGIN")) + ReadBytes(issuing));
        struct stat key;
        ASSERT_EQ(::stat(QFile::encodeName(dir + "user.key").constData(), &key), 0);
        EXPECT_EQ(key.st_mode & 0777, 0600u);
        const TRun p12 = RunProgram(Tool(), {"pkcs12", "-in", dir + leaf.name + ".p12", "-passin", "pass:pw", "-nokeys"});
        EXPECT_EQ(p12.output.count("-----BEGIN CERTIFICATE-----"), 3) << p12.output.constData();
    }

    // Made outside Tarvik with the issuing CA's key: clients hold the constraint against it.
    WriteBytes("out.ext", "subjectAltName=DNS:www.evil.test\nauthorityKeyIdentifier=keyid\nsubjectKeyIdentifier=hash\n"
                          "basicConstraints=critical,CA:false\nkeyUsage=critical,digitalSignature\n");
    ASSERT_EQ(RunProgram(Tool(), {"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                                  "-keyout", "out.key", "-subj", "/CN=www.evil.test", "-out", "out.csr"})
                  .exitCode,
              0);
    run = RunProgram(Tool(), {"x509", "-req", "-in", "out.csr", "-CA", issuing, "-CAkey", paris + "/private/ca.key",
                              "-passin", "env:P", "-days", "5", "-extfile", "out.ext", "-out", "out.crt"},
                     {}, {"P=" + issuingPass});
    ASSERT_EQ(run.exitCode, 0) << run.output.constData();
    run = strict("out.crt");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.output.contains("permitted subtree violation")) << run.output.constData();

    // Each CA publishes its CRL; the issuing CA revoked at the root takes its certificates with it.
    TOperationInput crl;
    crl.kind = TOperationKind::CrlPublication;
    crl.tool = Tool();
    for (const auto &[ca, pass] : {std::pair{root, kPass}, std::pair{paris, issuingPass}}) {
        crl.ca = ca;
        crl.passphrase = pass;
        run = RunPlan(crl);
        ASSERT_EQ(run.exitCode, 0) << run.output.constData();
    }
    const QStringList crls{"-crl_check_all", "-CRLfile", root + "/crl/" + root + ".crl.crt", "-CRLfile",
                           paris + "/crl/" + paris + ".crl.crt"};
    const QString www = paris + "/certs/www/user.crt";
    run = strict(www, crls);
    EXPECT_EQ(run.exitCode, 0) << run.output.constData();
    TOperationInput revoke = crl;
    revoke.kind = TOperationKind::Revocation;
    revoke.ca = root;
    revoke.passphrase = kPass;
    revoke.serial = CertificateSerial(issuing);
    run = RunPlan(revoke);
    ASSERT_EQ(run.exitCode, 0) << run.output.constData();
    run = strict(www, crls);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.output.contains("certificate revoked")) << run.output.constData();
    EXPECT_EQ(IssuedCasInForce(root, now), QStringList({lyon}));
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
    // One name that the tool's text would show as two, and a password attribute that
    // imitates the text of a name list: only the request's DER says what it asks for.
    WriteBytes("hostile.cnf", "[req]\ndistinguished_name=dn\nreq_extensions=ext\nattributes=attrs\nprompt=no\n"
                              "[dn]\nCN=www.acme.test\n[attrs]\nchallengePassword=X509v3 Subject Alternative Name:\n"
                              "[ext]\nsubjectAltName=@alt\n[alt]\nDNS.1=www.acme.test, DNS:evil.example\n");
    RunProgram(Tool(), {"req", "-new", "-nodes", "-newkey", "rsa:2048", "-keyout", "h.key", "-config", "hostile.cnf",
                        "-out", "hostile.csr"});
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
        {"hostile.csr", Texts::RequestAltName("DNS:www.acme.test, DNS:evil.example")},
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
