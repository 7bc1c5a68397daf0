#include "app_Fixture.h"

#include <sys/stat.h>

#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QTextDocument>

class CertificatePagesTest : public WindowTest
{
protected:
    void SetUpCa()
    {
        Open();
        AddCa("acme.test");
        Type("txtEmailCA", "pki@acme.test");
        Combo("comboCountryCodeCA")->setEditText("FR");
        Click("cxButton1");
        boxes->shown.clear();
    }
    QStringList Items(const char *list)
    {
        QStringList items;
        for (int i = 0; i < Find<QListWidget>(list)->count(); ++i)
            items << Find<QListWidget>(list)->item(i)->text();
        return items;
    }
    void WriteIndex(const QByteArray &content) { WriteBytes(progDir + "acme.test/index.txt", content); }
};

TEST_F(CertificatePagesTest, AMissingRequiredFieldStopsBeforeAnythingIsWritten)
{
    SetUpCa();
    struct Page
    {
        const char *button, *name, *password;
    };
    const Page pages[] = {{"cxButton14", "cxTextEdit8", "cxTextEdit3"}, {"cxButton15", "cxTextEdit9", "cxTextEdit4"}};
    for (const Page &page : pages) {
        for (int missing = 0; missing < 3; ++missing) {
            SCOPED_TRACE(std::string(page.button) + " missing " + std::to_string(missing));
            boxes->shown.clear();
            Type("cxMaskEdit1", missing == 0 ? "" : "secret");
            Type(page.name, missing == 1 ? "" : " ");
            Type(page.password, missing == 2 ? "" : "pw");
            Click(page.button);
            EXPECT_EQ(boxes->Texts("message"), QStringList({"Merci de remplir tous les champs ci-dessus"}));
            EXPECT_FALSE(QFileInfo::exists(progDir + "acme.test/certs/ "));
            EXPECT_FALSE(QFileInfo::exists(progDir + "acme.test/user-cert.cnf"));
            EXPECT_FALSE(QFileInfo::exists(progDir + "acme.test/ca-sign.cnf"));
        }
    }
    for (int missing = 0; missing < 2; ++missing) {
        boxes->shown.clear();
        Type("cxMaskEdit4", missing == 0 ? "" : "secret");
        Type("txtRevokeNumber", missing == 1 ? "" : "01");
        Click("cxButton16");
        EXPECT_EQ(boxes->Texts("message"), QStringList({"Merci de remplir tous les champs ci-dessus"}));
        EXPECT_FALSE(QFileInfo::exists(progDir + "acme.test/ca-sign.cnf"));
    }
    EXPECT_TRUE(form->RunningOperations() == 0);
}

TEST_F(CertificatePagesTest, CancellingTheReplacementKeepsThePaneAndStartsNothing)
{
    SetUpCa();
    ASSERT_TRUE(QDir(progDir).mkpath("acme.test/certs/www"));
    QFile earlier(progDir + "acme.test/certs/www/user.crt");
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.close();
    WriteBytes(progDir + "acme.test/private/ca.crt", "stand-in");
    Find<QPlainTextEdit>("cxMemo2")->setPlainText("earlier run");
    Type("cxMaskEdit2", "secret");
    Type("cxTextEdit8", "www");
    Type("cxTextEdit3", "pw");
    Combo("comboTTLsrv")->setCurrentIndex(2);
    boxes->answers = {false};
    Click("cxButton14");
    EXPECT_EQ(boxes->Texts("confirm"),
              QStringList({"Vous avez déja un certificat pour cette machine. Cliquez sur ok pour l'écraser.)"}));
    EXPECT_TRUE(boxes->Texts("message").isEmpty());
    EXPECT_EQ(Find<QPlainTextEdit>("cxMemo2")->toPlainText(), "earlier run");
    EXPECT_TRUE(form->RunningOperations() == 0);
    // Annuler writes nothing, not even this click's configuration.
    EXPECT_FALSE(QFileInfo::exists(progDir + "acme.test/user-cert.cnf"));
    EXPECT_FALSE(QFileInfo::exists(progDir + "acme.test/ca-sign.cnf"));
}

