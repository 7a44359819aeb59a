// Resource ids of Tidemark.exe, shared by the resource script and the code.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_HOTKEY_PAGE 104
#define IDD_LOG_PAGE 105

// Strings. IDR_MAINFRAME is also the frame's resource id (its title).
#define IDS_PROPSHT_CAPTION 102
#define IDR_MAINFRAME 128
#define IDS_APP_TITLE 57344

// Icons.
#define IDI_TIDEMARK 130
#define IDI_ABOUT 132
#define IDI_HOTKEYS 145
#define IDI_DISABLED 161

// The popup menu of the notification-area icon (the icon's id as well).
#define IDR_TRAY_MENU 144

// Menu commands. Exit and About are the framework's standard ids.
#define ID_APP_ABOUT_CMD 57664
#define ID_APP_EXIT_CMD 57665
#define ID_SETTINGS 32779
#define ID_DISABLE 32788
#define ID_HELP_CMD 32792

// Controls of the hotkey page.
#define IDC_HOTKEY_FILE 1000
#define IDC_HOTKEY_FOLDER 1001
#define IDC_HOTKEY_CLIPBOARD 1002
#define IDC_HOTKEY_RECURSIVE 1003
#define IDC_START_WITH_SYSTEM 1004
#define IDC_LOAD_DEFAULTS 1007
#define IDC_DISABLE 1019
// Under the start-with-system box: why it cannot be changed, when it cannot.
#define IDC_START_NOTE 1020
// The list of the log page.
#define IDC_LOG_LIST 1008
