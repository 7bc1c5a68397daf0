#include "app_Fixture.h"
#include "QtTranslation.h"
#include "pki/KeyType.h"
#include "settings/IniFile.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTranslator>

namespace {
struct ControlRow
{
    const char *name, *kind, *parent;
    QRect bounds;
    const char *text; // nullptr: not checked
    bool readOnly;
    const char *hint;
    bool visible;
};

QString ShownText(QWidget *w)
{
    if (auto *g = qobject_cast<QGroupBox *>(w)) return g->title();
    if (auto *l = qobject_cast<QLabel *>(w)) return l->text();
    if (auto *b = qobject_cast<QAbstractButton *>(w)) return b->text();
    if (auto *e = qobject_cast<QLineEdit *>(w)) return e->text();
    if (auto *c = qobject_cast<QComboBox *>(w)) return c->currentText();
    if (auto *m = qobject_cast<QPlainTextEdit *>(w)) return m->toPlainText();
    return QString();
}
} // namespace

TEST_F(WindowTest, EveryControlHasItsNameKindBoundsTextAndState)
{
    static const ControlRow rows[] = {
        {"cxGroupBox1", "QGroupBox", "cxTabSheet1", {8, 8, 555, 400}, "", false, nullptr, true},
        {"cxLabel4", "QLabel", "cxGroupBox1", {9, 16, 104, 17}, "Passe phrase du CA", false, nullptr, true},
        {"cxMaskEdit1", "QLineEdit", "cxGroupBox1", {120, 16, 409, 21}, "", false, nullptr, true},
        {"lblIssuerPass", "QLabel", "cxGroupBox1", {9, 42, 150, 17}, "Passe phrase du CA émetteur", false, nullptr, true},
        {"txtIssuerPass", "QLineEdit", "cxGroupBox1", {164, 40, 365, 21}, "", false,
         "Celle du CA émetteur choisi sur la page Configuration ; inutile pour un CA racine.", true},
        {"cxButton6", "QPushButton", "cxGroupBox1", {8, 64, 193, 25}, "Créer et signer le CA", false, nullptr, true},
        {"cxMemo1", "QPlainTextEdit", "cxGroupBox1", {8, 104, 537, 280}, "", false, nullptr, true},
        {"cxButton3", "QPushButton", "cxTabSheet1", {480, 420, 75, 25}, "Quit", false, nullptr, true},
        {"cxGroupBox2", "QGroupBox", "cxTabSheet2", {8, 8, 691, 400}, "Création d'un certificat machine", false, nullptr, true},
        {"cxLabel5", "QLabel", "cxGroupBox2", {9, 16, 104, 17}, "Passe phrase du CA", false, nullptr, true},
        {"cxMaskEdit2", "QLineEdit", "cxGroupBox2", {120, 16, 409, 21}, "", false, nullptr, true},
        {"cxLabel7", "QLabel", "cxGroupBox2", {9, 60, 91, 17}, "FQDN du serveur", false, nullptr, true},
        {"cxTextEdit8", "QLineEdit", "cxGroupBox2", {120, 56, 121, 21}, "", false, nullptr, true},
        {"cxLabel8", "QLabel", "cxGroupBox2", {249, 60, 76, 17}, nullptr, false, nullptr, true},
        {"cxButton8", "QPushButton", "cxGroupBox2", {368, 60, 75, 21}, "Ajouter", false, nullptr, false},
        {"cxButton9", "QPushButton", "cxGroupBox2", {453, 60, 75, 21}, "Supprimer", false, nullptr, false},
        {"cxLabel9", "QLabel", "cxGroupBox2", {9, 83, 95, 17}, "Durée du certificat", false, nullptr, true},
        {"comboTTLsrv", "QComboBox", "cxGroupBox2", {120, 83, 121, 21}, "Select", false, nullptr, true},
        {"txtTTLsrv", "QLineEdit", "cxGroupBox2", {256, 83, 57, 21}, "365", true, "En jour.", true},
        {"cxLabel10", "QLabel", "cxGroupBox2", {9, 107, 112, 17}, "Password du certificat", false, nullptr, true},
        {"cxTextEdit3", "QLineEdit", "cxGroupBox2", {120, 107, 409, 21}, "", false, nullptr, true},
        {"cxButton14", "QPushButton", "cxGroupBox2", {8, 136, 193, 25}, "Créer et signer le certificat", false, nullptr, true},
        {"btSignCsrSrv", "QPushButton", "cxGroupBox2", {553, 136, 130, 25}, "Signer une demande…", false,
         "Signe la demande de certificat (.csr, .req) qu'un serveur, une imprimante ou un appareil a faite lui-même : "
         "sa clé privée ne le quitte pas.", true},
        {"cxMemo2", "QPlainTextEdit", "cxGroupBox2", {8, 176, 537, 215}, "", false, nullptr, true},
        {"cxButton4", "QPushButton", "cxTabSheet2", {480, 420, 75, 25}, "Quit", false, nullptr, true},
        {"cxGroupBox3", "QGroupBox", "cxTabSheet3", {8, 8, 691, 400}, "Création d'un certificat utilisateur", false, nullptr, true},
        {"cxLabel6", "QLabel", "cxGroupBox3", {9, 16, 104, 17}, "Passe phrase du CA", false, nullptr, true},
        {"cxMaskEdit3", "QLineEdit", "cxGroupBox3", {120, 16, 409, 21}, "", false, nullptr, true},
        {"cxLabel11", "QLabel", "cxGroupBox3", {9, 60, 96, 17}, "Nom de l'utilisateur", false, nullptr, true},
        {"cxTextEdit9", "QLineEdit", "cxGroupBox3", {120, 56, 409, 21}, "", false, nullptr, true},
        {"cxLabel12", "QLabel", "cxGroupBox3", {9, 83, 95, 17}, "Durée du certificat", false, nullptr, true},
        {"comboTTLusr", "QComboBox", "cxGroupBox3", {120, 83, 121, 21}, "Select", false, nullptr, true},
        {"txtTTLusr", "QLineEdit", "cxGroupBox3", {256, 83, 57, 21}, "365", true, "En jour.", true},
        {"cxLabel13", "QLabel", "cxGroupBox3", {9, 107, 112, 17}, "Password du certificat", false, nullptr, true},
        {"cxTextEdit4", "QLineEdit", "cxGroupBox3", {120, 107, 409, 21}, "", false, nullptr, true},
        {"cxButton15", "QPushButton", "cxGroupBox3", {8, 136, 193, 25}, "Créer et signer le certificat", false, nullptr, true},
        {"btSignCsrUsr", "QPushButton", "cxGroupBox3", {553, 136, 130, 25}, "Signer une demande…", false,
         "Signe la demande de certificat (.csr, .req) faite sur le poste de l'utilisateur : sa clé privée ne le "
         "quitte pas.", true},
        {"cxMemo3", "QPlainTextEdit", "cxGroupBox3", {8, 176, 537, 215}, "", false, nullptr, true},
        {"cxButton5", "QPushButton", "cxTabSheet3", {480, 420, 75, 25}, "Quit", false, nullptr, true},
        {"cxGroupBox4", "QGroupBox", "cxTabSheet4", {8, 8, 555, 400}, " Configuration ", false, nullptr, true},
        {"cxLabel1", "QLabel", "cxGroupBox4", {16, 32, 99, 17}, "Binaire openssl.exe", false, nullptr, true},
        {"cxTextEdit1", "QLineEdit", "cxGroupBox4", {128, 32, 369, 21}, nullptr, false, nullptr, true},
        {"cxGroupBox6", "QGroupBox", "cxGroupBox4", {8, 64, 537, 89}, " Nom de domaine ", false, nullptr, true},
        {"cxLabel2", "QLabel", "cxGroupBox6", {31, 22, 84, 17}, "Sélection du CA", false, nullptr, true},
        {"comboDomaineName", "QComboBox", "cxGroupBox6", {120, 20, 209, 21}, "", false, nullptr, true},
        {"btDelCA", "QPushButton", "cxGroupBox6", {342, 20, 75, 21}, "Supprimer", false, nullptr, true},
        {"cxLabel24", "QLabel", "cxGroupBox6", {42, 50, 72, 17}, "Nouveau CA", false, nullptr, true},
        {"txtNewCA", "QLineEdit", "cxGroupBox6", {120, 48, 209, 21}, "", false, nullptr, true},
        {"btAddCA", "QPushButton", "cxGroupBox6", {342, 51, 75, 21}, "Ajouter", false, nullptr, true},
        {"cxGroupBox7", "QGroupBox", "cxGroupBox4", {8, 160, 537, 217}, " Paramètre ", false, nullptr, true},
        {"cxLabel3", "QLabel", "cxGroupBox7", {83, 29, 32, 17}, "email", false, nullptr, true},
        {"txtEmailCA", "QLineEdit", "cxGroupBox7", {120, 27, 369, 21}, "", false, nullptr, true},
        {"cxLabel14", "QLabel", "cxGroupBox7", {16, 55, 101, 17}, "Durée de vie du CA", false, nullptr, true},
        {"comboTTLCA", "QComboBox", "cxGroupBox7", {120, 52, 121, 21}, "Select", false, nullptr, true},
        {"txtTTLCA", "QLineEdit", "cxGroupBox7", {248, 52, 57, 21}, "365", true, "En jour.", true},
        {"cxLabel15", "QLabel", "cxGroupBox7", {56, 78, 57, 17}, "code pays", false, nullptr, true},
        {"comboCountryCodeCA", "QComboBox", "cxGroupBox7", {120, 75, 121, 21}, "FR", false, nullptr, true},
        {"cxLabel17", "QLabel", "cxGroupBox7", {248, 80, 51, 17}, "Nom ville", false, nullptr, true},
        {"txtVilleCA", "QLineEdit", "cxGroupBox7", {304, 76, 185, 21}, "Paris", false, nullptr, true},
        {"cxLabel16", "QLabel", "cxGroupBox7", {40, 104, 74, 17}, "Nom province", false, nullptr, true},
        {"txtProvinceCA", "QLineEdit", "cxGroupBox7", {120, 100, 369, 21}, "Ile-de-France", false, nullptr, true},
        {"cxLabel18", "QLabel", "cxGroupBox7", {40, 128, 75, 17}, "Nom Sociétée", false, nullptr, true},
        {"txtCompanyCA", "QLineEdit", "cxGroupBox7", {120, 124, 369, 21}, "Morvell", false, nullptr, true},
        {"cxLabel19", "QLabel", "cxGroupBox7", {48, 152, 69, 17}, "Nom Service", false, nullptr, true},
        {"txtServiceCA", "QLineEdit", "cxGroupBox7", {120, 148, 369, 21}, "Service Informatique", false, nullptr, true},
        {"lblKeyTypeCA", "QLabel", "cxGroupBox7", {316, 55, 63, 17}, "Type de clé", false, nullptr, true},
        {"comboKeyTypeCA", "QComboBox", "cxGroupBox7", {384, 52, 105, 21}, "RSA 2048", false,
         "Clé du CA à sa création et clés des certificats émis ensuite.", true},
        {"cxButton1", "QPushButton", "cxGroupBox7", {432, 176, 75, 25}, "Save", false, nullptr, true},
        {"grpIssuerCA", "QGroupBox", "cxTabSheet4", {572, 176, 200, 100}, " Hiérarchie ", false, nullptr, true},
        {"lblIssuerCA", "QLabel", "grpIssuerCA", {8, 20, 184, 17}, "CA émetteur", false, nullptr, true},
        {"comboIssuerCA", "QComboBox", "grpIssuerCA", {8, 38, 184, 21}, "Aucun (CA racine)", false,
         "Le CA qui signe ce CA quand vous le créez. Aucun : un CA racine, signé par lui-même.", true},
        {"chkNameConstraintCA", "QCheckBox", "grpIssuerCA", {8, 68, 184, 17}, "Limiter aux noms du domaine", false,
         "Le certificat du CA ne vaut que pour les noms de son domaine et en dessous ; les adresses IP restent permises.",
         true},
        {"cxButton2", "QPushButton", "cxTabSheet4", {480, 420, 75, 25}, "Quit", false, nullptr, true},
        {"btImportCA", "QPushButton", "cxTabSheet4", {580, 72, 180, 25}, "Importer un CA…", false,
         "Reprend un CA existant : le dossier pki d'easy-rsa, ou la clé et le certificat d'un CA. Les fichiers "
         "d'origine ne sont que lus.", true},
        {"cxGroupBox5", "QGroupBox", "cxTabSheet5", {8, 8, 555, 400}, " Liste de révocation ", false, nullptr, true},
        {"cxLabel21", "QLabel", "cxGroupBox5", {9, 16, 104, 17}, "Passe phrase du CA", false, nullptr, true},
        {"cxMaskEdit4", "QLineEdit", "cxGroupBox5", {120, 16, 409, 21}, "", false, nullptr, true},
        {"cxLabel22", "QLabel", "cxGroupBox5", {9, 37, 162, 17}, "Liste des Certificats non révoqué", false, nullptr, true},
        {"cxListBox1", "QListWidget", "cxGroupBox5", {16, 56, 513, 57}, "", false, nullptr, true},
        {"cxLabel23", "QLabel", "cxGroupBox5", {9, 117, 141, 17}, "Liste des Certificats révoqué", false, nullptr, true},
        {"cxListBox2", "QListWidget", "cxGroupBox5", {16, 136, 513, 57}, "", false, nullptr, true},
        {"cxLabel20", "QLabel", "cxGroupBox5", {12, 200, 157, 17}, "Numero du certificat à révoquer", false, nullptr, true},
        {"txtRevokeNumber", "QLineEdit", "cxGroupBox5", {168, 200, 121, 21}, "", false, nullptr, true},
        {"cxButton12", "QPushButton", "cxGroupBox5", {448, 200, 75, 25}, "relir les listes", false, nullptr, true},
        {"cxButton16", "QPushButton", "cxGroupBox5", {8, 224, 193, 25}, "Créer et signer la CRL", false, nullptr, true},
        {"cxMemo4", "QPlainTextEdit", "cxGroupBox5", {8, 256, 537, 135}, "", false, nullptr, true},
        {"cxButton7", "QPushButton", "cxTabSheet5", {480, 420, 75, 25}, "Quit", false, nullptr, true},
    };
    Open();
    for (const ControlRow &row : rows) {
        SCOPED_TRACE(row.name);
        QWidget *w = form->findChild<QWidget *>(QString::fromLatin1(row.name));
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(row.kind)) << w->metaObject()->className();
        EXPECT_EQ(w->parentWidget()->objectName(), QString::fromLatin1(row.parent));
        EXPECT_EQ(w->geometry(), row.bounds);
        if (row.text) {
            EXPECT_EQ(ShownText(w), QString::fromUtf8(row.text));
        }
        if (auto *e = qobject_cast<QLineEdit *>(w)) {
            EXPECT_EQ(e->isReadOnly(), row.readOnly);
        }
        if (auto *m = qobject_cast<QPlainTextEdit *>(w)) {
            EXPECT_TRUE(m->isReadOnly());
        }
        EXPECT_EQ(w->toolTip(), row.hint ? QString::fromUtf8(row.hint) : QString());
        EXPECT_EQ(w->isVisibleTo(w->parentWidget()), row.visible);
    }
}

