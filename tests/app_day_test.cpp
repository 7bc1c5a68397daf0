// A whole day of a small organisation, played through the window with the real
// OpenSSL tool, every result checked with OpenSSL itself.
#include "app_Fixture.h"
#include "pki/Texts.h"
#include "pki/CommandLines.h"
#include "pki/Expiry.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTimer>
#include <QRandomGenerator>

class DayTest : public PkiWindowTest
{
protected:
    QString Ca(const QString &ca, const QString &file) { return progDir + ca + "/" + file; }

    void CreateCa(const QString &pass)
    {
        Type("cxMaskEdit1", pass);
        Click("cxButton6");
        ASSERT_TRUE(WaitForRuns());
    }
    void IssueServer(const QString &host, const QString &password)
    {
        Type("cxTextEdit8", host);
        Type("cxTextEdit3", password);
        Click("cxButton14");
        ASSERT_TRUE(WaitForRuns());
    }
    void IssueUser(const QString &user, const QString &password)
    {
        Type("cxTextEdit9", user);
        Type("cxTextEdit4", password);
        Click("cxButton15");
        ASSERT_TRUE(WaitForRuns());
    }
    QByteArray Tool(const QStringList &args, int *code = nullptr, const QByteArray &input = QByteArray())
    {
        const TRun run = RunProgram(OpenSsl(), args, input);
        if (code)
            *code = run.exitCode;
        return run.output;
    }
    void ExpectVerifies(const QString &ca, const QString &cert)
    {
        int rc = 0;
        const QByteArray out = Tool({"verify", "-x509_strict", "-CAfile", Ca(ca, "private/ca.crt"), cert}, &rc);
        EXPECT_EQ(rc, 0) << out.constData();
        EXPECT_TRUE(out.contains(": OK")) << out.constData();
    }
    // Types the path into the next file dialog and opens it, as a user would.
    void AnswerFileDialog(const QString &path)
    {
        auto *poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, poll, [poll, path] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(path);
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it
            poll->deleteLater();
        });
        poll->start(10);
    }
    QStringList Items(const char *list)
    {
        QStringList items;
        for (int i = 0; i < Find<QListWidget>(list)->count(); ++i)
            items << Find<QListWidget>(list)->item(i)->text();
        return items;
    }
    // The server certificate must serve a TLS client that checks chain and name.
    void ExpectTlsHandshake(const QString &dir, const QString &ca, const QString &name)
    {
        QProcess server;
        server.setProcessChannelMode(QProcess::MergedChannels);
        int port = 0;
        for (int attempt = 0; attempt < 5 && port == 0; ++attempt) {
            const int candidate = 20000 + int(QRandomGenerator::global()->bounded(20000));
            server.start(OpenSsl(), {"s_server", "-accept", QString("127.0.0.1:%1").arg(candidate), "-cert",
                                     dir + "/user.crt", "-key", dir + "/user.key", "-naccept", "1", "-quiet"});
            ASSERT_TRUE(server.waitForStarted(5000));
            // s_server stays up once it listens; it exits at once when the port is taken.
            if (!server.waitForFinished(700))
                port = candidate;
        }
        ASSERT_NE(port, 0);
        int rc = 0;
        const QByteArray out = Tool({"s_client", "-connect", QString("127.0.0.1:%1").arg(port), "-verify_return_error", "-x509_strict",
                                     "-CAfile", Ca(ca, "private/ca.crt"), "-verify_hostname", name, "-brief"},
                                    &rc, "Q\n");
        EXPECT_EQ(rc, 0) << out.constData();
        EXPECT_TRUE(out.contains("Verification: OK")) << out.constData();
        server.kill();
        server.waitForFinished(5000);
    }
};

