#include "pki/CaFiles.h"
#include "pki/CommandLines.h"
#include "pki/IndexFile.h"
#include "pki_support.h"

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
        line = line.trimmed();
    return lines;
}

QString Extensions(const QString &cert)
{
    return QString::fromUtf8(
        RunProgram(Tool(), {"x509", "-in", cert, "-noout", "-ext", "basicConstraints,subjectAltName,extendedKeyUsage"})
            .output);
}

// What the console does: the lines go to a shell's standard input.
TRun Shell(const QStringList &lines)
{
    return RunProgram("/bin/sh", {}, (lines.join(u'\n') + u'\n').toUtf8());
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
};

TEST_F(OpensslTest, RootConfigCarriesEveryCharacterIntoTheCertificate)
{
    const TSubject s{"FR", "Île-de-France", "Saint-Denis #2", kCompany, "Service $(x) `y` ;", "a.b@example.org"};
    CreateCaSkeleton(progDir_, "Alpha");
    WriteRootTemplate(progDir_, "Alpha");
    WriteRootSubject(progDir_, "Alpha", s);
    const TRun req = RunProgram(Tool(), {"req", "-new", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "k.pem",
                                  "-config", "Alpha/root-ca.cnf", "-out", "c.pem", "-days", "1"});
    ASSERT_EQ(req.exitCode, 0) << req.output.constData();
    EXPECT_EQ(Subject("c.pem"), QStringList({"C=FR", "ST=Île-de-France", "L=Saint-Denis #2", "O=" + kCompany,
                                             "OU=Service $(x) `y` ;", "CN=" + kCompany + " CA",
                                             "emailAddress=a.b@example.org"}));
    EXPECT_TRUE(Extensions("c.pem").contains("CA:TRUE"));
}

TEST_F(OpensslTest, CaLifeFromCreationToRevocation)
{
    const QString tool = Tool();
    const TSubject s{"FR", "Île-de-France", "Paris", kCompany, "Service Société", "pki@example.org"};
    CreateCaSkeleton(progDir_, "Alpha");
    WriteRootTemplate(progDir_, "Alpha");
    WriteRootSubject(progDir_, "Alpha", s);

    TRun run = Shell(CreateCaCommands(tool, "Alpha", kPass, "30"));
    ASSERT_TRUE(QFile::exists("Alpha/private/ca.crt")) << run.output.constData();
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
        WriteSigningConfig("Alpha", TSigningVariant::Server, "30", full);
        return Shell(CertificateCommands({TCertKind::Server, tool, "Alpha", host, ".Alpha", "30", kPass, password,
                                          kCompany}));
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
    run = Shell(CertificateCommands({TCertKind::User, tool, "Alpha", "Jean Dupont", "", "30", kPass, "pw pw",
                                     kCompany}));
    ASSERT_TRUE(QFile::exists("Alpha/certs/Jean Dupont/Jean Dupont.p12")) << run.output.constData();
    EXPECT_EQ(Subject("Alpha/certs/Jean Dupont/user.crt"),
              QStringList({"CN=Jean Dupont", "emailAddress=pki@example.org"}));
    EXPECT_TRUE(Extensions("Alpha/certs/Jean Dupont/user.crt").contains("TLS Web Client Authentication"));

    TIndexLists lists = ReadIndexLists("Alpha");
    EXPECT_EQ(lists.valid.size(), 3);
    EXPECT_TRUE(lists.revoked.isEmpty());

    WriteSigningConfig("Alpha", TSigningVariant::Crl, "");
    run = Shell(RevocationCommands(tool, "Alpha", "01", kPass));
    lists = ReadIndexLists("Alpha");
    EXPECT_EQ(lists.valid.size(), 2) << run.output.constData();
    ASSERT_EQ(lists.revoked.size(), 1);
    EXPECT_TRUE(lists.revoked.first().contains("\t01\t"));
    const TRun crl = RunProgram(tool, {"crl", "-in", "Alpha/crl/Alpha.crl.crt", "-noout", "-text"});
    EXPECT_TRUE(crl.output.contains("Serial Number: 01")) << crl.output.constData() << run.output.constData();
}

} // namespace