TEST_F(WindowTest, PickersStartWithSelectAndNoItemWhileTheCountryShowsFR)
{
    Open();
    const QStringList periods = {"1 mois", "6 mois", "1 an", "5 ans", "10 ans", "15 ans", "20 ans"};
    for (const char *name : {"comboTTLCA", "comboTTLsrv", "comboTTLusr"}) {
        SCOPED_TRACE(name);
        QComboBox *c = Combo(name);
        QStringList items;
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
        EXPECT_EQ(items, periods);
        EXPECT_EQ(c->currentIndex(), -1);
        EXPECT_EQ(c->currentText(), "Select");
    }
    EXPECT_EQ(Combo("comboCountryCodeCA")->count(), 4);
    EXPECT_EQ(Combo("comboDomaineName")->count(), 0);
    // The items stand in the order of the key types the settings file names.
    QComboBox *keyTypes = Combo("comboKeyTypeCA");
    ASSERT_EQ(keyTypes->count(), kKeyTypeCount);
    for (int i = 0; i < kKeyTypeCount; ++i)
        EXPECT_EQ(keyTypes->itemText(i), KeyTypeText(TKeyType(i)));
}

// Qt's file dialog and standard buttons speak French like the program.
TEST_F(WindowTest, QtOwnTextsAreFrench)
{
    ASSERT_TRUE(InstallQtFrench());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Annuler");
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), "&Ouvrir");
    for (QTranslator *t : QCoreApplication::instance()->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

TEST_F(WindowTest, WindowIsFixedWithFiveReadableTabsAndConfigurationActive)
{
    Open();
    EXPECT_EQ(form->windowTitle(), "Tarvik");
    EXPECT_EQ(form->size(), QSize(800, 470));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    auto *pages = Find<QTabWidget>("cxPageControl1");
    EXPECT_EQ(pages->tabPosition(), QTabWidget::West);
    EXPECT_EQ(pages->currentWidget()->objectName(), "cxTabSheet4");
    const QStringList captions = {"Créer un CA", "Certificat Machine", "Certificat Utilisateur", "Configuration",
                                  "Liste de révocation"};
    QTabBar *bar = pages->tabBar();
    ASSERT_EQ(bar->count(), 5);
    int used = 0;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(bar->tabText(i), captions[i]);
        // Rotated tabs: the caption must fit the tab's length.
        const int needed = bar->fontMetrics().horizontalAdvance(captions[i]);
        EXPECT_GE(bar->tabRect(i).height(), needed) << captions[i].toStdString();
        used += bar->tabRect(i).height();
    }
    EXPECT_LE(used, pages->height());
    auto *status = Find<QStatusBar>("StatusBar1");
    EXPECT_EQ(status->geometry(), QRect(0, 451, 800, 19));
    EXPECT_EQ(Find<QLabel>("StatusBar1Panel")->text(), QString());
}