TEST_F(DayTest, TwoCasServersAUserARevocationAndTheCrl)
{
    // Morning: two CAs, each with its own key and certificate.
    PrepareCa("beta.test");
    CreateCa("beta secret");
    PrepareCa("acme.test");
    // Characters the configuration parser takes for a variable or a comment reach the certificates.
    const QString crlUrl = "http://pki.acme.test/acme.test.crl?v=$1#x";
    Type("txtCrlUrlCA", crlUrl);
    Click("cxButton1");
    CreateCa("acme secret");
    ASSERT_EQ(Combo("comboDomaineName")->currentText(), "acme.test");
    ASSERT_TRUE(boxes->Texts("error").isEmpty());

    // Servers for two hosts; the export password has blanks and quotes.
    Combo("comboTTLsrv")->setCurrentIndex(2);
    const QString p12Password = "mot de \"passe\" l'export $x";
    const QString altNames = "acme.test intranet 10.0.0.5 2001:db8::5";
    Type("txtAltNamesSrv", "acme.test, intranet ACME.test 10.0.0.5,2001:DB8:0::5");
    IssueServer("www", p12Password);
    Type("txtAltNamesSrv", "");
    IssueServer("mail", "mail pass");
    EXPECT_TRUE(boxes->Texts("message").contains(
        "Votre www.p12 est dans acme.test/certs/www/www.p12 Vous pouvez l'installer sur votre serveur web."));

    // A user whose name has an accent and a blank, exported in the tool's modern format.
    Find<QCheckBox>("chkCompatUsr")->click();
    EXPECT_FALSE(Find<QCheckBox>("chkCompatSrv")->isChecked());
    const QString user = "Jean Dupré";
    IssueUser(user, "user pass");
    EXPECT_TRUE(boxes->Texts("message").contains("Votre Jean Dupré.p12 est dans acme.test/certs/Jean Dupré/Jean Dupré.p12 "
                                                 "Vous pouvez l'installer sur le poste de l'utilisateur."));
    ASSERT_TRUE(boxes->Texts("error").isEmpty());
    ASSERT_TRUE(boxes->Texts("confirm").isEmpty());

    const QString www = Ca("acme.test", "certs/www"), mail = Ca("acme.test", "certs/mail"),
                  jean = Ca("acme.test", "certs/" + user);
    for (const QString &dir : {www, mail, jean})
        ExpectVerifies("acme.test", dir + "/user.crt");
    // Signed by its own CA only.
    int rc = 0;
    Tool({"verify", "-CAfile", Ca("beta.test", "private/ca.crt"), www + "/user.crt"}, &rc);
    EXPECT_NE(rc, 0);

    QByteArray ext = Tool({"x509", "-in", www + "/user.crt", "-noout", "-ext", "subjectAltName,extendedKeyUsage"});
    EXPECT_TRUE(ext.contains("DNS:www.acme.test")) << ext.constData();
    EXPECT_TRUE(ext.contains("TLS Web Server Authentication")) << ext.constData();
    ext = Tool({"x509", "-in", jean + "/user.crt", "-noout", "-ext", "extendedKeyUsage"});
    EXPECT_TRUE(ext.contains("TLS Web Client Authentication")) << ext.constData();
    EXPECT_TRUE(ext.contains("E-mail Protection")) << ext.constData();
    const QByteArray subject = Subject(jean + "/user.crt");
    EXPECT_TRUE(subject.contains("    CN=Jean Dupré\n")) << subject.constData();
    EXPECT_TRUE(subject.contains("    emailAddress=pki@acme.test\n")) << subject.constData();
    Tool({"x509", "-in", www + "/user.crt", "-noout", "-checkend", QString::number(359 * 86400)}, &rc);
    EXPECT_EQ(rc, 0);
    Tool({"x509", "-in", www + "/user.crt", "-noout", "-checkend", QString::number(361 * 86400)}, &rc);
    EXPECT_NE(rc, 0);

    // Each export opens with its password and holds certificate, key and CA certificate.
    struct Export
    {
        QString file, password, friendlyName;
        const char *mac, *pbe;
    };
    const Export exports[] = {{www + "/www.p12", p12Password, "www.acme.test", "MAC: sha1", "pbeWithSHA1And3-KeyTripleDES-CBC"},
                              {jean + "/" + user + ".p12", "user pass", user, "MAC: sha256", "PBES2"}};
    for (const Export &e : exports) {
        SCOPED_TRACE(e.file.toStdString());
        const QByteArray dump = Tool({"pkcs12", "-in", e.file, "-passin", "stdin", "-nodes", "-info"}, &rc,
                                     e.password.toUtf8() + "\n");
        EXPECT_EQ(rc, 0) << dump.constData();
        EXPECT_EQ(dump.count("BEGIN CERTIFICATE"), 2) << dump.constData();
        EXPECT_EQ(dump.count("BEGIN PRIVATE KEY"), 1);
        EXPECT_TRUE(dump.contains(e.mac)) << dump.constData();
        EXPECT_TRUE(dump.contains(e.pbe)) << dump.constData();
        // The names are stored as BMP strings, which the tool prints one byte a character.
        EXPECT_TRUE(dump.contains("friendlyName: " + e.friendlyName.toLatin1())) << dump.constData();
        EXPECT_TRUE(dump.contains("friendlyName: " + QString("Société Générale d'Ingénierie CA").toLatin1()));
        Tool({"pkcs12", "-in", e.file, "-passin", "pass:wrong", "-nodes"}, &rc);
        EXPECT_NE(rc, 0);
    }

    ExpectTlsHandshake(www, "acme.test", "www.acme.test");
    const auto expectAnswersTo = [&](const QStringList &names) {
        for (const QString &name : names) {
            const char *option = name.contains(':') || name[0].isDigit() ? "-verify_ip" : "-verify_hostname";
            const QByteArray out = Tool({"verify", "-x509_strict", "-CAfile", Ca("acme.test", "private/ca.crt"), option,
                                         name, www + "/user.crt"}, &rc);
            EXPECT_EQ(rc, 0) << qPrintable(name) << out.constData();
        }
    };
    expectAnswersTo(QStringList{"www.acme.test"} + altNames.split(' '));
    Tool({"verify", "-CAfile", Ca("acme.test", "private/ca.crt"), "-verify_ip", "10.0.0.6", www + "/user.crt"}, &rc);
    EXPECT_NE(rc, 0);
    for (const QString &cert : {www + "/user.crt", jean + "/user.crt"})
        EXPECT_TRUE(Tool({"x509", "-in", cert, "-noout", "-ext", "crlDistributionPoints"}).contains("URI:" + crlUrl.toUtf8()))
            << qPrintable(cert);

    // Afternoon: the mail server's certificate (serial 02) is revoked.
    ShowPage("cxTabSheet5");
    EXPECT_EQ(Items("cxListBox1").size(), 3);
    EXPECT_TRUE(Items("cxListBox2").isEmpty());
    Find<QListWidget>("cxListBox1")->setCurrentRow(1); // mail.acme.test
    EXPECT_EQ(Text("txtRevokeNumber"), "02");
    boxes->answers = {true};
    Click("cxButton16");
    ASSERT_TRUE(WaitForRuns());
    ASSERT_EQ(boxes->Texts("confirm").size(), 1);
    EXPECT_TRUE(boxes->Texts("confirm")[0].startsWith("Révoquer le certificat « mail.acme.test » (n° 02, valable "
                                                      "jusqu'au "))
        << qPrintable(boxes->Texts("confirm")[0]);
    EXPECT_TRUE(boxes->Texts("message").contains(
        "Votre liste de revocation est dans acme.test/crl/acme.test.crl.crt Vous pouvez l'installer sur le serveur web."));
    // Read again at once, without "relir les listes".
    EXPECT_FALSE(Find<QLabel>("lblExpiry")->text().contains("aucune CRL"));
    EXPECT_EQ(Items("cxListBox1").size(), 2);
    ASSERT_EQ(Items("cxListBox2").size(), 1);
    EXPECT_TRUE(Items("cxListBox2")[0].startsWith("R\t"));
    EXPECT_TRUE(Items("cxListBox2")[0].contains("\t02\t"));
    const QString crl = Ca("acme.test", "crl/acme.test.crl.crt");
    const QByteArray crlText = Tool({"crl", "-in", crl, "-noout", "-text"}, &rc);
    EXPECT_EQ(rc, 0) << crlText.constData();
    EXPECT_TRUE(crlText.contains("Serial Number: 02")) << crlText.constData();
    // What clients fetch from the CRL address: the same list in DER.
    EXPECT_EQ(Tool({"crl", "-inform", "DER", "-in", Ca("acme.test", "crl/acme.test.crl"), "-noout", "-text"}, &rc), crlText);
    EXPECT_EQ(rc, 0);
    Tool({"verify", "-crl_check", "-x509_strict", "-CAfile", Ca("acme.test", "private/ca.crt"), "-CRLfile", crl, mail + "/user.crt"}, &rc);
    EXPECT_NE(rc, 0);
    Tool({"verify", "-crl_check", "-x509_strict", "-CAfile", Ca("acme.test", "private/ca.crt"), "-CRLfile", crl, www + "/user.crt"}, &rc);
    EXPECT_EQ(rc, 0);

    // Revoking it again, a serial never issued, or with a wrong pass phrase fails, says why
    // in French before the tool's own line, and leaves the CRL as it is.
    const QByteArray published = ReadBytes(crl);
    const struct
    {
        const char *serial, *passphrase, *why;
    } refused[] = {{"02", "acme secret", "ce certificat est déjà révoqué. (OpenSSL : "},
                   {"99", "acme secret", "aucun certificat de ce CA ne porte ce numéro"},
                   {"01", "wrong", "la phrase de passe du CA est fausse"}};
    for (const auto &r : refused) {
        SCOPED_TRACE(r.serial);
        boxes->shown.clear();
        boxes->answers = {true};
        Type("txtRevokeNumber", r.serial);
        Type("cxMaskEdit4", r.passphrase);
        Click("cxButton16");
        ASSERT_TRUE(WaitForRuns());
        EXPECT_TRUE(boxes->Texts("message").isEmpty());
        ASSERT_EQ(boxes->Texts("error").size(), 1);
        EXPECT_TRUE(boxes->Texts("error")[0].startsWith("La révocation ou la publication de la CRL a échoué : "
                                                        + QString::fromUtf8(r.why)))
            << qPrintable(boxes->Texts("error")[0]);
        EXPECT_EQ(ReadBytes(crl), published);
    }
    Type("cxMaskEdit4", "acme secret");
    boxes->shown.clear();
    boxes->answers.clear();

    // Evening: the web server's certificate is renewed from its line, and issued again after "OK".
    const QByteArray oldCert = ReadBytes(www + "/user.crt");
    const auto renew = [&](const char *serial) {
        const QStringList valid = Items("cxListBox1");
        Find<QListWidget>("cxListBox1")->setCurrentRow(int(valid.indexOf(valid.filter(QString("\t%1\t").arg(serial)).value(0))));
        Click("btRenew");
    };
    Type("cxTextEdit8", "");
    Type("txtAltNamesSrv", "");
    renew("01");
    EXPECT_EQ(Find<QTabWidget>("cxPageControl1")->currentWidget(), Find<QWidget>("cxTabSheet2"));
    EXPECT_EQ(Text("cxTextEdit8"), "www");
    EXPECT_EQ(Text("txtAltNamesSrv"), altNames);
    // Once issued, the old one is offered for revocation, and revoked after "OK".
    const TIndexEntry old = ParseIndexLine(Items("cxListBox1").filter("\t01\t").value(0));
    boxes->answers = {true, true};
    Click("cxButton14");
    ASSERT_TRUE(WaitForRuns());
    EXPECT_EQ(boxes->Texts("confirm"),
              QStringList({Texts::ReplaceCertificate, Texts::RevokeReplacedQuestion("www.acme.test", "01", old.expires)}));
    const QByteArray index = ReadBytes(Ca("acme.test", "index.txt"));
    EXPECT_EQ(index.count("R\t"), 2) << index.constData();
    EXPECT_TRUE(QRegularExpression("(^|\n)R\t[^\n]*\t01\t").match(QString::fromUtf8(index)).hasMatch()) << index.constData();
    EXPECT_EQ(boxes->Texts("message").last(), Texts::RevocationDone("acme.test"));
    EXPECT_NE(ReadBytes(www + "/user.crt"), oldCert);
    ExpectVerifies("acme.test", www + "/user.crt");
    EXPECT_TRUE(Tool({"x509", "-in", www + "/user.crt", "-noout", "-serial"}).contains("serial=04"));
    expectAnswersTo(altNames.split(' '));
    EXPECT_TRUE(boxes->Texts("error").isEmpty());

    // A user who signs mail with an address of her own; her renewal keeps it.
    Type("txtEmailUsr", "marie.curie@acme.test");
    IssueUser("Marie", "user pass");
    const QString marie = Ca("acme.test", "certs/Marie/user.crt");
    EXPECT_TRUE(Subject(marie).contains("    emailAddress=marie.curie@acme.test\n")) << Subject(marie).constData();
    EXPECT_TRUE(Tool({"x509", "-in", marie, "-noout", "-ext", "subjectAltName"}).contains("email:marie.curie@acme.test"));
    Type("cxTextEdit9", "");
    Type("txtEmailUsr", "");
    ShowPage("cxTabSheet5");
    renew("05");
    EXPECT_EQ(Text("cxTextEdit9"), "Marie");
    EXPECT_EQ(Text("txtEmailUsr"), "marie.curie@acme.test");
    ShowPage("cxTabSheet5");
    Find<QListWidget>("cxListBox1")->setCurrentRow(-1);
    boxes->shown.clear();
    Click("btRenew");
    EXPECT_EQ(boxes->Texts("message"), QStringList{"Choisissez d'abord un certificat dans la liste des certificats non révoqués."});

    // Another CA shows none of this one's output, nor its serial.
    Combo("comboDomaineName")->setCurrentIndex(0);
    for (const char *memo : {"cxMemo1", "cxMemo2", "cxMemo3", "cxMemo4"})
        EXPECT_TRUE(Memo(memo).isEmpty()) << memo;
    EXPECT_TRUE(Text("txtRevokeNumber").isEmpty());

    // The export format chosen stays chosen; a healthy CA is selected without a word.
    Reopen();
    EXPECT_FALSE(Find<QCheckBox>("chkCompatSrv")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("chkCompatUsr")->isChecked());
    EXPECT_TRUE(boxes->shown.isEmpty());
}

