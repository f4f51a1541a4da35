#pragma once

class QCoreApplication;

namespace velmaro {

// Installs Qt's own Italian translations (qtbase: the file, print and preview dialogs, the
// standard buttons, the text box's menu) in application, whatever the system's language: the
// window speaks Italian throughout, its own texts as its standard dialogs. False when they are
// not installed (qt6-translations-l10n); the standard dialogs then stay in English.
bool InstallQtTranslations(QCoreApplication& application);

}  // namespace velmaro
