// Qt's own texts (the buttons and labels of its standard dialogs) in the window's language.
#pragma once

class QCoreApplication;

namespace tessaro {

// Installs Qt's Simplified Chinese translations (qtbase_zh_CN from Qt's translations folder) into
// `application`, so that the standard dialogs speak the language of the Chinese window. Returns
// false, changing nothing, where they are not installed.
bool InstallQtTranslations(QCoreApplication& application);

}  // namespace tessaro
