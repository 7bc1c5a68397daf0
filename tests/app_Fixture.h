#pragma once
#include "Unit1.h"
#include "console/ConsoleCommand.h"
#include "test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QPushButton>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

// Records every box the window shows and answers confirmations as the test chose.
class TScriptedBoxes : public TBoxes
{
public:
    struct Shown
    {
        QString kind, text;
        TDefaultButton byDefault = TDefaultButton::Ok; // a confirmation's
    };
    QList<Shown> shown;
    QList<bool> answers; // consumed by confirmations, in order; "Annuler" when none left
    std::function<void()> duringMessage;
    // Runs while a confirmation waits for its answer, as the user takes time to read it.
    std::function<void()> duringConfirm;
    // Boxes that opened over another box still open.
    int stacked = 0;

    void Message(const QString &text) override
    {
        const Open open(*this);
        shown.append({QStringLiteral("message"), text});
        if (duringMessage)
            duringMessage();
    }
    bool Confirm(const QString &text, TDefaultButton byDefault) override
    {
        const Open open(*this);
        shown.append({QStringLiteral("confirm"), text, byDefault});
        if (duringConfirm)
            std::exchange(duringConfirm, nullptr)();
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    void Error(const QString &text) override
    {
        const Open open(*this);
        shown.append({QStringLiteral("error"), text});
    }

private:
    int open_ = 0;
    struct Open
    {
        TScriptedBoxes &boxes;
        explicit Open(TScriptedBoxes &b) : boxes(b) { boxes.stacked += boxes.open_++ > 0; }
        ~Open() { --boxes.open_; }
    };

public:
    QStringList Texts(const QString &kind) const
    {
        QStringList texts;
        for (const Shown &s : shown)
            if (s.kind == kind)
                texts.append(s.text);
        return texts;
    }
};

// A window in a fresh program directory that is also the working directory, as
// start-up makes it.
class WindowTest : public TempDirTest
{
protected:
    QString progDir;
    TScriptedBoxes *boxes = nullptr;
    std::unique_ptr<TForm1> form;

    void SetUp() override
    {
        TempDirTest::SetUp();
        progDir = progDir_;
    }
    void TearDown() override
    {
        form.reset();
        TempDirTest::TearDown();
    }

    void Open()
    {
        auto scripted = std::make_unique<TScriptedBoxes>();
        boxes = scripted.get();
        form = std::make_unique<TForm1>(progDir, std::move(scripted));
        form->show();
    }
    void Reopen()
    {
        form.reset();
        Open();
    }

    template <class T> T *Find(const char *name)
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit *Field(const char *name) { return Find<QLineEdit>(name); }
    QComboBox *Combo(const char *name) { return Find<QComboBox>(name); }
    QString Text(const char *name) { return Field(name)->text(); }
    void Type(const char *name, const QString &text) { Field(name)->setText(text); }
    void Click(const char *name) { Find<QPushButton>(name)->click(); }
    void ShowPage(const char *name)
    {
        auto *pages = Find<QTabWidget>("cxPageControl1");
        pages->setCurrentWidget(Find<QWidget>(name));
    }
    // The fields every operation requires, filled on all four pages.
    void FillOperationFields()
    {
        Type("cxMaskEdit1", "secret");
        Type("cxTextEdit8", "www");
        Type("cxTextEdit3", "pw");
        Type("cxTextEdit9", "Jean");
        Type("cxTextEdit4", "pw");
        Type("txtRevokeNumber", "01");
    }
    // Types into an editable combo box key by key, as the platform delivers keys: to the
    // focus widget, which is the combo box itself; then Enter, if asked, and the focus leaves.
    void TypeKeys(QComboBox *combo, const QString &text, bool enter = true)
    {
        const auto press = [](QWidget *w, int key, const QString &typed = QString()) {
            QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, typed);
            QApplication::sendEvent(w, &down);
            QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, typed);
            QApplication::sendEvent(w, &up);
        };
        QApplication::setActiveWindow(form.get());
        combo->lineEdit()->clear();
        combo->setFocus(Qt::OtherFocusReason);
        QWidget *focus = QApplication::focusWidget();
        ASSERT_EQ(focus, combo);
        for (const QChar c : text)
            press(focus, 0, QString(c));
        if (enter)
            press(focus, Qt::Key_Return);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(focus, &out);
    }
    void AddCa(const QString &name)
    {
        Type("txtNewCA", name);
        Click("btAddCA");
    }

    QList<QByteArray> SettingsLines()
    {
        QList<QByteArray> lines;
        for (const QByteArray &l : ReadBytes(progDir + QStringLiteral("tarvik.ini")).split('\n'))
            if (!l.trimmed().isEmpty())
                lines.append(l.endsWith('\r') ? l.chopped(1) : l);
        return lines;
    }

    // Lets the window handle events until the condition holds or the time is up.
    static bool WaitFor(const std::function<bool()> &done, int ms = 20000)
    {
        QDeadlineTimer deadline(ms);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(2);
        }
        return true;
    }
};

inline QString OpenSsl()
{
    return QStandardPaths::findExecutable(QStringLiteral("openssl"));
}

// Runs the real OpenSSL tool and returns its exit code.
inline int RunOpenSsl(const QStringList &args, QByteArray *output = nullptr, const QByteArray &input = QByteArray())
{
    const TRun run = RunProgram(OpenSsl(), args, input);
    if (output)
        *output = run.output;
    return run.exitCode;
}

// A window whose operations run the real OpenSSL tool.
class PkiWindowTest : public WindowTest
{
protected:
    // A CA registered and saved with its subject fields, as a user would do first.
    void PrepareCa(const QString &name)
    {
        if (!form)
            Open();
        Type("cxTextEdit1", OpenSsl());
        form->cxTextEdit1Exit();
        AddCa(name);
        Type("txtEmailCA", "pki@acme.test");
        Combo("comboCountryCodeCA")->setEditText("FR");
        Type("txtProvinceCA", "Île-de-France");
        Type("txtVilleCA", "Saint-Étienne");
        Type("txtCompanyCA", "Société Générale d'Ingénierie");
        Type("txtServiceCA", "Sécurité");
        Combo("comboTTLCA")->setCurrentIndex(-1);
        Combo("comboTTLCA")->setCurrentIndex(4); // "10 ans"
        Click("cxButton1");
    }

    bool WaitForRuns()
    {
        return WaitFor([this] { return form->RunningOperations() == 0; });
    }

    QString Memo(const char *name) { return Find<QPlainTextEdit>(name)->toPlainText(); }

    QByteArray Subject(const QString &cert)
    {
        QByteArray out;
        RunOpenSsl({"x509", "-in", cert, "-noout", "-subject", "-nameopt", "sep_multiline,utf8,-esc_msb"}, &out);
        return out;
    }
};
