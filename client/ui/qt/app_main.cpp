// TessaroPc: finds the fonts a design document lacks and installs them from the font service.
//
// It takes no command-line arguments. The engine libCorvid.so is loaded from the program's own
// folder; the log, crash dumps and the download and update folders are kept in the working
// folder $XDG_STATE_HOME/tessaro (default ~/.local/state/tessaro), whatever the current directory
// is (a program started from a menu has none of use). TESSARO_SERVICE_HOST (host[:port])
// replaces the built-in service host.

#include <unistd.h>

#include <QApplication>
#include <cstdlib>

#include "client/ui/qt/main_window.h"
#include "client/ui/qt/translations.h"

int main(int argc, char** argv) {
  // The web view's browser refuses to run as root inside its sandbox.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  tessaro::InstallQtTranslations(application);
  {
    // The window is built (engine loaded, update folder cleaned), checks for an update before it
    // is shown, and runs until it is closed; its end unloads the engine.
    tessaro::CTessaroPcDlg window;
    window.DoModal();
  }
  return 0;
}