// A question whose "OK" destroys something has "Annuler" for its default button, so that
// Enter keeps what is there; the other questions keep "OK".
TEST_F(DayTest, EachQuestionThatDestroysDefaultsToAnnuler)
{
    PrepareCa("acme.test");
    CreateCa("acme secret");
    Combo("comboTTLsrv")->setCurrentIndex(2);
    IssueServer("www", "pw");
    ShowPage("cxTabSheet5");
    const auto pickWww = [this] { Find<QListWidget>("cxListBox1")->setCurrentRow(0); };
    const struct
    {
        const char *what;
        std::function<void()> act;
        QString question; // how the question starts
        TDefaultButton byDefault;
    } rows[] = {
        {"re-creating the CA", [this] { Click("cxButton6"); }, "Ce CA a déjà signé 1 certificat", TDefaultButton::Cancel},
        {"replacing a certificate", [this] { Click("cxButton14"); }, Texts::ReplaceCertificate, TDefaultButton::Cancel},
        {"revoking",
         [&] {
             pickWww();
             Click("cxButton16");
         },
         "Révoquer le certificat « www.acme.test » (n° 01", TDefaultButton::Cancel},
        {"removing the CA", [this] { Click("btDelCA"); }, Texts::RemoveCa("acme.test"), TDefaultButton::Cancel},
        {"revoking what a renewal replaced",
         [&] {
             ShowPage("cxTabSheet5");
             pickWww();
             Click("btRenew");
             boxes->answers = {true};
             Click("cxButton14");
             ASSERT_TRUE(WaitForRuns());
         },
         "Le certificat « www.acme.test » est renouvelé.", TDefaultButton::Cancel},
        {"quitting during a run",
         [this] {
             boxes->answers = {true};
             Click("cxButton14");
             EXPECT_FALSE(form->close());
             ASSERT_TRUE(WaitForRuns());
         },
         Texts::QuitWhileRunning, TDefaultButton::Cancel},
        {"a server certificate Apple refuses",
         [this] {
             Combo("comboTTLsrv")->setCurrentIndex(3);
             Type("cxTextEdit8", "api");
             Click("cxButton14");
         },
         "Ce certificat de serveur serait valable 1800 jours", TDefaultButton::Ok},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        boxes->shown.clear();
        boxes->answers.clear();
        row.act();
        const auto asked = std::find_if(boxes->shown.cbegin(), boxes->shown.cend(), [&](const auto &box) {
            return box.kind == "confirm" && box.text.startsWith(row.question);
        });
        ASSERT_NE(asked, boxes->shown.cend()) << qPrintable(boxes->Texts("confirm").join("\n"));
        EXPECT_EQ(asked->byDefault, row.byDefault);
    }
    // Each "Annuler" kept what it was asked about.
    EXPECT_EQ(Combo("comboDomaineName")->currentText(), "acme.test");
    EXPECT_FALSE(ReadBytes(Ca("acme.test", "index.txt")).contains("R\t"));
    EXPECT_FALSE(QFileInfo::exists(Ca("acme.test", "certs/api")));
}

