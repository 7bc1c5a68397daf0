#pragma once
#include "Boxes.h"

#include <QMainWindow>
#include <QMap>
#include <functional>
#include <memory>

namespace Ui { class TForm1; }
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TConsoleCommand;
class TMemoLines;
enum class TCertKind;
struct TCaFields;
struct TSubject;

// The program's only window. Every operation is one of its handlers; the handlers
// live in files grouped by page (settings, CA list, linked fields, certificates,
// revocation).
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    // progDir ends with '/'; the window keeps its settings there.
    TForm1(QString progDir, std::unique_ptr<TBoxes> boxes, QWidget *parent = nullptr);
    ~TForm1() override;

    TBoxes &Boxes() { return *boxes_; }
    const QString &ToolPath() const { return toolPath_; }
    const QString &ProgDir() const { return progDir_; }
    QString SettingsPath() const;
    QString CaName() const;
    // Every console run the operations started; they live as long as the window.
    const QList<TConsoleCommand *> &ConsoleRuns() const { return runs_; }

    // Start-up and pages.
    void FormCreate();
    void cxTabSheet1Show();
    void cxTabSheet2Show();
    void cxTabSheet4Show();
    void cxTabSheet5Show();
    void cxButton2Click();

    // Configuration page and CA list.
    void cxButton1Click();
    void cxTextEdit1Exit();
    void btAddCAClick();
    void btDelCAClick();
    void comboDomaineNameClick();

    // Linked fields.
    void comboTTLCAClick();
    void comboTTLsrvClick();
    void comboTTLusrClick();
    void cxMaskEdit1PropertiesChange();
    void cxMaskEdit2PropertiesChange();
    void cxMaskEdit3PropertiesChange();
    void cxMaskEdit4PropertiesChange();

    // Certificate operations and revocation.
    void cxButton6Click();
    void cxButton14Click();
    void cxButton15Click();
    void cxButton12Click();
    void cxButton16Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Guarded(const std::function<void()> &handler);
    void ConnectHandlers();
    void RestoreDesignTexts();
    void RunPageShowHandler(int index);

    // Nested runs are explicit: values are set with signals blocked and the
    // control's handler is called here when the value changed.
    void SetCaIndex(int index);
    void ReplaceCaItems(const QStringList &items);
    void SetPassPhrase(QLineEdit *field, const QString &text);
    void MirrorPassPhrase(QLineEdit *source, std::initializer_list<QLineEdit *> targets);
    void PickValidity(QComboBox *picker, QLineEdit *days);

    void SaveSteps();
    TCaFields CaFieldsOnPage() const;
    void ShowCaFields(const TCaFields &fields);
    TSubject SubjectOnPage() const;
    void ShowSubject(const TSubject &subject);

    void IssueCertificate(TCertKind kind);
    // The guards every operation shares; each shows its refusal itself.
    bool CaSelected();
    bool CaFree(const QString &ca);
    bool AllFilled(std::initializer_list<const QLineEdit *> fields);
    void StartConsoleRun(QPlainTextEdit *memo, const QString &ca, const QStringList &commands);

    QString progDir_;
    std::unique_ptr<TBoxes> boxes_;
    std::unique_ptr<Ui::TForm1> ui;
    QLabel *statusPanel_ = nullptr;
    QString toolPath_;
    bool firstShowDone_ = false;
    QMap<QPlainTextEdit *, TMemoLines *> memoLines_;
    QList<TConsoleCommand *> runs_;
    QMap<QString, const TConsoleCommand *> latestRunOnCa_;
};
