#include "QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

Q_LOGGING_CATEGORY(lcTranslation, "tarvik.translation")

bool InstallQtFrench()
{
    // Owned by the application, which lives as long as the translation is used.
    auto *qtTexts = new QTranslator(QCoreApplication::instance());
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!qtTexts->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"), dir)) {
        qCWarning(lcTranslation) << "no French translation of Qt in" << dir;
        delete qtTexts;
        return false;
    }
    return QCoreApplication::installTranslator(qtTexts);
}
