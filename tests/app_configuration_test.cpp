#include "app_Fixture.h"
#include "pki/KeyType.h"
#include "pki/Texts.h"
#include "settings_full_disk.h"

#include <QLabel>
#include <QGroupBox>
#include <QKeyEvent>

namespace {
const QStringList kCaFieldKeys = {"email", "default_days", "countryName", "stateOrProvinceName",
                                  "localityName", "0.organizationName", "organizationalUnitName"};
}

class ConfigurationTest : public WindowTest
{
protected:
    void FillCaFields(const QString &email, const QString &province)
    {
        Type("txtEmailCA", email);
        Type("txtProvinceCA", province);
        Type("txtVilleCA", "Lyon");
        Type("txtServiceCA", "DSI");
        Combo("comboCountryCodeCA")->setEditText("DE");
        Combo("comboTTLCA")->setCurrentIndex(4);
    }
    QStringList DomaineItems()
    {
        QStringList items;
        for (int i = 0; i < Combo("comboDomaineName")->count(); ++i)
            items << Combo("comboDomaineName")->itemText(i);
        return items;
    }
};

TEST_F(ConfigurationTest, SettingsFileAfterAddingTwoCasHoldsTheirSectionsInOrder)
{
    Open();
    const QByteArray tool = Text("cxTextEdit1").toUtf8();
    AddCa("Alpha");
    FillCaFields("pki@alpha.test", "Île-de-France");
    Combo("comboKeyTypeCA")->setCurrentIndex(3);
    Click("cxButton1");
    AddCa("Beta");

    const QList<QByteArray> lines = SettingsLines();
    const QList<QByteArray> expected = {
        "[path]", "openssl=" + tool, "[domaine]", "Alpha=0", "Beta=1",
        "[Alpha]", "dir=" + (progDir + "Alpha").toUtf8(), "email=pki@alpha.test", "default_days=3600",
        "countryName=DE", "stateOrProvinceName=Île-de-France", "localityName=Lyon", "0.organizationName=Alpha",
        "organizationalUnitName=DSI", "key_type=ecdsa-p256",
        "[Beta]", "dir=" + (progDir + "Beta").toUtf8(), "email=", "default_days=", "countryName=",
        "stateOrProvinceName=", "localityName=", "0.organizationName=Beta", "organizationalUnitName=",
        "key_type=rsa2048"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(Combo("comboKeyTypeCA")->currentText(), "RSA 2048");
    // Written lines end with CR LF.
    EXPECT_TRUE(ReadBytes(progDir + "tarvik.ini").contains("[domaine]\r\nAlpha=0\r\nBeta=1\r\n"));

    EXPECT_EQ(Combo("comboDomaineName")->currentText(), "Beta");
    EXPECT_EQ(DomaineItems(), QStringList({"Alpha", "Beta"}));
    EXPECT_EQ(Find<QLabel>("StatusBar1Panel")->text(), " Vous travaillez sur le domaine: Beta");
    EXPECT_EQ(Find<QGroupBox>("cxGroupBox1")->title(), " Certificat de CA pour : Beta  ");
    EXPECT_EQ(Find<QLabel>("cxLabel8")->text(), ".Beta");
    EXPECT_EQ(Text("txtCompanyCA"), "Beta");
    EXPECT_EQ(Text("txtEmailCA"), "");

    // The new CA's files, and its subject with the company as organisation and CA name.
    for (const char *sub : {"certs", "crl", "newcerts", "private"})
        EXPECT_TRUE(QFileInfo(progDir + "Beta/" + sub).isDir()) << sub;
    EXPECT_EQ(ReadBytes(progDir + "Beta/serial.txt"), "01\r\n");
    EXPECT_EQ(ReadBytes(progDir + "Beta/index.txt"), "");
    const QByteArray root = ReadBytes(progDir + "Beta/root-ca.cnf");
    EXPECT_TRUE(root.contains("\r\nO=Beta\r\n")) << root.constData();
    EXPECT_TRUE(root.contains("\r\nCN=Beta CA\r\n"));
    EXPECT_EQ(root.count("[ req_distinguished_name ]"), 1);
    EXPECT_TRUE(boxes->shown.isEmpty());
}

TEST_F(ConfigurationTest, RestartRestoresTheSelectedCaAndItsFields)
{
    Open();
    AddCa("Alpha");
    FillCaFields("a@alpha.test", "Bretagne");
    Combo("comboKeyTypeCA")->setCurrentIndex(4);
    Click("cxButton1");
    AddCa("Beta");
    Combo("comboDomaineName")->setCurrentIndex(0); // the user picks Alpha
    EXPECT_EQ(Text("txtEmailCA"), "a@alpha.test");
    const TFileStamp before = StampOf(progDir + "tarvik.ini");
    Reopen();
    EXPECT_TRUE(StampOf(progDir + "tarvik.ini") == before); // nothing changed, so nothing is replaced
    EXPECT_EQ(Combo("comboDomaineName")->currentText(), "Alpha");
    EXPECT_EQ(DomaineItems(), QStringList({"Alpha", "Beta"}));
    EXPECT_EQ(Text("txtEmailCA"), "a@alpha.test");
    EXPECT_EQ(Text("txtProvinceCA"), "Bretagne");
    EXPECT_EQ(Text("txtTTLCA"), "3600");
    EXPECT_EQ(Combo("comboCountryCodeCA")->currentText(), "DE");
    EXPECT_EQ(Combo("comboKeyTypeCA")->currentText(), "ECDSA P-384");
    EXPECT_EQ(Find<QLabel>("StatusBar1Panel")->text(), " Vous travaillez sur le domaine: Alpha");
    EXPECT_TRUE(SettingsLines().contains("Alpha=1"));
    EXPECT_TRUE(SettingsLines().contains("Beta=0"));
}

TEST_F(ConfigurationTest, OfTwoCasMarkedSelectedTheFirstWins)
{
    WriteBytes(progDir + "tarvik.ini", "[path]\r\nopenssl=/bin/sh\r\n[domaine]\r\nOne=1\r\nTwo=1\r\n[Two]\r\nemail=two@test\r\n");
    Open();
    EXPECT_EQ(Combo("comboDomaineName")->currentText(), "One");
    EXPECT_TRUE(SettingsLines().contains("One=1"));
    EXPECT_TRUE(SettingsLines().contains("Two=0"));
    // A missing section empties the fields.
    EXPECT_EQ(Text("txtEmailCA"), "");
    EXPECT_EQ(Text("txtVilleCA"), "");
}

TEST_F(ConfigurationTest, DeletingTheSelectedOfTwoSelectsTheOtherAndKeepsFiles)
{
    Open();
    AddCa("Alpha");
    FillCaFields("a@alpha.test", "Bretagne");
    Click("cxButton1");
    AddCa("Beta");
    // Asked first, naming the CA; Annuler keeps it.
    Click("btDelCA");
    EXPECT_EQ(boxes->Texts("confirm"), QStringList({Texts::RemoveCa("Beta")}));
    EXPECT_EQ(DomaineItems(), QStringList({"Alpha", "Beta"}));
    boxes->answers = {true, true};
    Click("btDelCA");
    EXPECT_EQ(boxes->Texts("message"),
              QStringList({"Attention les fichiers ne sont pas supprimés! Ils restent dans le dossier " + progDir + "Beta."}));
    EXPECT_EQ(Combo("comboDomaineName")->currentText(), "Alpha");
    EXPECT_EQ(DomaineItems(), QStringList({"Alpha"}));
    EXPECT_EQ(Text("txtEmailCA"), "a@alpha.test");
    const QList<QByteArray> lines = SettingsLines();
    EXPECT_TRUE(lines.contains("Alpha=1"));
    EXPECT_FALSE(lines.contains("[Beta]"));
    EXPECT_FALSE(lines.contains("Beta=1"));
    EXPECT_TRUE(QFileInfo::exists(progDir + "Beta/index.txt"));

    // The last one: the list and the selector empty, the displays keep the name, the files stay.
    Click("btDelCA");
    EXPECT_EQ(DomaineItems(), QStringList());
    EXPECT_EQ(Combo("comboDomaineName")->currentText(), "");
    EXPECT_EQ(Find<QLabel>("StatusBar1Panel")->text(), " Vous travaillez sur le domaine: Alpha");
    EXPECT_EQ(boxes->Texts("message").size(), 2);
    EXPECT_TRUE(QFileInfo::exists(progDir + "Alpha/root-ca.cnf"));
    EXPECT_FALSE(SettingsLines().contains("[Alpha]"));
}

TEST_F(ConfigurationTest, EmptyNameAndEmptySelectionDoNothing)
{
    Open();
    const QByteArray before = ReadBytes(progDir + "tarvik.ini");
    Type("cxTextEdit1", "/bin/sh"); // Save would store this
    Click("btAddCA");
    Click("btDelCA");
    EXPECT_EQ(ReadBytes(progDir + "tarvik.ini"), before);
    EXPECT_TRUE(boxes->shown.isEmpty());
}

TEST_F(ConfigurationTest, InvalidAndDuplicateNamesAreRefusedWithNothingWritten)
{
    Open();
    AddCa("Alpha");
    const auto before = Tree(progDir);
    // The last five pass as directory names but make server names no client accepts.
    const QStringList refused = {"a b", "../up", ".hidden", "x/y", "[s]", "k=v", "domaine", "PATH", "-x",
                                 QString(300, u'n'), "my_ca", "acme.test.", "a..b", "x-.test", "b.-x", "ALPHA"};
    for (const QString &name : refused)
        AddCa(name);
    EXPECT_EQ(Tree(progDir), before);
    const QString invalid = "Nom de CA invalide : il termine le nom de chaque serveur, c'est donc un nom de domaine "
                            "(par exemple acme.test) : des lettres, des chiffres et des « - » intérieurs, séparés par "
                            "des points.";
    QStringList expected(refused.size() - 1, invalid);
    expected << "Ce CA existe déjà.";
    EXPECT_EQ(boxes->Texts("message"), expected);
    EXPECT_EQ(DomaineItems(), QStringList({"Alpha"}));
    EXPECT_FALSE(QFileInfo::exists(progDir + "a b"));
    EXPECT_FALSE(QFileInfo::exists(progDir + ".hidden"));
}

// Typed text never changes a selection, even an item's own text: only a pick from the
// list does. Text that names no CA of the list is refused wherever it would be used.
TEST_F(ConfigurationTest, TypedSelectorTextIsCheckedAndNeverSelects)
{
    Open();
    AddCa("Alpha");
    AddCa("Beta");
    Type("txtProvinceCA", "typed, not saved");
    const auto before = Tree(progDir);
    boxes->shown.clear();
    QComboBox *selector = Combo("comboDomaineName");
    const auto typeKeys = [this](QComboBox *combo, const QString &text, bool enter = true) { TypeKeys(combo, text, enter); };
    typeKeys(selector, "Alpha");
    EXPECT_EQ(selector->currentText(), "Beta");
    EXPECT_EQ(Text("txtProvinceCA"), "typed, not saved");
    EXPECT_TRUE(boxes->shown.isEmpty());
    typeKeys(Combo("comboKeyTypeCA"), "ECDSA P-256");
    EXPECT_EQ(Combo("comboKeyTypeCA")->currentIndex(), 0);
    EXPECT_EQ(Combo("comboKeyTypeCA")->currentText(), "RSA 2048");

    FillOperationFields();
    for (const char *button : {"cxButton1", "btDelCA", "cxButton6", "cxButton14", "cxButton15", "cxButton16"}) {
        typeKeys(selector, "third.test", false);
        Click(button);
        EXPECT_EQ(selector->currentText(), "Beta") << button;
    }
    typeKeys(selector, "../dir");
    typeKeys(selector, "third.test", false);
    ShowPage("cxTabSheet5");
    ShowPage("cxTabSheet4");
    EXPECT_EQ(boxes->Texts("message"), QStringList(8, "Ce CA n'est pas dans la liste : ajoutez-le avec « Ajouter »."));
    EXPECT_EQ(Tree(progDir), before);
    Reopen();
    EXPECT_EQ(DomaineItems(), QStringList({"Alpha", "Beta"}));
}

// Host, user and serial names that break their rule write, create and start nothing.
TEST_F(ConfigurationTest, HostileHostUserAndSerialNamesAreRefused)
{
    Open();
    AddCa("acme.test");
    WriteBytes(progDir + "acme.test/private/ca.crt", "stand-in");
    Type("cxMaskEdit1", "secret");
    Type("cxTextEdit3", "pw");
    Type("cxTextEdit4", "pw");
    const auto before = Tree(progDir);
    boxes->shown.clear();
    for (const char *host : {"x,DNS:evil.example,IP:10.0.0.1,DNS:y", "../../escaped", "w w", "www.-acme", "WWW.Acme.Test"}) {
        Type("cxTextEdit8", host);
        Click("cxButton14");
    }
    Type("cxTextEdit8", "www");
    for (const char *other : {"a..b", "-x", "x_y", "DNS:evil.example", "*.*.acme.test", "10.0.0.5:443"}) {
        Type("txtAltNamesSrv", QString("intranet ") + other);
        Click("cxButton14");
    }
    for (const char *user : {"../../escaped", "..", ".", "a/b", " Jean", "Jean 😀"}) {
        Type("cxTextEdit9", user);
        Click("cxButton15");
    }
    Type("cxTextEdit9", "Jean");
    for (const char *email : {"jean@x,DNS:evil.example", "jean"}) {
        Type("txtEmailUsr", email);
        Click("cxButton15");
    }
    for (const char *serial : {"../x", "01/", "0G"}) {
        Type("txtRevokeNumber", serial);
        Click("cxButton16");
    }
    for (const char *url : {"http://x/a,URI:http://evil", "file:///etc/passwd"}) {
        Type("txtCrlUrlCA", url);
        Click("cxButton1");
    }
    Type("txtCrlUrlCA", "");
    Type("txtEmailCA", "pki@acmé.test");
    Click("cxButton1");
    const QStringList shown = boxes->Texts("message");
    ASSERT_EQ(shown.size(), 25);
    EXPECT_TRUE(shown.contains(Texts::CaEmailNotAscii("pki@acmé.test")));
    for (const char *other : {"a..b", "-x", "x_y", "DNS:evil.example", "*.*.acme.test", "10.0.0.5:443"})
        EXPECT_TRUE(shown.contains(Texts::InvalidAltName(other))) << other;
    EXPECT_TRUE(shown.contains(Texts::InvalidUserEmail("jean")));
    EXPECT_EQ(shown.count(Texts::InvalidCrlUrl), 2);
    EXPECT_EQ(shown.filter("Nom de serveur invalide").size(), 4);
    EXPECT_TRUE(shown.contains("« WWW.Acme.Test » se termine déjà par le nom du CA : tapez seulement « WWW », "
                               "Tarvik ajoute « .acme.test »."));
    EXPECT_EQ(shown.filter("Nom d'utilisateur invalide").size(), 6);
    EXPECT_EQ(shown.filter("Numéro de certificat invalide").size(), 3);
    EXPECT_EQ(Tree(progDir), before);
    EXPECT_EQ(form->RunningOperations(), 0);
}

TEST_F(ConfigurationTest, ACaAddedAgainKeepsItsFilesAndComesBackWithItsSubject)
{
    Open();
    AddCa("Alpha");
    FillCaFields("a@alpha.test", "Côte d'\"Or\" $x #1");
    Type("txtCompanyCA", "Alpha & Fils");
    Click("cxButton1");
    // What issuing would have left behind.
    WriteBytes(progDir + "Alpha/index.txt", "V\t301231235959Z\t\t01\tunknown\t/CN=www.Alpha\n");
    WriteBytes(progDir + "Alpha/serial.txt", "02\n");
    WriteBytes(progDir + "Alpha/private/ca.key", "KEY");
    // Its certificate, of a P-384 key: the CA comes back making keys of that type.
    RunProgram(OpenSsl(), {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-384", "-nodes", "-keyout",
                           progDir + "p384.key", "-subj", "/O=Alpha & Fils/CN=Alpha & Fils CA", "-out",
                           progDir + "Alpha/private/ca.crt"});
    QMap<QString, QByteArray> files;
    for (const char *name : {"index.txt", "serial.txt", "private/ca.key", "root-ca.cnf"})
        files[name] = ReadBytes(progDir + "Alpha/" + name);

    boxes->answers = {true};
    Click("btDelCA");
    AddCa("Alpha");
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        EXPECT_EQ(ReadBytes(progDir + "Alpha/" + it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(Combo("comboDomaineName")->currentText(), "Alpha");
    EXPECT_EQ(Text("txtProvinceCA"), "Côte d'\"Or\" $x #1");
    EXPECT_EQ(Text("txtCompanyCA"), "Alpha & Fils");
    EXPECT_EQ(Text("txtEmailCA"), "a@alpha.test");
    EXPECT_TRUE(SettingsLines().contains("[Alpha]"));
    EXPECT_EQ(Combo("comboKeyTypeCA")->currentIndex(), int(TKeyType::EcdsaP384));
    EXPECT_TRUE(SettingsLines().contains("key_type=ecdsa-p384"));
}

TEST_F(ConfigurationTest, SaveStoresAnExistingToolPathAndMarksOthersRed)
{
    Open();
    const QByteArray original = ReadBytes(progDir + "tarvik.ini");
    const QColor red(255, 0, 0);
    for (const QString &wrong : {QString(), QString("/no/such/openssl"), QString("/tmp")}) {
        Type("cxTextEdit1", wrong);
        Click("cxButton1");
        EXPECT_EQ(Field("cxTextEdit1")->palette().color(QPalette::Text), red) << wrong.toStdString();
        EXPECT_EQ(ReadBytes(progDir + "tarvik.ini"), original);
    }
    Type("cxTextEdit1", "/bin/sh");
    Click("cxButton1");
    EXPECT_NE(Field("cxTextEdit1")->palette().color(QPalette::Text), red);
    EXPECT_TRUE(SettingsLines().contains("openssl=/bin/sh"));

    // A path typed and left comes back, red, each time the page is shown.
    Type("cxTextEdit1", "/no/such/tool");
    form->cxTextEdit1Exit();
    ShowPage("cxTabSheet1");
    ShowPage("cxTabSheet4");
    EXPECT_EQ(Text("cxTextEdit1"), "/no/such/tool");
    EXPECT_EQ(Field("cxTextEdit1")->palette().color(QPalette::Text), red);
    EXPECT_TRUE(SettingsLines().contains("openssl=/bin/sh"));
}

TEST_F(ConfigurationTest, UnwritableSettingsLeaveTheSelectorEmpty)
{
    WriteBytes(progDir + "tarvik.ini", "[path]\r\nopenssl=/bin/sh\r\n[domaine]\r\nAlpha=1\r\n");
    ASSERT_TRUE(QFile::setPermissions(progDir + "tarvik.ini", QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    Open();
    EXPECT_EQ(Combo("comboDomaineName")->count(), 0);
    // Save says so: the user must not believe the fields saved.
    EXPECT_EQ(boxes->Texts("error"), QStringList({"Impossible d'écrire dans " + progDir + "tarvik.ini."}));
    boxes->shown.clear();
    Click("cxButton1");
    EXPECT_EQ(boxes->Texts("error").size(), 1);
}

// On a full disk the window still opens, no file loses a byte, and each Save says once
// that it could not write.
class FullDiskWindowTest : public FullDiskTest
{
};

TEST_F(FullDiskWindowTest, StartAndSaveOnAFullDiskLeaveEveryFileWhole)
{
    const auto open = [this](TScriptedBoxes *&boxes) {
        auto scripted = std::make_unique<TScriptedBoxes>();
        boxes = scripted.get();
        auto form = std::make_unique<TForm1>(progDir_, std::move(scripted));
        form->show();
        return form;
    };
    TScriptedBoxes *boxes = nullptr;
    {
        auto form = open(boxes);
        form->findChild<QLineEdit *>("txtNewCA")->setText("alpha");
        form->findChild<QPushButton *>("btAddCA")->click();
        form->findChild<QLineEdit *>("txtEmailCA")->setText("pki@acme.test");
        form->findChild<QPushButton *>("cxButton1")->click();
    }
    // A subject edited by hand makes the start-up Save rewrite root-ca.cnf.
    const QString root = progDir_ + "alpha/root-ca.cnf";
    WriteBytes(root, ReadBytes(root).replace("emailAddress=pki@acme.test", "emailAddress=old@acme.test"));
    const auto before = Snapshot();
    Fill();
    auto form = open(boxes);
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(boxes->Texts("error").size(), 1);
    EXPECT_TRUE(boxes->Texts("error")[0].startsWith("Impossible d'écrire dans " + progDir_));
    boxes->shown.clear();
    form->findChild<QLineEdit *>("txtVilleCA")->setText("Lyon");
    form->findChild<QPushButton *>("cxButton1")->click();
    EXPECT_EQ(boxes->Texts("error").size(), 1);
    EXPECT_EQ(Snapshot(), before);
}
