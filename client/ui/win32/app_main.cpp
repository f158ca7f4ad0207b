// TessaroPc: finds the fonts a design document lacks and installs them from the font service.
//
// It takes no command-line arguments. The engine Corvid.dll is loaded from the program's own
// folder; the log, crash dumps and the download and update folders are kept in the current
// directory at start, the working folder. TESSARO_SERVICE_HOST (host[:port]) replaces the
// built-in service host.

#include <windows.h>
// Built on <windows.h>:
#include <commctrl.h>
#include <ole2.h>

#include "client/ui/win32/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The list, bars and progress controls, and the link control of common controls 6.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&controls);
  // The preview and About windows host the WebBrowser control.
  const bool ole = SUCCEEDED(OleInitialize(nullptr));
  {
    // The window object is built (engine loaded, update folder cleaned), checks for an update
    // before the window is shown, and runs until it is closed; its end unloads the engine.
    tessaro::CTessaroPcDlg window;
    window.DoModal();
  }
  if (ole) OleUninitialize();
  return 0;
}