TEST_F(WindowTest, EveryCaptionFitsItsBounds)
{
    Open();
    for (QWidget *w : form->findChildren<QWidget *>()) {
        QString text;
        int room = w->width();
        if (auto *l = qobject_cast<QLabel *>(w))
            text = l->text();
        else if (auto *b = qobject_cast<QPushButton *>(w))
            text = b->text(), room -= 8;
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            text = g->title(), room -= 16;
        if (text.isEmpty() || w->objectName().isEmpty())
            continue;
        EXPECT_LE(w->fontMetrics().horizontalAdvance(text), room) << w->objectName().toStdString();
        EXPECT_LE(w->fontMetrics().height(), w->height()) << w->objectName().toStdString();
    }
}

TEST_F(WindowTest, FirstStartCreatesSettingsWithTheDefaultToolPath)
{
    Open();
    const QList<QByteArray> lines = SettingsLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "[path]");
    ASSERT_TRUE(lines[1].startsWith("openssl="));
    const QString tool = QString::fromUtf8(lines[1].mid(8));
    EXPECT_EQ(Text("cxTextEdit1"), tool);
    EXPECT_EQ(form->ToolPath(), tool);
    // No openssl beside the program: the one on the search path.
    EXPECT_TRUE(QFileInfo(tool).isAbsolute());
    EXPECT_TRUE(boxes->shown.isEmpty());
}

