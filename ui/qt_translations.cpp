#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace velmaro {

bool InstallQtTranslations(QCoreApplication& application) {
    // Owned by the application, which may outlive any window.
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace velmaro
