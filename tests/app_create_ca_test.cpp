#include "app_Fixture.h"

#include <QDateTime>
#include <QRegularExpression>

using CreateCaTest = PkiWindowTest;

TEST_F(CreateCaTest, CreatesAnEncryptedKeyAndASelfSignedCaCertificate)
{
    PrepareCa("acme.test");
    const QString pass = "p a\"s's $HOME ;`id` \\x";
    Type("cxMaskEdit1", pass);
    Click("cxButton6");
    ASSERT_EQ(boxes->Texts("message"),
              QStringList({"Votre ca.crt est dans acme.test/private/ca.crt Vous pouvez l'installer sur votre serveur web "
                           "et vos clients."}));
    ASSERT_TRUE(WaitForRuns());
    EXPECT_TRUE(boxes->Texts("error").isEmpty());

    const QString key = progDir + "acme.test/private/ca.key";
    const QString crt = progDir + "acme.test/private/ca.crt";
    EXPECT_EQ(RunOpenSsl({"rsa", "-in", key, "-noout", "-passin", "stdin"}, nullptr, pass.toUtf8() + "\n"), 0);
    EXPECT_NE(RunOpenSsl({"rsa", "-in", key, "-noout", "-passin", "pass:"}), 0);
    EXPECT_NE(RunOpenSsl({"rsa", "-in", key, "-noout", "-passin", "pass:wrong"}), 0);

    QByteArray out;
    EXPECT_EQ(RunOpenSsl({"verify", "-CAfile", crt, crt}, &out), 0) << out.constData();
    RunOpenSsl({"x509", "-in", crt, "-noout", "-ext", "basicConstraints"}, &out);
    EXPECT_TRUE(out.contains("CA:TRUE")) << out.constData();

    RunOpenSsl({"x509", "-in", crt, "-noout", "-startdate", "-enddate"}, &out);
    const auto date = [&](const char *field) {
        const QRegularExpression re(QString(field) + "=(\\w+) +(\\d+) (\\d\\d:\\d\\d:\\d\\d) (\\d+) GMT");
        const auto m = re.match(QString::fromLatin1(out));
        return QDateTime::fromString(m.captured(1) + " " + m.captured(2) + " " + m.captured(3) + " " + m.captured(4),
                                     "MMM d HH:mm:ss yyyy");
    };
    EXPECT_EQ(date("notBefore").daysTo(date("notAfter")), 3600) << out.constData();

    const QByteArray subject = Subject(crt);
    for (const char *part : {"C=FR", "ST=Île-de-France", "L=Saint-Étienne", "O=Société Générale d'Ingénierie",
                             "OU=Sécurité", "CN=Société Générale d'Ingénierie CA", "emailAddress=pki@acme.test"})
        EXPECT_TRUE(subject.contains(QByteArray("    ") + part + "\n")) << part << "\n" << subject.constData();

    // The pane shows the commands as the shell read them, then the tool's messages.
    const QString pane = Memo("cxMemo1");
    EXPECT_TRUE(pane.contains("genrsa")) << pane.toStdString();
    EXPECT_TRUE(pane.contains("req -new")) << pane.toStdString();
    EXPECT_TRUE(pane.contains("exit")) << pane.toStdString();
    EXPECT_FALSE(QFileInfo::exists(progDir + "seed.rnd"));
}

TEST_F(CreateCaTest, AnExistingCaCertificateIsReplacedOnlyAfterOk)
{
    PrepareCa("acme.test");
    Type("cxMaskEdit1", "first pass");
    Click("cxButton6");
    ASSERT_TRUE(WaitForRuns());
    const QString key = progDir + "acme.test/private/ca.key";
    const QString crt = progDir + "acme.test/private/ca.crt";
    const QByteArray oldKey = ReadBytes(key), oldCrt = ReadBytes(crt);
    ASSERT_FALSE(oldCrt.isEmpty());
    const QString pane = Memo("cxMemo1");
    const auto runsBefore = form->ConsoleRuns().size();

    boxes->shown.clear();
    boxes->answers = {false};
    Click("cxButton6");
    const QString confirm = "Vous avez déja un certificat pour ce CA. Cliquez sur ok pour l'écraser, ATTENTION les "
                            "certificats signé par ce CA ne fonctionnerons plus.)";
    EXPECT_EQ(boxes->Texts("confirm"), QStringList({confirm}));
    EXPECT_TRUE(boxes->Texts("message").isEmpty());
    EXPECT_EQ(Memo("cxMemo1"), pane);
    EXPECT_EQ(form->ConsoleRuns().size(), runsBefore);
    EXPECT_EQ(ReadBytes(key), oldKey);
    EXPECT_EQ(ReadBytes(crt), oldCrt);

    boxes->answers = {true};
    Click("cxButton6");
    ASSERT_TRUE(WaitForRuns());
    EXPECT_NE(ReadBytes(key), oldKey);
    EXPECT_NE(ReadBytes(crt), oldCrt);
    QByteArray out;
    EXPECT_EQ(RunOpenSsl({"verify", "-CAfile", crt, crt}, &out), 0) << out.constData();
}

TEST_F(CreateCaTest, AWrongToolPathShowsTheShellsComplaint)
{
    PrepareCa("acme.test");
    Type("cxTextEdit1", progDir + "no such openssl");
    Type("cxMaskEdit1", "secret");
    Click("cxButton6");
    ASSERT_TRUE(WaitForRuns());
    const QString pane = Memo("cxMemo1");
    EXPECT_TRUE(pane.contains("not found") || pane.contains("No such file")) << pane.toStdString();
    EXPECT_TRUE(boxes->Texts("error").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(progDir + "acme.test/private/ca.crt"));
}

TEST_F(CreateCaTest, ASecondOperationOnTheSameCaIsRefusedWhileTheFirstRuns)
{
    PrepareCa("acme.test");
    // A stand-in tool that takes its time.
    QFile slow(progDir + "slowtool");
    ASSERT_TRUE(slow.open(QIODevice::WriteOnly));
    slow.write("#!/bin/sh\nsleep 2\n");
    slow.close();
    slow.setPermissions(slow.permissions() | QFileDevice::ExeOwner);
    Type("cxTextEdit1", progDir + "slowtool");
    Type("cxMaskEdit1", "secret");
    Click("cxButton6");
    Click("cxButton6");
    Type("cxTextEdit8", "www");
    Type("cxTextEdit3", "pw");
    Click("cxButton14");
    const QString busy = "Une opération est déjà en cours sur ce CA.";
    EXPECT_EQ(boxes->Texts("message").mid(1), QStringList({busy, busy}));
    ASSERT_TRUE(WaitForRuns());
    // The end of the run, reported by its worker, frees the CA.
    boxes->shown.clear();
    Click("cxButton6");
    EXPECT_FALSE(boxes->Texts("message").contains(busy));
    ASSERT_TRUE(WaitForRuns());
}

TEST_F(CreateCaTest, NoSelectedCaIsRefusedByEveryOperation)
{
    Open();
    Type("cxMaskEdit1", "secret");
    Type("cxTextEdit8", "www");
    Type("cxTextEdit3", "pw");
    Type("cxTextEdit9", "Jean");
    Type("cxTextEdit4", "pw");
    Type("txtRevokeNumber", "01");
    for (const char *button : {"cxButton6", "cxButton14", "cxButton15", "cxButton16"})
        Click(button);
    EXPECT_EQ(boxes->Texts("message"), QStringList(4, "Aucun CA n'est sélectionné."));
    EXPECT_TRUE(form->ConsoleRuns().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(progDir + "certs"));
}