// A CA made for 20 days, a certificate for 10 and a CRL published without a revocation,
// then the CA certificate and the CRL past their end: the page and the selection say so.
TEST_F(DayTest, AnAgingCaIsSummarisedAndToldOnce)
{
    PrepareCa("acme.test");
    Type("txtTTLCA", "20");
    CreateCa("acme secret");
    Type("txtTTLsrv", "10");
    IssueServer("www", "pw");
    ShowPage("cxTabSheet5");
    Type("cxMaskEdit4", "acme secret");
    Click("btPublishCrl");
    ASSERT_TRUE(WaitForRuns());
    ASSERT_TRUE(boxes->Texts("error").isEmpty()) << qPrintable(boxes->Texts("error").join("\n"));
    ASSERT_TRUE(boxes->Texts("confirm").isEmpty());
    const QString crl = Ca("acme.test", "crl/acme.test.crl.crt");
    int rc = 0;
    Tool({"verify", "-crl_check", "-x509_strict", "-CAfile", Ca("acme.test", "private/ca.crt"), "-CRLfile", crl,
          Ca("acme.test", "certs/www/user.crt")}, &rc);
    EXPECT_EQ(rc, 0);

    auto *valid = Find<QListWidget>("cxListBox1");
    ASSERT_EQ(valid->count(), 1);
    EXPECT_EQ(valid->item(0)->foreground().color(), QColor(0xd0, 0x70, 0x00));
    QTextDocument summary;
    summary.setHtml(Find<QLabel>("lblExpiry")->text());
    EXPECT_TRUE(QRegularExpression("^CA valable jusqu'au \\d+ \\S+ \\d{4} · CRL à republier avant le \\d+ \\S+ \\d{4} · "
                                   "1 certificat expire dans moins de 30 jours$")
                    .match(summary.toPlainText())
                    .hasMatch())
        << qPrintable(summary.toPlainText());
    EXPECT_EQ(Find<QLabel>("lblExpiry")->text().count("color:#c00000"), 2); // the CA and the count

    // Past their end: a CA certificate self-signed for January 2020, a CRL due then.
    const QString old = progDir + "old";
    QDir().mkpath(old);
    WriteBytes(old + "/m.cnf", "[ca]\ndefault_ca=x\n[x]\ndatabase=" + old.toUtf8() + "/idx\nnew_certs_dir=" + old.toUtf8()
                                   + "\nserial=" + old.toUtf8() + "/ser\ndefault_md=sha256\npolicy=p\n[p]\ncommonName=supplied\n");
    WriteBytes(old + "/idx", "");
    WriteBytes(old + "/ser", "01\n");
    Tool({"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout", old + "/k.pem",
          "-out", old + "/r.pem", "-subj", "/CN=old"}, &rc);
    ASSERT_EQ(rc, 0);
    Tool({"ca", "-config", old + "/m.cnf", "-selfsign", "-keyfile", old + "/k.pem", "-in", old + "/r.pem", "-startdate",
          "20200101000000Z", "-enddate", "20200201000000Z", "-batch", "-out", old + "/c.pem"}, &rc);
    ASSERT_EQ(rc, 0);
    Tool({"ca", "-config", Ca("acme.test", "ca-sign.cnf"), "-passin", "pass:acme secret", "-gencrl", "-crl_lastupdate",
          "20200101000000Z", "-crl_nextupdate", "20200201000000Z", "-out", crl}, &rc);
    ASSERT_EQ(rc, 0);
    ASSERT_TRUE(QFile::remove(Ca("acme.test", "private/ca.crt")));
    ASSERT_TRUE(QFile::copy(old + "/c.pem", Ca("acme.test", "private/ca.crt")));

    Reopen();
    ASSERT_EQ(boxes->Texts("message").size(), 1);
    const QString told = boxes->Texts("message")[0];
    EXPECT_TRUE(told.startsWith("Le certificat du CA acme.test a expiré le 1 février 2020 : ")) << qPrintable(told);
    EXPECT_TRUE(told.contains("\n\nLa liste de révocation (CRL) du CA acme.test a expiré le 1 février 2020 : "))
        << qPrintable(told);
    AddCa("beta.test");
    Combo("comboDomaineName")->setCurrentIndex(0);
    ASSERT_EQ(Combo("comboDomaineName")->currentText(), "acme.test");
    EXPECT_EQ(boxes->Texts("message").size(), 1);
}

