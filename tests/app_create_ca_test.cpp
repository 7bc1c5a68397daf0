#include "app_Fixture.h"
#include "pki/CaLock.h"

#include "pki/Texts.h"

#include <QDateTime>
#include <QDirIterator>
#include <QLabel>
#include <QRegularExpression>

using CreateCaTest = PkiWindowTest;

TEST_F(CreateCaTest, CreatesAnEncryptedKeyAndASelfSignedCaCertificate)
{
    PrepareCa("acme.test");
    const QString pass = "p a\"s's $HOME ;`id` \\x";
    Type("cxMaskEdit1", pass);
    Click("cxButton6");
    EXPECT_TRUE(boxes->Texts("message").isEmpty()); // only once the tool has succeeded
    ASSERT_TRUE(WaitForRuns());
    ASSERT_EQ(boxes->Texts("message"),
              QStringList({"Votre ca.crt est dans acme.test/private/ca.crt Vous pouvez l'installer sur votre serveur web "
                           "et vos clients."}));
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
    // The DER copy is the same certificate.
    QByteArray der;
    RunOpenSsl({"x509", "-in", crt, "-outform", "DER"}, &der);
    EXPECT_EQ(ReadBytes(progDir + "acme.test/private/ca.cer"), der);

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

// The button works in the browsers of a temporary HOME: Chrome's database is made, a
// Firefox never opened is told, and the system store is left to the sudo line.
TEST_F(CreateCaTest, InstallerDansCePosteTrustsTheCaInTheUsersBrowsers)
{
    const QString certutil = QStandardPaths::findExecutable("certutil");
    if (certutil.isEmpty())
        GTEST_SKIP() << "no certutil";
    PrepareCa("acme.test");
    Click("btTrustCA");
    EXPECT_EQ(boxes->Texts("message").value(0), Texts::NoCaCertificate("acme.test"));
    Type("cxMaskEdit1", "secret");
    Click("cxButton6");
    ASSERT_TRUE(WaitForRuns());
    const QByteArray home = qgetenv("HOME");
    const QString scratch = progDir + "home";
    qputenv("HOME", scratch.toUtf8());
    boxes->shown.clear();
    Click("btTrustCA");
    qputenv("HOME", home);
    ASSERT_EQ(boxes->Texts("message").size(), 1) << boxes->Texts("error").value(0).toStdString();
    const QStringList lines = boxes->Texts("message").first().split(u'\n');
    EXPECT_EQ(lines.value(0), "Le CA acme.test installé dans ce poste :");
    EXPECT_EQ(lines.value(1), "Chrome, Chromium (~/.pki/nssdb) : " + Texts::TrustDatabaseCreated);
    EXPECT_EQ(lines.value(2), "Firefox (~/.mozilla/firefox) : " + Texts::TrustNeverStarted);
    EXPECT_TRUE(lines.last().startsWith("sudo ")) << lines.last().toStdString();
    EXPECT_TRUE(lines.last().endsWith(" trust acme.test --system")) << lines.last().toStdString();
    const TRun listed = RunProgram(certutil, {"-L", "-d", "sql:" + scratch + "/.pki/nssdb", "-n", "Tarvik acme.test"});
    EXPECT_EQ(listed.exitCode, 0) << listed.output.constData();
    EXPECT_FALSE(QFileInfo::exists(scratch + "/.mozilla"));
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
    const auto runsBefore = form->RunningOperations();

    boxes->shown.clear();
    boxes->answers = {false};
    Combo("comboKeyTypeCA")->setCurrentIndex(3);
    Click("cxButton6");
    const QString confirm = "Vous avez déja un certificat pour ce CA. Cliquez sur ok pour l'écraser, ATTENTION les "
                            "certificats signé par ce CA ne fonctionnerons plus.) La nouvelle clé du CA sera de type "
                            "ECDSA P-256.";
    EXPECT_EQ(boxes->Texts("confirm"), QStringList({confirm}));
    EXPECT_TRUE(boxes->Texts("message").isEmpty());
    EXPECT_EQ(Memo("cxMemo1"), pane);
    EXPECT_EQ(form->RunningOperations(), runsBefore);
    EXPECT_EQ(ReadBytes(key), oldKey);
    EXPECT_EQ(ReadBytes(crt), oldCrt);

    boxes->answers = {true};
    Click("cxButton6");
    ASSERT_TRUE(WaitForRuns());
    EXPECT_NE(ReadBytes(key), oldKey);
    EXPECT_NE(ReadBytes(crt), oldCrt);
    QByteArray out;
    EXPECT_EQ(RunOpenSsl({"verify", "-CAfile", crt, crt}, &out), 0) << out.constData();
    RunOpenSsl({"pkey", "-in", key, "-noout", "-text", "-passin", "pass:first pass"}, &out);
    EXPECT_TRUE(out.contains("NIST CURVE: P-256")) << out.constData();
}

// A stand-in tool that logs each call and, at call number failAt (0: never), writes part
// of its output file and then fails, saying why on its error output as OpenSSL does, or
// hangs until the run is stopped.
static void WriteStandInTool(const QString &path, int failAt, bool hang = false)
{
    WriteBytes(path, QStringLiteral("#!/bin/sh\necho \"$1\" >> calls.log\n"
                                    "n=$(wc -l < calls.log)\n"
                                    // A certificate it signs is written, for the copy into the chain file
                                    // that follows; never the operation's result.
                                    "if [ \"$n\" -ne %1 ]; then\n"
                                    "  while [ $# -gt 1 ]; do case \"$1 $2\" in '-out '*/certs/*/user.crt.new) echo signed > \"$2\";; esac; shift; done\n"
                                    "  exit 0\n"
                                    "fi\n"
                                    "while [ $# -gt 1 ]; do [ \"$1\" = -out ] && echo partial > \"$2\"; shift; done\n"
                                    "%2\n"
                                    "echo \"erreur simulée à l'appel $n\" >&2; exit 1\n")
                         .arg(failAt)
                         .arg(hang ? "touch hanging; sleep 60" : "")
                         .toUtf8());
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Each operation with a tool that fails at its first, a middle and its last command, or is
// stopped there by quitting: the error box names the operation and quotes the tool, no
// later command runs, and every file the user relies on stays as it was, byte for byte.
TEST_F(CreateCaTest, AFailedOrStoppedOperationLeavesEveryFileAsItWas)
{
    struct Case
    {
        const char *button;
        int commands; // tool calls of the operation
        const char *failure;
    };
    const Case cases[] = {
        {"cxButton6", 4, "La création du CA a échoué"},
        {"cxButton14", 4, "La création du certificat a échoué"},
        {"cxButton15", 4, "La création du certificat a échoué"},
        {"cxButton16", 2, "La révocation ou la publication de la CRL a échoué"},
    };
    PrepareCa("acme.test");
    const QStringList kept = {"private/ca.key", "private/ca.crt", "private/ca.cer", "crl/acme.test.crl.crt", "certs/www/user.key",
                              "certs/www/user.csr", "certs/www/user.crt", "certs/www/www.p12", "certs/Jean/user.key",
                              "certs/Jean/user.csr", "certs/Jean/user.crt", "certs/Jean/Jean.p12"};
    QDir(progDir).mkpath("acme.test/certs/www");
    QDir(progDir).mkpath("acme.test/certs/Jean");
    for (const QString &file : kept)
        WriteBytes(progDir + "acme.test/" + file, "earlier " + file.toUtf8());
    const auto files = [&] {
        QStringList all;
        for (QDirIterator it(progDir + "acme.test", QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            all << it.next();
        return all;
    };
    const QStringList allBefore = files();
    const auto prepare = [&] {
        Type("cxTextEdit1", progDir + "tool");
        FillOperationFields();
        Combo("comboTTLsrv")->setCurrentIndex(2);
        Combo("comboTTLusr")->setCurrentIndex(2);
        boxes->answers = QList<bool>(100, true);
    };
    prepare();
    for (const bool stop : {false, true}) {
        for (const Case &c : cases) {
            // 0: every call succeeds but the operation's file is not written.
            for (const int failAt : {1, c.commands / 2 + 1, c.commands, 0}) {
                if (stop && failAt == 0)
                    continue;
                SCOPED_TRACE(std::string(c.button) + (stop ? " stopped at " : " failing at ") + std::to_string(failAt));
                QFile::remove(progDir + "calls.log");
                QFile::remove(progDir + "hanging");
                WriteStandInTool(progDir + "tool", failAt, stop);
                boxes->shown.clear();
                Click(c.button);
                if (stop) {
                    ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(progDir + "hanging"); }));
                    EXPECT_TRUE(form->close());
                    EXPECT_EQ(boxes->Texts("confirm").last(), Texts::QuitWhileRunning);
                    Reopen();
                    // The stopped tool holds the CA's lock until it is gone.
                    ASSERT_TRUE(WaitFor([&] { return TCaLock(progDir + "acme.test").State() == TCaLock::Held; }));
                    prepare();
                } else {
                    ASSERT_TRUE(WaitForRuns());
                    EXPECT_TRUE(boxes->Texts("message").isEmpty());
                    const QString expected = failAt == 0 ? QString(c.failure) + " : le fichier "
                                                         : QString(c.failure) + QString(" : erreur simulée à l'appel %1.").arg(failAt);
                    ASSERT_EQ(boxes->Texts("error").size(), 1);
                    EXPECT_TRUE(boxes->Texts("error")[0].startsWith(expected)) << boxes->Texts("error")[0].toStdString();
                    EXPECT_EQ(ReadBytes(progDir + "calls.log").count('\n'), failAt == 0 ? c.commands : failAt);
                }
                for (const QString &file : kept)
                    EXPECT_EQ(ReadBytes(progDir + "acme.test/" + file), "earlier " + file.toUtf8()) << file.toStdString();
                if (!stop) { // a stopped run's leftovers go with the next run
                    EXPECT_EQ(files().filter(".new"), QStringList());
                }
            }
        }
    }
    EXPECT_FALSE(QFileInfo::exists(progDir + "acme.test/private/ca.key.prev"));
}

namespace {
QStringList logged;
void Remember(QtMsgType, const QMessageLogContext &, const QString &message)
{
    logged << message;
}
} // namespace

// With the real tool: a CA that has issued certificates keeps its key and certificate
// through a failed re-creation, the secrets show nowhere, a revocation stopped before its
// CRL is told at the next start, and a successful re-creation keeps the old pair once.
TEST_F(CreateCaTest, AWorkingCaSurvivesFailuresAndInterruptions)
{
    PrepareCa("acme.test");
    const QString pass = QString("sé") + QChar(0xa0) + "cret" + QChar(0x2028) + "x";
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Remember);
    Type("cxMaskEdit1", pass);
    Click("cxButton6");
    ASSERT_TRUE(WaitForRuns());
    FillOperationFields();
    Type("cxMaskEdit1", pass);
    Combo("comboTTLsrv")->setCurrentIndex(2);
    Click("cxButton14");
    ASSERT_TRUE(WaitForRuns());
    const QString key = progDir + "acme.test/private/ca.key", crt = progDir + "acme.test/private/ca.crt";
    const QByteArray oldKey = ReadBytes(key), oldCrt = ReadBytes(crt);

    // A CA extension the tool refuses only after the new key is made.
    const QString cnf = progDir + "acme.test/root-ca.cnf";
    const QByteArray goodCnf = ReadBytes(cnf);
    WriteBytes(cnf, goodCnf + "[ v3_ca ]\r\nbasicConstraints = bogus\r\n");
    boxes->shown.clear();
    boxes->answers = {true};
    Click("cxButton6");
    ASSERT_TRUE(WaitForRuns());
    ASSERT_EQ(boxes->Texts("confirm").size(), 1);
    EXPECT_TRUE(boxes->Texts("confirm")[0].startsWith("Ce CA a déjà signé 1 certificat : si vous le créez de nouveau, "
                                                      "il ne sera plus reconnu"));
    ASSERT_EQ(boxes->Texts("error").size(), 1);
    EXPECT_TRUE(boxes->Texts("error")[0].startsWith("La création du CA a échoué : ")) << boxes->Texts("error")[0].toStdString();
    EXPECT_EQ(ReadBytes(key), oldKey);
    EXPECT_EQ(ReadBytes(crt), oldCrt);
    WriteBytes(cnf, goodCnf);
    Combo("comboTTLusr")->setCurrentIndex(2);
    Click("cxButton15");
    ASSERT_TRUE(WaitForRuns());
    QByteArray out;
    EXPECT_EQ(RunOpenSsl({"verify", "-x509_strict", "-CAfile", crt, progDir + "acme.test/certs/Jean/user.crt"}, &out), 0)
        << out.constData();

    // A tool that fails without a word: the box gives the exit status, never a command.
    WriteBytes(progDir + "silent", "#!/bin/sh\nexit 3\n");
    QFile(progDir + "silent").setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    Type("cxTextEdit1", progDir + "silent");
    boxes->answers = {true};
    Click("cxButton16");
    ASSERT_TRUE(WaitForRuns());
    EXPECT_EQ(boxes->Texts("error").last(),
              "La révocation ou la publication de la CRL a échoué : l'interpréteur de commandes s'est arrêté avec le "
              "code 3.");
    qInstallMessageHandler(previous);
    const QString secretPart = "cret";
    for (const auto &box : boxes->shown)
        EXPECT_FALSE(box.text.contains(secretPart)) << box.text.toStdString();
    for (const char *pane : {"cxMemo1", "cxMemo2", "cxMemo3", "cxMemo4"})
        EXPECT_FALSE(Memo(pane).contains(secretPart)) << pane;
    for (const QString &line : logged)
        EXPECT_FALSE(line.contains(secretPart)) << line.toStdString();

    // Quitting between the revocation and its CRL: asked first, then told at the next start.
    WriteBytes(progDir + "slowcrl", ("#!/bin/sh\ncase \"$*\" in *-gencrl*) touch hanging; sleep 60;; esac\nexec '"
                                     + OpenSsl() + "' \"$@\"\n").toUtf8());
    QFile(progDir + "slowcrl").setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    Type("cxTextEdit1", progDir + "slowcrl");
    Type("txtRevokeNumber", "01");
    boxes->answers = {true};
    Click("cxButton16");
    ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(progDir + "hanging"); }));
    boxes->answers = {false};
    EXPECT_FALSE(form->close());
    EXPECT_EQ(form->RunningOperations(), 1);
    boxes->answers = {true};
    EXPECT_TRUE(form->close());
    Reopen();
    ASSERT_TRUE(WaitFor([&] { return TCaLock(progDir + "acme.test").State() == TCaLock::Held; }));
    ASSERT_EQ(boxes->Texts("message").size(), 1);
    EXPECT_TRUE(boxes->Texts("message")[0].contains("ne contient pas le certificat révoqué n° 01"))
        << boxes->Texts("message")[0].toStdString();
    Type("cxTextEdit1", OpenSsl());
    Type("cxMaskEdit4", pass);
    Click("btPublishCrl");
    ASSERT_TRUE(WaitForRuns());
    ShowPage("cxTabSheet5");
    EXPECT_FALSE(Find<QLabel>("lblExpiry")->text().contains("ne contient pas"));

    // A successful re-creation keeps the old pair once.
    boxes->answers = {true};
    Type("cxMaskEdit1", pass);
    Click("cxButton6");
    ASSERT_TRUE(WaitForRuns());
    EXPECT_EQ(ReadBytes(key + ".prev"), oldKey);
    EXPECT_EQ(ReadBytes(crt + ".prev"), oldCrt);
    EXPECT_NE(ReadBytes(key), oldKey);
}

