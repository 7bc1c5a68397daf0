#include "Unit1.h"
#include "ui_Unit1.h"

#include "CaImport.h"
#include "IssuerChoice.h"
#include "TrustHandler.h"
#include "common/Exception.h"
#include "MemoLines.h"
#include "console/ConsoleCommand.h"
#include "settings/CaSettings.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QShowEvent>

TForm1::TForm1(QString progDir, std::unique_ptr<TBoxes> boxes, QWidget *parent)
    : QMainWindow(parent), progDir_(std::move(progDir)),
      boxes_(std::make_unique<TBoxQueue>(std::move(boxes), this)), ui(new Ui::TForm1)
{
    ui->setupUi(this);
    // Wider than the first design: the certificate pages had no room left for signing a
    // request made elsewhere, so their group boxes grew to the right; Configuration then
    // needed a column for the CA hierarchy, this computer's trust stores and imports.
    setFixedSize(800, 470);
    statusPanel_ = new QLabel(ui->StatusBar1);
    statusPanel_->setObjectName(QStringLiteral("StatusBar1Panel"));
    ui->StatusBar1->addWidget(statusPanel_, 1);
    RestoreDesignTexts();
    for (QPlainTextEdit *memo : {ui->cxMemo1, ui->cxMemo2, ui->cxMemo3, ui->cxMemo4})
        memoLines_.insert(memo, new TMemoLines(memo));
    issuerChoice_ = std::make_unique<TIssuerChoice>(progDir_, ui->comboDomaineName, ui->comboIssuerCA,
                                                    ui->chkNameConstraintCA, ui->txtIssuerPass);
    ConnectHandlers();
    SetTabOrder();
    // uic sizes a top-level form but leaves its place to the window manager.
    move(198, 107);
    // A failure here is reported and start-up goes on with the default tool path.
    try {
        QStringList cas;
        TIniFile(SettingsPath()).ListKeys(SettingsKeys::Domaine, cas);
        for (const QString &message : FinishInterruptedCommitsOf(cas))
            boxes_->Message(message);
        FormCreate();
    } catch (const Exception &e) {
        startFailure_ = e.Message();
        boxes_->Error(ErrorBoxText(startFailure_));
    } catch (const std::exception &e) {
        boxes_->Error(ErrorBoxText(QString::fromUtf8(e.what())));
    }
}

QString TForm1::SettingsPath() const
{
    return SettingsFilePath(progDir_);
}

// The selected item, never typed text: only a pick from the list selects a CA.
QString TForm1::CaName() const
{
    const QComboBox *combo = ui->comboDomaineName;
    return combo->currentIndex() < 0 ? QString() : combo->itemText(combo->currentIndex());
}

// An editable QComboBox selects its first item when items are added: put back the
// texts the pickers show at start, with no item selected.
void TForm1::RestoreDesignTexts()
{
    for (QComboBox *picker : {ui->comboTTLCA, ui->comboTTLsrv, ui->comboTTLusr}) {
        const QSignalBlocker block(picker);
        picker->setCurrentIndex(-1);
        picker->setEditText(QStringLiteral("Select"));
    }
    const QSignalBlocker block(ui->comboDomaineName);
    ui->comboDomaineName->setCurrentIndex(-1);
    ui->comboDomaineName->setEditText(QString());
}

void TForm1::Guarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const Exception &e) {
        boxes_->Error(ErrorBoxText(e.Message()));
    } catch (const std::exception &e) {
        boxes_->Error(ErrorBoxText(QString::fromUtf8(e.what())));
    }
}

