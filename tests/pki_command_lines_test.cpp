#include "pki/CommandLines.h"
#include "pki/Operation.h"
#include "pki/Texts.h"
#include "pki_support.h"

#include <QTimeZone>

namespace {

// Hostile texts: each must reach the tool as one argument, exactly, and none
// may run anything. No secret stands in a line: the run's environment carries them.
const QString kCa = "My CA $(touch pwned1)";
const QString kName = "h'o \"s\" t;touch pwned2";
const QString kDays = "3 65";
const QString kPass = "p'a\"s$HOME`touch pwned3` ;x\\";
const QString kPassword = "  lead & trail  ";
const QString kCompany = "Dupont & Fils $A #1 \"x\" 'y' \\z";
const QString kSerial = "0'1 $(touch pwned4)";

struct Expected
{
    QStringList args;
};

class CommandLineTest : public PkiTest
{
protected:
    void SetUp() override
    {
        PkiTest::SetUp();
        ASSERT_TRUE(QDir().mkpath("tool dir 'q'"));
        tool_ = progDir_ + "tool dir 'q'/show";
        WriteBytes(tool_, "#!/bin/sh\n"
                          "printf 'CA=%s\\n' \"${TARVIK_CA_PASS-<unset>}\"\n"
                          "printf 'CERT=%s\\n' \"${TARVIK_CERT_PASS-<unset>}\"\n"
                          "for a in \"$@\"; do printf 'ARG=%s\\n' \"$a\"; done\n");
        QFile(tool_).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void ExpectRuns(const QStringList &lines, const QList<Expected> &expected)
    {
        ASSERT_EQ(lines.size(), expected.size() + 1);
        EXPECT_EQ(lines.last(), "exit");
        for (qsizetype i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(lines[i].toStdString());
            QByteArray want = "CA=<unset>\nCERT=<unset>\n";
            for (const QString &arg : expected[i].args)
                want += ("ARG=" + arg + "\n").toUtf8();
            const TRun run = RunProgram("/bin/sh", {"-c", lines[i]});
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_EQ(QString::fromUtf8(run.output), QString::fromUtf8(want));
            EXPECT_FALSE(lines[i].contains('\n'));
        }
        EXPECT_EQ(QDir().entryList({"pwned*"}), QStringList());
    }

    QString tool_;
};

TEST_F(CommandLineTest, CreateCaPassesEveryFieldIntact)
{
    const QString key = kCa + "/private/ca.key.new";
    ExpectRuns(CreateCaCommands(tool_, kCa, kDays),
               {{{"genrsa", "-passout", "env:TARVIK_CA_PASS", "-des3", "-out", key, "2048"}},
                {{"req", "-new", "-passout", "env:TARVIK_CA_PASS", "-passin", "env:TARVIK_CA_PASS", "-x509", "-days",
                  kDays, "-config", kCa + "/root-ca.cnf", "-key", key, "-out", kCa + "/private/ca.crt.new"}}});
    EXPECT_EQ(SecretEnvironment(kPass), QStringList{"TARVIK_CA_PASS=" + kPass});
    EXPECT_EQ(SecretEnvironment(kPass, kPassword),
              (QStringList{"TARVIK_CA_PASS=" + kPass, "TARVIK_CERT_PASS=" + kPassword}));
}

TEST_F(CommandLineTest, CertificateLinesForBothKinds)
{
    const QString dir = kCa + "/certs/" + kName;
    for (const TCertKind kind : {TCertKind::Server, TCertKind::User}) {
        SCOPED_TRACE(kind == TCertKind::Server ? "server" : "user");
        const QString friendly = kind == TCertKind::Server ? kName + ".suffix" : kName;
        TCertificateRequest r{kind, tool_, kCa, kName, ".suffix", kDays, kCompany};
        QStringList lines = CertificateCommands(r);
        const QString chain = dir + "/" + kName + "-chain.pem.new";
        EXPECT_EQ(lines.takeAt(3), "sed -n '/^-----BEGIN CERTIFICATE-----$/,$p' " + ShellQuote(dir + "/user.crt.new") + " "
                                       + ShellQuote(kCa + "/private/ca.crt") + " > " + ShellQuote(chain));
        ExpectRuns(lines,
                   {{{"req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", dir + "/user.key.new", "-days", kDays,
                      "-config", kCa + "/user-cert.cnf", "-out", dir + "/user.csr.new"}},
                    {{"ca", "-batch", "-config", kCa + "/ca-sign.cnf", "-out", dir + "/user.crt.new", "-passin",
                      "env:TARVIK_CA_PASS", "-infiles", dir + "/user.csr.new"}},
                    {{"verify", "-CAfile", kCa + "/private/ca.crt", dir + "/user.crt.new"}},
                    {{"pkcs12", "-export", "-in", dir + "/user.crt.new", "-inkey", dir + "/user.key.new",
                      "-certfile", kCa + "/private/ca.crt", "-name", friendly, "-caname", kCompany + " CA", "-out",
                      dir + "/" + kName + ".p12.new", "-passin", "env:TARVIK_CERT_PASS", "-passout",
                      "env:TARVIK_CERT_PASS"}}});
    }
}

TEST_F(CommandLineTest, RevocationLines)
{
    const QString cnf = kCa + "/ca-sign.cnf";
    ExpectRuns(RevocationCommands(tool_, kCa, kSerial),
               {{{"ca", "-revoke", kCa + "/newcerts/" + kSerial + ".pem", "-config", cnf, "-passin",
                  "env:TARVIK_CA_PASS"}},
                {{"ca", "-config", cnf, "-passin", "env:TARVIK_CA_PASS", "-gencrl", "-out",
                  kCa + "/crl/" + kCa + ".crl.crt.new"}}});
}

TEST(CommandLines, PlainLineReadsAsExpected)
{
    EXPECT_EQ(CreateCaCommands("/usr/bin/openssl", "Alpha", "365").first(),
              "'/usr/bin/openssl' genrsa -passout env:TARVIK_CA_PASS -des3 -out 'Alpha/private/ca.key.new' 2048");
}

// Each question before issuing shows when it should, and only then.
TEST(CommandLines, WarningsBeforeIssue)
{
    const QDateTime now(QDate(2026, 12, 10), QTime(12, 0), QTimeZone::utc());
    struct Case
    {
        TOperationKind kind;
        const char *days;
        QDateTime caEnd;
        QStringList expected; // the start of each question
    };
    const QString apple = "Ce certificat de serveur serait valable", outlives = "Le certificat du CA expire le",
                  expired = "Le certificat du CA a expiré le";
    const Case cases[] = {
        {TOperationKind::ServerCertificate, "825", now.addYears(10), {}},
        {TOperationKind::ServerCertificate, "826", now.addYears(10), {apple}},
        {TOperationKind::UserCertificate, "1800", now.addYears(10), {}},
        {TOperationKind::UserCertificate, "360", now.addDays(360), {}},
        {TOperationKind::UserCertificate, "360", now.addDays(359), {outlives}},
        {TOperationKind::UserCertificate, "1826", now.addDays(1826).addSecs(-60), {}},
        {TOperationKind::ServerCertificate, "1800", now.addDays(100), {apple, outlives}},
        {TOperationKind::UserCertificate, "30", now.addSecs(-1), {expired}},
        {TOperationKind::UserCertificate, "30", QDateTime(), {}},
        {TOperationKind::Revocation, "", now.addSecs(-1), {}},
    };
    for (const Case &c : cases) {
        TOperationInput in;
        in.kind = c.kind;
        in.days = c.days;
        const QStringList warnings = WarningsBeforeIssue(in, c.caEnd, now);
        SCOPED_TRACE(std::string(c.days) + " " + warnings.join(" | ").toStdString());
        ASSERT_EQ(warnings.size(), c.expected.size());
        for (qsizetype i = 0; i < warnings.size(); ++i)
            EXPECT_TRUE(warnings[i].startsWith(c.expected[i]));
    }
    TOperationInput user;
    user.kind = TOperationKind::UserCertificate;
    const QDateTime caEnd(QDate(2028, 12, 9), QTime(12, 0), QTimeZone::utc());
    EXPECT_TRUE(WarningsBeforeIssue(user, caEnd, now.addYears(5))[0].contains("9 décembre 2028"));
}

TEST(CommandLines, CompletionMessages)
{
    EXPECT_EQ(Texts::CreateCaDone("Alpha"),
              "Votre ca.crt est dans Alpha/private/ca.crt Vous pouvez l'installer sur votre serveur web et vos "
              "clients.");
    EXPECT_EQ(Texts::ServerCertificateDone("Alpha", "www"),
              "Votre www.p12 est dans Alpha/certs/www/www.p12 Vous pouvez l'installer sur votre serveur web.");
    EXPECT_EQ(Texts::UserCertificateDone("Alpha", "jean"),
              "Votre jean.p12 est dans Alpha/certs/jean/jean.p12 Vous pouvez l'installer sur le poste de "
              "l'utilisateur.");
    EXPECT_EQ(Texts::RevocationDone("Alpha"),
              "Votre liste de revocation est dans Alpha/crl/Alpha.crl.crt Vous pouvez l'installer sur le serveur "
              "web.");
}

} // namespace