// Runs that are bound to fail are refused before anything is written or started.
TEST_F(CreateCaTest, ARunBoundToFailIsRefusedBeforeAnythingIsWritten)
{
    PrepareCa("acme.test");
    WriteBytes(progDir + "notexec", "#!/bin/sh\n");
    struct Case
    {
        const char *what, *button, *field;
        QString value, refusal;
        bool saved = false;  // the CA's subject as Save wrote it is what the CA creation reads
        bool caCert = false; // past the "no CA certificate" refusal
    };
    const QString past9999 = "Cette durée mènerait au-delà du 31 décembre 9999";
    const Case cases[] = {
        {"empty pass phrase", "cxButton6", "cxMaskEdit1", "", "Merci de remplir tous les champs ci-dessus"},
        {"CA days empty", "cxButton6", "txtTTLCA", "", "« Durée de vie du CA » doit être un nombre entier"},
        {"CA days zero", "cxButton6", "txtTTLCA", "0", "« Durée de vie du CA » doit être un nombre entier"},
        {"CA days words", "cxButton6", "txtTTLCA", "1 AN", "« Durée de vie du CA » doit être un nombre entier"},
        {"CA days negative", "cxButton6", "txtTTLCA", "-5", "« Durée de vie du CA » doit être un nombre entier"},
        {"CA days past 9999", "cxButton6", "txtTTLCA", "999999999", past9999},
        {"tool missing", "cxButton6", "cxTextEdit1", "/nonexistent/openssl", "« /nonexistent/openssl » n'est pas"},
        {"tool not executable", "cxButton6", "cxTextEdit1", "notexec", "« notexec » n'est pas un programme"},
        {"tool a folder", "cxButton6", "cxTextEdit1", "/tmp", "« /tmp » n'est pas un programme"},
        {"server without CA certificate", "cxButton14", "", "", "Le CA acme.test n'a pas encore de certificat"},
        {"user without CA certificate", "cxButton15", "", "", "Le CA acme.test n'a pas encore de certificat"},
        {"revocation without CA certificate", "cxButton16", "", "", "Le CA acme.test n'a pas encore de certificat"},
        // What the tool would refuse half-way, after making a key.
        {"CA name over 64", "cxButton6", "txtCompanyCA", QString(62, u'S'), "Nom trop long : le nom du CA", true},
        {"organisation over 64", "cxButton14", "txtCompanyCA", QString(65, u'S'),
         "Le champ « Nom Sociétée » du CA dépasse 64 caractères", false, true},
        {"unit over 64", "cxButton15", "txtServiceCA", QString(65, u'é'), "Le champ « Nom Service » du CA dépasse 64",
         false, true},
        {"province over 128", "cxButton14", "txtProvinceCA", QString(129, u'p'),
         "Le champ « Nom province » du CA dépasse 128", false, true},
        {"city over 128", "cxButton15", "txtVilleCA", QString(129, u'v'), "Le champ « Nom ville » du CA dépasse 128",
         false, true},
        {"e-mail over 128", "cxButton14", "txtEmailCA", QString(120, u'm') + "@acme.test",
         "Le champ « email » du CA dépasse 128", false, true},
        {"server name over 64", "cxButton14", "cxTextEdit8", QString(55, u'h'),
         "Nom trop long : le nom du serveur (« FQDN du serveur » suivi de « .acme.test »)", false, true},
        {"user name over 64", "cxButton15", "cxTextEdit9", QString(65, u'u'),
         "Nom trop long : le « Nom de l'utilisateur » dépasse 64", false, true},
        {"server days past 9999", "cxButton14", "txtTTLsrv", "2920000", past9999, false, true},
    };
    const QString tool = OpenSsl();
    const char *subjectFields[] = {"txtCompanyCA", "txtServiceCA", "txtProvinceCA", "txtVilleCA", "txtEmailCA"};
    QMap<QString, QString> subject;
    for (const char *field : subjectFields)
        subject[field] = Text(field);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Type("cxTextEdit1", tool);
        for (const char *field : subjectFields)
            Type(field, subject[field]);
        Click("cxButton1");
        FillOperationFields();
        Type("txtTTLCA", "3600");
        Type("txtTTLsrv", "360");
        Type("txtTTLusr", "360");
        if (*c.field)
            Type(c.field, c.value);
        if (c.saved)
            Click("cxButton1");
        QFile::remove(progDir + "acme.test/private/ca.crt");
        if (c.caCert)
            WriteBytes(progDir + "acme.test/private/ca.crt", "stand-in");
        const auto before = Tree(progDir);
        boxes->shown.clear();
        Click(c.button);
        ASSERT_EQ(boxes->Texts("message").size(), 1);
        EXPECT_TRUE(boxes->Texts("message")[0].startsWith(c.refusal)) << boxes->Texts("message")[0].toStdString();
        EXPECT_EQ(form->RunningOperations(), 0);
        EXPECT_EQ(Tree(progDir), before);
    }
    QFile::remove(progDir + "acme.test/private/ca.crt");
    // An empty subject field of the CA as saved.
    Type("txtVilleCA", "");
    Click("cxButton1");
    boxes->shown.clear();
    Type("cxMaskEdit1", "secret");
    Click("cxButton6");
    EXPECT_EQ(boxes->Texts("message"),
              QStringList({"Le champ « Nom ville » du CA est vide : remplissez-le sur la page Configuration puis "
                           "cliquez sur Save."}));
    EXPECT_EQ(form->RunningOperations(), 0);
}