void TForm1::ConnectHandlers()
{
    // Every signal of the user's reaches its handler through the guard.
    const auto on = [this](auto *sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    for (QPushButton *quit : {ui->cxButton3, ui->cxButton4, ui->cxButton5, ui->cxButton2, ui->cxButton7})
        on(quit, &QPushButton::clicked, &TForm1::cxButton2Click);
    on(ui->cxButton1, &QPushButton::clicked, &TForm1::cxButton1Click);
    on(ui->btAddCA, &QPushButton::clicked, &TForm1::btAddCAClick);
    on(ui->btDelCA, &QPushButton::clicked, &TForm1::btDelCAClick);
    on(ui->cxButton6, &QPushButton::clicked, &TForm1::cxButton6Click);
    on(ui->cxButton14, &QPushButton::clicked, &TForm1::cxButton14Click);
    on(ui->cxButton15, &QPushButton::clicked, &TForm1::cxButton15Click);
    on(ui->cxButton12, &QPushButton::clicked, &TForm1::cxButton12Click);
    on(ui->cxButton16, &QPushButton::clicked, &TForm1::cxButton16Click);
    on(ui->btPublishCrl, &QPushButton::clicked, &TForm1::btPublishCrlClick);
    on(ui->btRenew, &QPushButton::clicked, &TForm1::btRenewClick);
    on(ui->cxListBox1, &QListWidget::currentItemChanged, &TForm1::cxListBox1Click);
    on(ui->chkCompatSrv, &QCheckBox::toggled, &TForm1::chkCompatSrvClick);
    on(ui->chkCompatUsr, &QCheckBox::toggled, &TForm1::chkCompatUsrClick);
    on(ui->btSignCsrSrv, &QPushButton::clicked, &TForm1::btSignCsrSrvClick);
    on(ui->btSignCsrUsr, &QPushButton::clicked, &TForm1::btSignCsrUsrClick);
    connect(ui->btTrustCA, &QPushButton::clicked, this, [this] {
        Guarded([this] {
            if (!TypedCaRefused())
                TTrustHandler(*this).btTrustCAClick();
        });
    });
    // An imported CA is selected, then its CRL is published as any operation runs.
    connect(ui->btImportCA, &QPushButton::clicked, this, [this] {
        Guarded([this] {
            TCaImport(this, *boxes_, [this](const TImportInput &in) {
                ReplaceCaItems(RegisteredCas(TIniFile(SettingsPath())));
                SetCaIndex(ui->comboDomaineName->findText(in.ca));
                RunOperation(CrlAfterImport(in), ui->cxMemo4);
            }).Run(toolPath_, progDir_, ui->txtNewCA->text());
        });
    });

    // Only changes made by the user arrive here: the program sets these controls with
    // their signals blocked and runs the handler itself.
    on(ui->comboDomaineName, &QComboBox::currentIndexChanged, &TForm1::comboDomaineNameClick);
    on(ui->comboTTLCA, &QComboBox::currentIndexChanged, &TForm1::comboTTLCAClick);
    on(ui->comboTTLsrv, &QComboBox::currentIndexChanged, &TForm1::comboTTLsrvClick);
    on(ui->comboTTLusr, &QComboBox::currentIndexChanged, &TForm1::comboTTLusrClick);
    on(ui->cxMaskEdit1, &QLineEdit::textChanged, &TForm1::cxMaskEdit1PropertiesChange);
    on(ui->cxMaskEdit2, &QLineEdit::textChanged, &TForm1::cxMaskEdit2PropertiesChange);
    on(ui->cxMaskEdit3, &QLineEdit::textChanged, &TForm1::cxMaskEdit3PropertiesChange);
    on(ui->cxMaskEdit4, &QLineEdit::textChanged, &TForm1::cxMaskEdit4PropertiesChange);

    // editingFinished would skip a field left unchanged.
    ui->cxTextEdit1->installEventFilter(this);
    // An editable combo box selects the item matching typed text on Enter or when it
    // loses focus, and its completer does on Enter; only a pick from the list may
    // change a selection.
    for (QComboBox *combo :
         {ui->comboDomaineName, ui->comboTTLCA, ui->comboTTLsrv, ui->comboTTLusr, ui->comboKeyTypeCA}) {
        combo->setCompleter(nullptr);
        // Keys reach the combo box, its focus widget, which hands Enter to its line edit
        // by a direct call that no filter on the line edit sees: both are watched.
        for (QObject *watched : {static_cast<QObject *>(combo), static_cast<QObject *>(combo->lineEdit())}) {
            typedCombos_.insert(watched, combo);
            watched->installEventFilter(this);
        }
    }

    for (QListWidget *list : {ui->cxListBox1, ui->cxListBox2}) {
        listViewports_.insert(list->viewport(), list);
        list->viewport()->installEventFilter(this);
    }

    connect(ui->cxPageControl1, &QTabWidget::currentChanged, this, &TForm1::RunPageShowHandler);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->cxTextEdit1 && event->type() == QEvent::FocusOut)
        Guarded([this] { cxTextEdit1Exit(); });
    if (QListWidget *list = listViewports_.value(watched))
        return ExplainIndexLine(list, event);
    if (QComboBox *combo = typedCombos_.value(watched)) {
        const bool enter = event->type() == QEvent::KeyPress
                           && (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return
                               || static_cast<QKeyEvent *>(event)->key() == Qt::Key_Enter);
        if (enter || event->type() == QEvent::FocusOut) {
            const int index = combo->currentIndex();
            const QString text = combo->currentText();
            const QSignalBlocker block(combo);
            static_cast<QObject *>(watched)->event(event);
            if (combo->currentIndex() != index) {
                combo->setCurrentIndex(index);
                combo->setEditText(text);
            }
            if (enter && combo == ui->comboDomaineName)
                Guarded([this] { TypedCaRefused(); });
            // The key type is only ever one of the items: typed text would hide the choice.
            if (combo == ui->comboKeyTypeCA)
                combo->setEditText(combo->itemText(index));
            const std::pair<QComboBox *, QLineEdit *> pickers[] = {
                {ui->comboTTLCA, ui->txtTTLCA}, {ui->comboTTLsrv, ui->txtTTLsrv}, {ui->comboTTLusr, ui->txtTTLusr}};
            for (const auto &[picker, days] : pickers)
                if (combo == picker)
                    Guarded([this, picker, days] { TakeTypedValidity(picker, days); });
            // An ignored key would travel on to the combo box, which hands it to the
            // line edit again, unguarded.
            event->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Tab follows the controls of each page in the order the page lists them.
void TForm1::SetTabOrder()
{
    const QList<QWidget *> order = {
        ui->cxMemo1, ui->cxButton6, ui->cxMaskEdit1, ui->txtIssuerPass, ui->cxButton3,
        ui->cxButton4, ui->cxMaskEdit2, ui->cxMemo2, ui->cxButton8, ui->cxButton9, ui->comboTTLsrv, ui->txtTTLsrv,
        ui->txtAltNamesSrv, ui->cxTextEdit3, ui->cxButton14, ui->cxTextEdit8, ui->chkCompatSrv, ui->btSignCsrSrv,
        ui->cxButton5, ui->cxMaskEdit3, ui->cxTextEdit4, ui->comboTTLusr, ui->txtTTLusr, ui->txtEmailUsr, ui->cxButton15,
        ui->cxMemo3, ui->cxTextEdit9, ui->chkCompatUsr, ui->btSignCsrUsr,
        ui->cxTextEdit1, ui->comboDomaineName, ui->btAddCA, ui->btDelCA, ui->txtNewCA, ui->comboCountryCodeCA,
        ui->comboTTLCA, ui->comboKeyTypeCA, ui->cxButton1, ui->txtCompanyCA, ui->txtEmailCA, ui->txtProvinceCA,
        ui->txtServiceCA, ui->txtTTLCA, ui->txtVilleCA, ui->txtCrlUrlCA, ui->btImportCA, ui->comboIssuerCA,
        ui->chkNameConstraintCA, ui->cxButton2,
        ui->cxButton7, ui->cxMaskEdit4, ui->cxButton16, ui->btPublishCrl, ui->btRenew, ui->cxMemo4, ui->cxListBox1,
        ui->txtRevokeNumber,
        ui->cxListBox2, ui->cxButton12,
    };
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!firstShowDone_ && !event->spontaneous()) {
        firstShowDone_ = true;
        RunPageShowHandler(ui->cxPageControl1->currentIndex());
    }
}

void TForm1::RunPageShowHandler(int index)
{
    const QWidget *page = ui->cxPageControl1->widget(index);
    if (page == ui->cxTabSheet1)
        Guarded([this] { cxTabSheet1Show(); });
    else if (page == ui->cxTabSheet2)
        Guarded([this] { cxTabSheet2Show(); });
    else if (page == ui->cxTabSheet4)
        Guarded([this] { cxTabSheet4Show(); });
    else if (page == ui->cxTabSheet5)
        Guarded([this] { cxTabSheet5Show(); });
}

void TForm1::FormCreate()
{
    const QString path = SettingsPath();
    const QString fallback = DefaultToolPath(QCoreApplication::applicationDirPath() + u'/');
    toolPath_ = fallback;
    TIniFile settings(path);
    if (QFileInfo(path).isFile()) {
        toolPath_ = settings.ReadValue(SettingsKeys::Path, SettingsKeys::Tool, fallback);
        ShowPkcs12Format(settings.ReadValue(SettingsKeys::Path, SettingsKeys::CompatiblePkcs12, SettingsKeys::Selected)
                         != SettingsKeys::NotSelected);
    } else {
        settings.WriteValue(SettingsKeys::Path, SettingsKeys::Tool, toolPath_);
    }
    // Set without running a show handler: the first show of the window runs it.
    const QSignalBlocker block(ui->cxPageControl1);
    ui->cxPageControl1->setCurrentWidget(ui->cxTabSheet4);
}

void TForm1::cxTabSheet1Show()
{
    memoLines_.value(ui->cxMemo1)->Clear();
}

void TForm1::cxTabSheet2Show()
{
    ui->cxLabel8->setText(QLatin1Char('.') + CaName());
}

void TForm1::cxTabSheet4Show()
{
    ui->cxTextEdit1->setText(toolPath_);
    issuerChoice_->Refresh(CaName());
    cxButton1Click();
}

void TForm1::cxButton2Click()
{
    close();
}
