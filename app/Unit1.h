#pragma once
#include "BoxQueue.h"
#include "pki/Operation.h"
#include "pki/Renewal.h"

#include <QMainWindow>
#include <QMap>
#include <QSet>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Ui { class TForm1; }
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class TCaLock;
class TConsoleCommand;
class TIniFile;
class TIssuerChoice;
class TMemoLines;
struct TCaFields;
struct TIndexLists;

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
    // Operations whose console run has not been judged yet; each is released once it is.
    int RunningOperations() const { return int(operations_.size()); }

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
    void btPublishCrlClick();
    void cxListBox1Click();
    void btRenewClick();
    void chkCompatSrvClick();
    void chkCompatUsrClick();
    void btSignCsrSrvClick();
    void btSignCsrUsrClick();

protected:
    void showEvent(QShowEvent *event) override;
    // Asks first while an operation runs: quitting stops it half-way.
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Guarded(const std::function<void()> &handler);
    void ConnectHandlers();
    void SetTabOrder();
    void RestoreDesignTexts();
    void RunPageShowHandler(int index);

    // Nested runs are explicit: values are set with signals blocked and the
    // control's handler is called here when the value changed.
    void SetCaIndex(int index);
    void ReplaceCaItems(const QStringList &items);
    void ForgetOtherCaOutput();
    void SetPassPhrase(QLineEdit *field, const QString &text);
    void MirrorPassPhrase(QLineEdit *source, std::initializer_list<QLineEdit *> targets);
    void PickValidity(QComboBox *picker, QLineEdit *days);
    // Shows the picker item of a day count, or none; runs no handler.
    void ShowPickedValidity(QComboBox *picker, const QString &days);
    // Text typed into a picker, on Enter or when it loses the focus.
    void TakeTypedValidity(QComboBox *picker, QLineEdit *days);
    void ShowPkcs12Format(bool compatible);
    void SavePkcs12Format(bool compatible);

    // The revocation page's expiry overview, and the warning when a CA is selected.
    // Answers how many certificates in force end within the warning window.
    int ShowRevocationLists(const TIndexLists &lists);
    void ShowExpirySummary(const QString &ca, int soonCount, const QStringList &revokedLines);
    void WarnOfExpiry(const QString &ca);
    // Words the tool tip of the database line a tip is asked for; never consumes the event.
    bool ExplainIndexLine(QListWidget *list, QEvent *event);

    void SaveSteps();
    TCaFields CaFieldsOnPage() const;
    TKeyType KeyTypeOnPage() const;
    void ShowCaFields(const TCaFields &fields);
    TSubject SubjectOnPage() const;
    void ShowSubject(const TSubject &subject);

    // Operations: the page's fields become a plan, which runs in the page's pane.
    struct TOperationRun;
    TOperationInput OperationInput(TOperationKind kind, const QLineEdit *passphrase) const;
    // A revocation asks first, naming the certificate, unless the question was asked already.
    void RunOperation(const TOperationInput &in, QPlainTextEdit *memo, bool revocationAsked = false);
    // A request made elsewhere, picked, checked and confirmed before its run.
    void SignRequest(TOperationKind kind, const QLineEdit *passphrase, const QString &days, QPlainTextEdit *memo);
    void StartOperation(const TOperationPlan &plan, QPlainTextEdit *memo, const QStringList &madeDirectories,
                        std::vector<std::unique_ptr<TCaLock>> locks, std::optional<TRenewed> renewed);
    void FinishOperation(TConsoleCommand *run, quint32 exitCode);
    // Once the successor is issued: revoke the certificate it replaces?
    void OfferToRevoke(const TRenewed &renewed);
    // The guards; each shows its refusal itself and answers whether to go on.
    bool Refused(const QString &refusal);
    bool CaSelected();
    bool OperationFree(const QString &ca, const QPlainTextEdit *memo);
    bool PaneInUse(const QPlainTextEdit *memo) const;
    // Greys the buttons of each page whose pane a run still writes to: a second click
    // could only be refused.
    void ShowBusyButtons();
    // Puts the selected CA back into the selector's text; refuses typed text that names
    // no CA of the list.
    bool TypedCaRefused();
    // The CAs of the settings file whose names obey the rule; the others are named once.
    QStringList RegisteredCas(const TIniFile &settings);

    QString progDir_;
    std::unique_ptr<TBoxQueue> boxes_;
    std::unique_ptr<Ui::TForm1> ui;
    QLabel *statusPanel_ = nullptr;
    QString toolPath_;
    bool firstShowDone_ = false;
    bool leftOutReported_ = false;
    QString startFailure_; // shown by start-up; the first Save does not show it again
    QMap<QPlainTextEdit *, TMemoLines *> memoLines_;
    QMap<QObject *, QComboBox *> typedCombos_; // the combo box or its line edit -> the combo box
    QMap<QObject *, QListWidget *> listViewports_; // viewport -> its revocation list
    QList<std::shared_ptr<TOperationRun>> operations_;
    QSet<QString> expiryWarned_; // CAs whose expiry was told once in this run
    std::unique_ptr<TIssuerChoice> issuerChoice_;
    std::optional<TRenewed> renewing_; // filled by « Renouveler », until its successor is issued
};