// Ended runs are released: many operations leave no run, thread or descriptor behind.
TEST_F(CreateCaTest, EndedRunsAreReleased)
{
    PrepareCa("acme.test");
    WriteBytes(progDir + "acme.test/private/ca.crt", "stand-in");
    WriteStandInTool(progDir + "tool", 0);
    Type("cxTextEdit1", progDir + "tool");
    Type("cxMaskEdit4", "secret");
    Type("txtRevokeNumber", "01");
    const auto entries = [](const char *dir) { return QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(); };
    // The first run lets Qt set up what it keeps for the process.
    Click("cxButton16");
    ASSERT_TRUE(WaitForRuns());
    const auto fds = entries("/proc/self/fd"), threads = entries("/proc/self/task");
    for (int i = 0; i < 200; ++i) {
        Click("cxButton16");
        ASSERT_TRUE(WaitForRuns());
    }
    EXPECT_TRUE(WaitFor([&] { return entries("/proc/self/task") <= threads; }, 5000));
    EXPECT_EQ(entries("/proc/self/fd"), fds);
    const QObjectList children = form->children();
    EXPECT_FALSE(std::any_of(children.begin(), children.end(),
                             [](QObject *child) { return dynamic_cast<TConsoleCommand *>(child) != nullptr; }));
    EXPECT_EQ(boxes->Texts("error").size(), 201); // the stand-in writes no CRL
}