TEST_F(CertificatePagesTest, RevocationListsShowEachLineOnceInItsList)
{
    SetUpCa();
    WriteIndex("V\t301231235959Z\t\t01\tunknown\t/CN=a\r\n"
               "R\t301231235959Z\t261209000000Z\t02\tunknown\t/CN=b\n"
               "\n"
               "v\tlower case\n"
               "E\texpired\n"
               "V\t301231235959Z\t\t03\tunknown\t/CN=c\n");
    ShowPage("cxTabSheet5");
    Click("cxButton12");
    EXPECT_EQ(Items("cxListBox1"), QStringList({"V\t301231235959Z\t\t01\tunknown\t/CN=a",
                                                "V\t301231235959Z\t\t03\tunknown\t/CN=c"}));
    EXPECT_EQ(Items("cxListBox2"), QStringList({"R\t301231235959Z\t261209000000Z\t02\tunknown\t/CN=b"}));

    WriteIndex("");
    Click("cxButton12");
    EXPECT_TRUE(Items("cxListBox1").isEmpty());
    EXPECT_TRUE(Items("cxListBox2").isEmpty());
    EXPECT_TRUE(boxes->Texts("error").isEmpty());
}

// Lines keep their text; their colour and tip tell how near their end they are.
TEST_F(CertificatePagesTest, LinesShowTheirEndAndAPickedValidLineNamesItsSerial)
{
    SetUpCa();
    const auto at = [](int days) {
        return QDateTime::currentDateTimeUtc().addDays(days).toString("yyMMddHHmmss").toLatin1() + "Z";
    };
    WriteIndex("V\t" + at(-2) + "\t\t01\tunknown\t/CN=old\n"
               "V\t" + at(10) + "\t\t02\tunknown\t/CN=soon/emailAddress=a@b\n"
               "V\t" + at(400) + "\t\t03\tunknown\t/CN=far\n"
               "R\t" + at(400) + "\t" + at(-1) + "\t04\tunknown\t/CN=gone\n"
               "V\t" + at(12) + "\t\t05\tunknown\t/CN=renewed\n"
               "V\t" + at(800) + "\t\t06\tunknown\t/CN=renewed\n");
    Type("txtRevokeNumber", "typed");
    ShowPage("cxTabSheet5");
    auto *valid = Find<QListWidget>("cxListBox1");
    auto *revoked = Find<QListWidget>("cxListBox2");
    ASSERT_EQ(valid->count(), 5);
    EXPECT_TRUE(valid->item(2)->text().startsWith("V\t"));
    EXPECT_EQ(Text("txtRevokeNumber"), "typed"); // filling the lists picks nothing

    const QColor normal = valid->item(2)->foreground().color();
    EXPECT_EQ(valid->item(0)->foreground().color(), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(valid->item(1)->foreground().color(), QColor(0xd0, 0x70, 0x00));
    EXPECT_NE(normal, QColor(0x80, 0x80, 0x80));
    EXPECT_NE(normal, QColor(0xd0, 0x70, 0x00));

    // The tip is worded when the user hovers the line.
    valid->scrollToItem(valid->item(1));
    QHelpEvent hover(QEvent::ToolTip, valid->visualItemRect(valid->item(1)).center(), QPoint());
    QApplication::sendEvent(valid->viewport(), &hover);
    EXPECT_TRUE(valid->item(1)->toolTip().startsWith("soon — n° 02 — expire le ")) << qPrintable(valid->item(1)->toolTip());
    EXPECT_TRUE(valid->item(1)->toolTip().endsWith(" (dans 10 jours)")) << qPrintable(valid->item(1)->toolTip());
    // Renewed: the older certificate of the same name no longer counts as ending soon.
    valid->scrollToItem(valid->item(3));
    QHelpEvent hoverRenewed(QEvent::ToolTip, valid->visualItemRect(valid->item(3)).center(), QPoint());
    QApplication::sendEvent(valid->viewport(), &hoverRenewed);
    EXPECT_EQ(valid->item(3)->toolTip(), "renewed — n° 05 — remplacé par le n° 06");
    EXPECT_EQ(valid->item(3)->foreground().color(), QColor(0x80, 0x80, 0x80));

    valid->setCurrentRow(1);
    EXPECT_EQ(Text("txtRevokeNumber"), "02");
    revoked->setCurrentRow(0);
    EXPECT_EQ(Text("txtRevokeNumber"), "02");

    QTextDocument summary;
    summary.setHtml(Find<QLabel>("lblExpiry")->text());
    EXPECT_EQ(summary.toPlainText(), "pas encore de certificat de CA · aucune CRL publiée · la CRL ne contient pas "
                                     "encore le révoqué n° 04 : cliquez sur « Republier la CRL » · "
                                     "1 certificat expire dans moins de 30 jours");
    EXPECT_EQ(Find<QLabel>("lblExpiry")->text().count("color:#c00000"), 2);
    EXPECT_TRUE(boxes->shown.isEmpty());
}

TEST_F(CertificatePagesTest, AnUnreadableDatabaseIsReportedAndTheListsStay)
{
    SetUpCa();
    WriteIndex("V\t301231235959Z\t\t01\tunknown\t/CN=a\n");
    ShowPage("cxTabSheet5");
    ASSERT_EQ(Items("cxListBox1").size(), 1);

    QFile::remove(progDir + "acme.test/index.txt");
    ShowPage("cxTabSheet4");
    ShowPage("cxTabSheet5");
    EXPECT_EQ(boxes->Texts("error"), QStringList({"Fichier introuvable."}));
    EXPECT_EQ(Items("cxListBox1").size(), 1);

    QDir(progDir + "acme.test").removeRecursively();
    Click("cxButton12");
    EXPECT_EQ(boxes->Texts("error"), QStringList({"Fichier introuvable.", "Nom de fichier incorrect."}));
    EXPECT_EQ(Items("cxListBox1").size(), 1);
    EXPECT_EQ(Find<QTabWidget>("cxPageControl1")->currentWidget()->objectName(), "cxTabSheet5");

    // FIFOs in place of the files the page reads would wait for a writer forever.
    ASSERT_TRUE(QDir(progDir).mkpath("acme.test/private") && QDir(progDir).mkpath("acme.test/crl"));
    for (const char *file : {"index.txt", "private/ca.crt", "crl/acme.test.crl.crt"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(progDir + "acme.test/" + file).constData(), 0600), 0);
    Click("cxButton12");
    EXPECT_EQ(boxes->Texts("error").last(), "Ce n'est pas un fichier ordinaire.");
}

// A server certificate Apple devices would refuse is issued only after "OK".
TEST_F(CertificatePagesTest, ALongServerCertificateIsIssuedOnlyAfterOk)
{
    SetUpCa();
    WriteBytes(progDir + "acme.test/private/ca.crt", "stand-in");
    Type("cxMaskEdit2", "secret");
    Type("cxTextEdit8", "www");
    Type("cxTextEdit3", "pw");
    Combo("comboTTLsrv")->setCurrentIndex(3); // 5 years
    const auto before = Tree(progDir);
    Click("cxButton14");
    ASSERT_EQ(boxes->Texts("confirm").size(), 1);
    EXPECT_TRUE(boxes->Texts("confirm")[0].startsWith("Ce certificat de serveur serait valable 1800 jours"));
    EXPECT_EQ(Tree(progDir), before);
    EXPECT_EQ(form->RunningOperations(), 0);
}
