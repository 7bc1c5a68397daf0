#include "app_Fixture.h"
#include "pki/KeyType.h"
#include "pki/Texts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

class ImportWindowTest : public PkiWindowTest
{
protected:
    // Answers the next modal dialogs in turn: a question box by its button's text, a file
    // dialog with the path, a text box with the text.
    void AnswerDialogs(const QStringList &answers)
    {
        auto pending = std::make_shared<QStringList>(answers);
        auto answered = std::make_shared<QPointer<QWidget>>();
        auto *poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, poll, [poll, pending, answered] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal == *answered || pending->isEmpty())
                return;
            *answered = modal;
            const QString answer = pending->takeFirst();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                for (QAbstractButton *button : box->buttons())
                    if (button->text() == answer)
                        button->click();
            } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
                files->findChild<QLineEdit *>("fileNameEdit")->setText(answer);
                static_cast<QDialog *>(files)->accept(); // QFileDialog's own would open a folder
            } else if (auto *input = qobject_cast<QInputDialog *>(modal)) {
                input->setTextValue(answer);
                input->accept();
            }
            if (pending->isEmpty())
                poll->deleteLater();
        });
        poll->start(10);
    }
    // A CA pair made by hand, its key under a pass phrase, laid out as easy-rsa's folder of
    // a CA that issued nothing yet.
    void MakePair()
    {
        ASSERT_TRUE(QDir(progDir).mkpath("old/private"));
        WriteBytes(progDir + "old/index.txt", "");
        ASSERT_EQ(RunOpenSsl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-passout",
                              "pass:old phrase", "-keyout", key, "-out", cert, "-days", "365", "-subj",
                              "/C=FR/ST=Bretagne/L=Rennes/O=Acme/OU=Réseau/CN=Acme Root/emailAddress=pki@acme.test",
                              "-utf8", "-addext", "keyUsage=critical,keyCertSign,cRLSign"}),
                  0);
    }
    const QString key = QStringLiteral("old/private/ca.key"), cert = QStringLiteral("old/ca.crt");
};

// A pair, then a folder, picked in the dialogs becomes a selected CA with its subject, key type and a CRL;
// the same name again, typed into « Nouveau CA », is refused and writes nothing.
TEST_F(ImportWindowTest, ACaImportedIsSelectedWithItsSubjectAndCrl)
{
    PrepareCa("other.test");
    MakePair();
    Type("txtNewCA", "");
    boxes->shown.clear();
    AnswerDialogs({Texts::ImportKindPair, progDir + key, progDir + cert, "acme.test", "old phrase"});
    Click("btImportCA");
    ASSERT_TRUE(WaitForRuns());
    EXPECT_EQ(boxes->Texts("message"),
              QStringList({Texts::ImportDone("acme.test", progDir + cert, 0, 0, 0), Texts::RevocationDone("acme.test")}));
    EXPECT_EQ(boxes->Texts("error"), QStringList());
    EXPECT_EQ(form->CaName(), "acme.test");
    EXPECT_EQ(Text("txtCompanyCA"), "Acme");
    EXPECT_EQ(Text("txtServiceCA"), "Réseau");
    EXPECT_EQ(Text("txtEmailCA"), "pki@acme.test");
    EXPECT_EQ(Combo("comboKeyTypeCA")->currentIndex(), int(TKeyType::EcdsaP256));
    QByteArray crl;
    EXPECT_EQ(RunOpenSsl({"crl", "-in", "acme.test/crl/acme.test.crl.crt", "-CAfile", cert, "-noout"}, &crl), 0);
    EXPECT_TRUE(crl.contains("verify OK")) << crl.constData();

    const auto before = Tree(progDir);
    boxes->shown.clear();
    Type("txtNewCA", "Acme.test");
    AnswerDialogs({Texts::ImportKindPair, progDir + key, progDir + cert, "old phrase"});
    Click("btImportCA");
    EXPECT_EQ(boxes->Texts("message"), QStringList({Texts::CaExists}));
    EXPECT_TRUE(Tree(progDir) == before);

    // The same CA from the folder dialog, under a name asked for.
    boxes->shown.clear();
    Type("txtNewCA", "");
    AnswerDialogs({Texts::ImportKindEasyRsa, progDir + "old", "copy.test", "old phrase"});
    Click("btImportCA");
    ASSERT_TRUE(WaitForRuns());
    EXPECT_EQ(boxes->Texts("message"),
              QStringList({Texts::ImportDone("copy.test", progDir + "old", 0, 0, 0), Texts::RevocationDone("copy.test")}));
    EXPECT_EQ(form->CaName(), "copy.test");

    // Annuler in the first box asks nothing more.
    const auto imported = Tree(progDir);
    boxes->shown.clear();
    AnswerDialogs({"Annuler"});
    Click("btImportCA");
    EXPECT_TRUE(boxes->shown.isEmpty());
    EXPECT_TRUE(Tree(progDir) == imported);
}