TEST_F(CreateCaTest, ASecondOperationOnTheSameCaIsRefusedWhileTheFirstRuns)
{
    PrepareCa("acme.test");
    // A stand-in tool that takes its time.
    QFile slow(progDir + "slowtool");
    ASSERT_TRUE(slow.open(QIODevice::WriteOnly));
    slow.write(("#!/bin/sh\nwhile [ ! -e '" + progDir + "go' ]; do sleep 0.05; done\n").toUtf8());
    slow.close();
    slow.setPermissions(slow.permissions() | QFileDevice::ExeOwner);
    Type("cxTextEdit1", progDir + "slowtool");
    Type("cxMaskEdit1", "secret");
    Click("cxButton6");
    // A second click could only be refused: the page's button is grey while its run goes.
    EXPECT_FALSE(Find<QPushButton>("cxButton6")->isEnabled());
    Click("cxButton6");
    Type("cxTextEdit8", "www");
    Type("cxTextEdit3", "pw");
    Click("cxButton14");
    const QString busy = "Une opération est déjà en cours sur ce CA.";
    EXPECT_EQ(boxes->Texts("message"), QStringList({busy}));
    // `tarvik crl` takes the same lock from its own process.
    EXPECT_EQ(TCaLock("acme.test").State(), TCaLock::Busy);
    // Another CA's operation on the same page would mix both outputs in its pane.
    AddCa("beta");
    boxes->shown.clear();
    Click("cxButton6");
    EXPECT_TRUE(boxes->shown.isEmpty());
    // The run ends while the question to quit waits: its box follows the answer, never
    // covers the question.
    boxes->duringConfirm = [this] {
        WriteBytes(progDir + "go", "");
        ASSERT_TRUE(WaitForRuns());
    };
    EXPECT_FALSE(form->close());
    EXPECT_EQ(boxes->Texts("confirm"), QStringList({Texts::QuitWhileRunning}));
    ASSERT_TRUE(WaitFor([&] { return boxes->shown.size() == 2; }));
    EXPECT_EQ(boxes->shown[1].kind, "error");
    EXPECT_EQ(boxes->stacked, 0);
    EXPECT_TRUE(Find<QPushButton>("cxButton6")->isEnabled());
    {
        const TCaLock commandLine("beta");
        boxes->shown.clear();
        Click("cxButton6");
        EXPECT_EQ(boxes->Texts("message"), QStringList({busy}));
    }
    // The end of the run, reported by its worker, frees the CA.
    boxes->shown.clear();
    Click("cxButton6");
    EXPECT_FALSE(boxes->Texts("message").contains(busy));
    ASSERT_TRUE(WaitForRuns());
}

TEST_F(CreateCaTest, NoSelectedCaIsRefusedByEveryOperation)
{
    Open();
    FillOperationFields();
    for (const char *button : {"cxButton6", "cxButton14", "cxButton15", "cxButton16"})
        Click(button);
    EXPECT_EQ(boxes->Texts("message"), QStringList(4, "Aucun CA n'est sélectionné."));
    EXPECT_TRUE(form->RunningOperations() == 0);
    EXPECT_FALSE(QFileInfo::exists(progDir + "certs"));
}
