#pragma once
// What the window benchmarks share: boxes that answer at once, controls by name, waiting
// for the runs to end and the CA the certificate runs work on.
#include "Boxes.h"
#include "Unit1.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

class QuietBoxes : public TBoxes
{
public:
    void Message(const QString &) override {}
    bool Confirm(const QString &, TDefaultButton) override { return true; }
    void Error(const QString &text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
};

template <class T> T *Find(QWidget *form, const char *name)
{
    return form->findChild<T *>(QString::fromLatin1(name));
}

// The window of a certificate benchmark, off screen, in a fresh program directory that is
// also the working directory, with the openssl tool of the search path.
struct TBenchWindow
{
    TBenchWindow(int &argc, char **argv) : app(Offscreen(argc), argv) { form.show(); }
    static int &Offscreen(int &argc)
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return argc;
    }

    QApplication app;
    QTemporaryDir tmp;
    QString progDir = tmp.path() + QLatin1Char('/');
    bool entered = QDir::setCurrent(progDir);
    QString tool = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    TForm1 form{progDir, std::make_unique<QuietBoxes>()};
};

// Waits in the event loop as the program does, looking every millisecond.
inline void WaitForRuns(TForm1 *form)
{
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (form->RunningOperations() == 0)
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double Mean(const std::vector<double> &v)
{
    return std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
}

// Adds the CA with its subject, saves it with the key type of the picker's item keyType,
// creates it and picks a one-year validity for servers; false when the CA has no certificate.
inline bool MakeCa(TForm1 &form, const QString &tool, const QString &ca, int keyType = 0)
{
    Find<QLineEdit>(&form, "cxTextEdit1")->setText(tool);
    Find<QLineEdit>(&form, "txtNewCA")->setText(ca);
    Find<QPushButton>(&form, "btAddCA")->click();
    Find<QLineEdit>(&form, "txtEmailCA")->setText(QStringLiteral("pki@") + ca);
    Find<QComboBox>(&form, "comboCountryCodeCA")->setEditText(QStringLiteral("FR"));
    for (const char *field : {"txtProvinceCA", "txtVilleCA", "txtServiceCA"})
        Find<QLineEdit>(&form, field)->setText(QStringLiteral("bench"));
    Find<QComboBox>(&form, "comboTTLCA")->setCurrentIndex(2);
    Find<QComboBox>(&form, "comboKeyTypeCA")->setCurrentIndex(keyType);
    Find<QPushButton>(&form, "cxButton1")->click();
    Find<QLineEdit>(&form, "cxMaskEdit1")->setText(QStringLiteral("bench pass"));
    Find<QPushButton>(&form, "cxButton6")->click();
    WaitForRuns(&form);
    Find<QComboBox>(&form, "comboTTLsrv")->setCurrentIndex(2);
    return QFileInfo::exists(ca + QStringLiteral("/private/ca.crt"));
}