TEST_F(WindowTest, ToolIsLookedForBesideTheExecutableNotInTheProgramDirectory)
{
    QFile beside(progDir + "openssl");
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    Open();
    // The test program's directory has no openssl: the one on the search path.
    EXPECT_EQ(Text("cxTextEdit1"), OpenSsl());
}

TEST_F(WindowTest, SettingsWithoutToolKeyAreLeftUnchangedAndEmptyValueGivesRedEmptyField)
{
    const QByteArray noKey = "[other]\r\nx=1\r\n";
    WriteBytes(progDir + "tarvik.ini", noKey);
    {
        // Before the window is shown only start-up has run: it reads, it does not write.
        TForm1 unshown(progDir, std::make_unique<TScriptedBoxes>());
        EXPECT_EQ(ReadBytes(progDir + "tarvik.ini"), noKey);
        EXPECT_FALSE(unshown.ToolPath().isEmpty());
    }

    WriteBytes(progDir + "tarvik.ini", "[path]\r\nopenssl=\r\n");
    Reopen();
    EXPECT_EQ(Text("cxTextEdit1"), QString());
    EXPECT_EQ(Field("cxTextEdit1")->palette().color(QPalette::Text), QColor(255, 0, 0));
}

TEST_F(WindowTest, UnwritableSettingsAtStartAreReportedOnceAndTheWindowOpens)
{
    // A directory where the settings file should be makes every write fail.
    ASSERT_TRUE(QDir(progDir).mkdir("tarvik.ini"));
    Open();
    ASSERT_EQ(boxes->Texts("error").size(), 1);
    EXPECT_EQ(boxes->Texts("error")[0], "Impossible d'écrire dans " + progDir + "tarvik.ini.");
    EXPECT_FALSE(Text("cxTextEdit1").isEmpty());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(WindowTest, PageShowHandlers)
{
    Open();
    auto *memo = Find<QPlainTextEdit>("cxMemo1");
    memo->setPlainText("old output");
    ShowPage("cxTabSheet1");
    EXPECT_TRUE(memo->toPlainText().isEmpty());

    ShowPage("cxTabSheet2");
    EXPECT_EQ(Find<QLabel>("cxLabel8")->text(), ".");

    ShowPage("cxTabSheet5");
    EXPECT_TRUE(boxes->Texts("error").isEmpty());
}

TEST_F(WindowTest, EveryQuitButtonClosesTheWindow)
{
    for (const char *quit : {"cxButton3", "cxButton4", "cxButton5", "cxButton2", "cxButton7"}) {
        SCOPED_TRACE(quit);
        Open();
        ASSERT_TRUE(form->isVisible());
        Click(quit);
        EXPECT_FALSE(form->isVisible());
        form.reset();
    }
}

// A settings file edited by hand, with CR-only line ends and CA names that break the
// rule: only the valid CAs are offered, the others are named once and never used.
TEST_F(WindowTest, HandEditedCaNamesThatBreakTheRuleAreLeftOut)
{
    const QString longName(300, u'n');
    WriteBytes(progDir + "tarvik.ini", ("[path]\ropenssl=/bin/sh\r[domaine]\r../evil=0\ra/b=0\r" + longName
                                        + "=0\rgood=1\r[../evil]\rdir=x\r[good]\remail=g@acme.test\r")
                                           .toUtf8());
    Open();
    EXPECT_EQ(Combo("comboDomaineName")->count(), 1);
    EXPECT_EQ(Combo("comboDomaineName")->currentText(), "good");
    EXPECT_EQ(Text("txtEmailCA"), "g@acme.test");
    ASSERT_EQ(boxes->Texts("message").size(), 1);
    EXPECT_TRUE(boxes->Texts("message")[0].contains("../evil, a/b, " + longName)) << boxes->Texts("message")[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(progDir + "../evil"));
    EXPECT_FALSE(QFileInfo::exists(progDir + "a"));
    EXPECT_EQ(TIniFile(progDir + "tarvik.ini").ReadValue("../evil", "dir", ""), "x");
    Reopen();
    EXPECT_EQ(boxes->Texts("message").size(), 1); // once per program run
}
