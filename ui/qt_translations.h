#pragma once

#include <QLocale>

class QCoreApplication;

namespace velmaro {

// Installs Qt's own translations (qtbase: the file, print and preview dialogs, the standard
// buttons) for locale in application, so the standard dialogs speak the user's language.
// False when Qt has no translation for that locale or it is not installed
// (qt6-translations-l10n); the dialogs then stay in English.
bool InstallQtTranslations(QCoreApplication& application, const QLocale& locale);

}  // namespace velmaro