// A root signs an issuing CA chosen on Configuration: the choice is kept per CA, the
// issuing CA's certificates chain to the root alone, names outside its domain are refused,
// its summary names the root, and the root does not leave the list without a word.
TEST_F(DayTest, AnIssuingCaIsMadeUnderTheRootChosenOnConfiguration)
{
    PrepareCa("acme.test");
    CreateCa("root secret");
    PrepareCa("paris.acme.test");
    Type("txtServiceCA", "Émission");
    auto *issuers = Combo("comboIssuerCA");
    auto *constrained = Find<QCheckBox>("chkNameConstraintCA");
    ASSERT_EQ(issuers->count(), 2);
    EXPECT_EQ(issuers->itemText(0), "Aucun (CA racine)");
    issuers->setCurrentIndex(1);
    constrained->setChecked(true);
    Click("cxButton1");
    EXPECT_TRUE(SettingsLines().contains("issuer=acme.test"));
    EXPECT_TRUE(SettingsLines().contains("name_constraint=1"));
    ShowPage("cxTabSheet1");
    Type("txtIssuerPass", "root secret");
    CreateCa("paris secret");
    ASSERT_TRUE(boxes->Texts("error").isEmpty()) << qPrintable(boxes->Texts("error").join("\n"));
    const QString root = Ca("acme.test", "private/ca.crt"), issuing = Ca("paris.acme.test", "private/ca.crt");
    ExpectVerifies("acme.test", issuing);

    Combo("comboTTLsrv")->setCurrentIndex(2);
    IssueServer("www", "pw");
    int rc = 0;
    const QByteArray out = Tool({"verify", "-x509_strict", "-CAfile", root, "-untrusted", issuing,
                                 Ca("paris.acme.test", "certs/www/user.crt")}, &rc);
    EXPECT_EQ(rc, 0) << out.constData();
    Type("txtAltNamesSrv", "www.evil.test");
    IssueServer("evil", "pw");
    EXPECT_EQ(boxes->Texts("message").last(), Texts::OutsideCaDomain("www.evil.test", {"paris.acme.test"}));
    EXPECT_FALSE(QFileInfo::exists(Ca("paris.acme.test", "certs/evil")));

    // Each CA shows its own choice.
    Combo("comboDomaineName")->setCurrentIndex(0);
    EXPECT_EQ(issuers->currentIndex(), 0);
    EXPECT_FALSE(constrained->isChecked());
    EXPECT_EQ(issuers->count(), 2);
    EXPECT_EQ(issuers->itemText(1), "paris.acme.test");
    Combo("comboDomaineName")->setCurrentIndex(1);
    EXPECT_EQ(issuers->currentText(), "acme.test");
    EXPECT_TRUE(constrained->isChecked());
    ShowPage("cxTabSheet5");
    QTextDocument summary;
    summary.setHtml(Find<QLabel>("lblExpiry")->text());
    EXPECT_TRUE(summary.toPlainText().startsWith(Texts::IssuedBy("acme.test") + " · CA valable jusqu'au "))
        << qPrintable(summary.toPlainText());

    ShowPage("cxTabSheet4");
    Combo("comboDomaineName")->setCurrentIndex(0);
    boxes->shown.clear();
    boxes->answers = {false};
    Click("btDelCA");
    EXPECT_EQ(boxes->Texts("confirm"), QStringList{Texts::RemoveCaThatIssued("acme.test", {"paris.acme.test"})});
    EXPECT_TRUE(SettingsLines().contains("[acme.test]"));
}

