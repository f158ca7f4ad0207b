// The resource and control ids of TessaroPc's windows, shared by the resource script and the code.
// Plain macros: windres reads this file too.
#pragma once

// The id of the texts that no code looks up.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Program resources.
#define IDR_MAINFRAME 128   // the program icon
#define IDB_OPEN_FILE 2001  // the 16 x 16 image of "打开文件"
#define IDR_ABOUT_PAGE 103  // the About window's page (an HTML resource)

// The main window, template 102.
#define IDD_TESSAROPC_DIALOG 102
#define IDC_EDIT_PATH 1000
#define IDC_BUTTON_OPEN 1001
#define IDC_LIST_FONTS 1002
#define IDC_BUTTON_ABOUT 1003
#define IDC_BUTTON_UPDATE 1004
#define IDC_BUTTON_INSTALL_ALL 1005
#define IDC_PROGRESS 1014
#define IDC_LINK_SITE 1017
#define IDC_STATIC_SLOGAN 1018

// The preview window, template 129.
#define IDD_PREVIEW_DIALOG 129
#define IDC_BROWSER 1011

// The About window, template 2002.
#define IDD_ABOUT_DIALOG 2002
#define IDC_ABOUT_LINK 1019
#define IDC_ABOUT_VERSION 1020
#define IDC_ABOUT_BACKGROUND 1022  // the empty text under the others

// The window class of the browser control of template 129 (CExplorer1): a window that hosts the
// system's WebBrowser control.
#define TESSARO_BROWSER_CLASS "TessaroWebBrowser"