// A printer makes its own key and request; the request is signed through the window and
// the key never reaches the CA.
TEST_F(DayTest, ARequestMadeElsewhereIsSignedWithoutItsKey)
{
    PrepareCa("acme.test");
    CreateCa("acme secret");
    const QString request = progDir + "printer.csr";
    Tool({"req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", progDir + "printer.key", "-out", request, "-subj",
          "/CN=printer.acme.test", "-addext", "subjectAltName=DNS:printer.acme.test,IP:10.0.0.9"});
    Combo("comboTTLsrv")->setCurrentIndex(2);
    ShowPage("cxTabSheet2");
    boxes->shown.clear();
    boxes->answers = {true};
    AnswerFileDialog(request);
    Click("btSignCsrSrv");
    ASSERT_TRUE(WaitForRuns());
    ASSERT_EQ(boxes->Texts("confirm").size(), 1);
    EXPECT_EQ(boxes->Texts("confirm")[0], Texts::SignRequestQuestion("printer.acme.test",
                                                                      {"DNS:printer.acme.test", "IP:10.0.0.9"},
                                                                      "RSA 2048 bits", Text("txtTTLsrv")));
    const QString dir = Ca("acme.test", "certs/printer.acme.test");
    EXPECT_EQ(boxes->Texts("message"),
              QStringList{"Votre certificat est dans acme.test/certs/printer.acme.test/printer.acme.test-chain.pem"});
    EXPECT_TRUE(Memo("cxMemo2").contains("-infiles")) << qPrintable(Memo("cxMemo2"));
    ExpectVerifies("acme.test", dir + "/user.crt");
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList({"printer.acme.test-chain.pem", "user.crt", "user.csr"}));
    // Its key signs what its certificate vouches for.
    EXPECT_EQ(Tool({"x509", "-in", dir + "/user.crt", "-noout", "-pubkey"}),
              Tool({"pkey", "-in", progDir + "printer.key", "-pubout"}));
    ShowPage("cxTabSheet5");
    ASSERT_EQ(Items("cxListBox1").size(), 1);
    EXPECT_TRUE(Items("cxListBox1")[0].contains("CN=printer.acme.test")) << qPrintable(Items("cxListBox1")[0]);

    // Signed again, it asks before replacing; Annuler keeps the certificate.
    const QByteArray signedOnce = ReadBytes(dir + "/user.crt");
    boxes->shown.clear();
    boxes->answers = {true, false};
    ShowPage("cxTabSheet2");
    AnswerFileDialog(request);
    Click("btSignCsrSrv");
    ASSERT_TRUE(WaitForRuns());
    ASSERT_EQ(boxes->Texts("confirm").size(), 2);
    EXPECT_EQ(boxes->Texts("confirm")[1], Texts::ReplaceCertificate);
    EXPECT_EQ(ReadBytes(dir + "/user.crt"), signedOnce);
}

// Each key type, picked for a CA before it is made, gives the CA and every certificate it
// issues keys of that type, which verify strictly, serve TLS and travel in both exports. A
// CA saved before key types existed keeps its lines to the byte.
TEST_F(DayTest, EachKeyTypeMakesKeysThatVerifyServeAndExport)
{
    struct Row
    {
        const char *key, *signature;
    };
    const Row rows[] = {
        {"Private-Key: (2048 bit", "sha256WithRSAEncryption"}, {"Private-Key: (3072 bit", "sha256WithRSAEncryption"},
        {"Private-Key: (4096 bit", "sha256WithRSAEncryption"}, {"NIST CURVE: P-256", "ecdsa-with-SHA256"},
        {"NIST CURVE: P-384", "ecdsa-with-SHA384"},
    };
    for (int type = 0; type < 5; ++type) {
        const Row &row = rows[type];
        const QString ca = QString("k%1.test").arg(type);
        SCOPED_TRACE(ca.toStdString());
        PrepareCa(ca);
        Combo("comboKeyTypeCA")->setCurrentIndex(type);
        Click("cxButton1");
        CreateCa("ca pass");
        if (type == 0) {
            QByteArray ini = ReadBytes(progDir + "tarvik.ini");
            ASSERT_EQ(ini.count("key_type=rsa2048\r\n"), 1);
            WriteBytes(progDir + "tarvik.ini", ini.replace("key_type=rsa2048\r\n", ""));
            Reopen();
            Type("cxMaskEdit1", "ca pass");
        }
        IssueServer("www", "srv pass");
        Find<QCheckBox>("chkCompatUsr")->setChecked(false);
        IssueUser("Jean", "usr pass");
        Find<QCheckBox>("chkCompatUsr")->setChecked(true);
        ASSERT_TRUE(boxes->Texts("error").isEmpty()) << qPrintable(boxes->Texts("error").join("\n"));
        if (type == 0) {
            const QStringList pane = Memo("cxMemo2").split('\n');
            const QStringList lines = CertificateCommands({TCertKind::Server, OpenSsl(), ca, "www", "." + ca, "365",
                                                           "Société Générale d'Ingénierie", true});
            for (const QString &line : lines)
                EXPECT_TRUE(pane.contains(line)) << qPrintable(line);
        }

        int rc = 0;
        QByteArray text = Tool({"pkey", "-in", Ca(ca, "private/ca.key"), "-passin", "stdin", "-noout", "-text"}, &rc,
                               "ca pass\n");
        EXPECT_TRUE(text.contains(row.key)) << text.constData();
        Tool({"pkey", "-in", Ca(ca, "private/ca.key"), "-passin", "pass:wrong", "-noout"}, &rc);
        EXPECT_NE(rc, 0);
        text = Tool({"x509", "-in", Ca(ca, "private/ca.crt"), "-noout", "-text"});
        EXPECT_TRUE(text.contains(QByteArray("Signature Algorithm: ") + row.signature)) << text.constData();
        const struct
        {
            QString name, password;
        } issued[] = {{"www", "srv pass"}, {"Jean", "usr pass"}};
        for (const auto &[name, password] : issued) {
            const QString dir = Ca(ca, "certs/" + name);
            text = Tool({"pkey", "-in", dir + "/user.key", "-noout", "-text"});
            EXPECT_TRUE(text.contains(row.key)) << text.constData();
            text = Tool({"x509", "-in", dir + "/user.crt", "-noout", "-text"});
            EXPECT_TRUE(text.contains(QByteArray("Signature Algorithm: ") + row.signature)) << text.constData();
            ExpectVerifies(ca, dir + "/user.crt");
            const QByteArray keys = Tool({"pkcs12", "-in", dir + "/" + name + ".p12", "-passin", "stdin", "-nodes",
                                          "-nocerts"}, &rc, password.toUtf8() + "\n");
            EXPECT_EQ(rc, 0) << keys.constData();
            EXPECT_TRUE(Tool({"pkey", "-noout", "-text"}, &rc, keys).contains(row.key));
        }
        ExpectTlsHandshake(Ca(ca, "certs/www"), ca, "www." + ca);
    }

    // A new choice applies to the keys made next; the CA key stays until the CA is made again.
    const QByteArray caKey = ReadBytes(Ca("k4.test", "private/ca.key"));
    Combo("comboKeyTypeCA")->setCurrentIndex(1);
    IssueServer("mail", "pw");
    EXPECT_TRUE(Tool({"pkey", "-in", Ca("k4.test", "certs/mail/user.key"), "-noout", "-text"}).contains("(3072 bit"));
    EXPECT_TRUE(Tool({"x509", "-in", Ca("k4.test", "certs/mail/user.crt"), "-noout", "-text"})
                    .contains("ecdsa-with-SHA384")); // signed by the P-384 key
    boxes->answers = {false};
    Click("cxButton6");
    EXPECT_TRUE(boxes->Texts("confirm").last().endsWith(" La nouvelle clé du CA sera de type RSA 3072."));
    EXPECT_EQ(ReadBytes(Ca("k4.test", "private/ca.key")), caKey);
}
