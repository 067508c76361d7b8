// Resource ids of vkmanager.exe. Read by windres for vkmanager.rc and by the
// Win32 entry point, which checks them against the ids the core uses.
#pragma once

// Icons and bitmaps.
#define IDI_VANTAKEY 102
#define IDI_TRAY 103
#define IDB_TOOLBAR 110
// The same strip drawn larger, for 125 %, 150 % and 200 %.
#define IDB_TOOLBAR_40 111
#define IDB_TOOLBAR_48 112
#define IDB_TOOLBAR_64 113

// Menus and their commands.
#define IDR_ICON_MENU 107
#define IDR_MANAGER_MENU 140
#define ID_ICON_OPEN_MANAGER 40006
#define ID_ABOUT 40002
#define ID_FILE_EXIT 40015
#define ID_OPTIONS_PREFERENCES 40026
#define ID_FILE_CLOSE 40027
#define ID_HELP_ONLINE 40028
#define ID_OPTIONS_CHANGE_PASSWORD 40029
#define ID_ICON_LOCK_ALL_NOW 40030

// Dialogs and their controls.
#define IDD_PASSWORD_GATE 101
#define IDD_ABOUT 106
#define IDC_GATE_PASSWORD 1004
#define IDC_LOST_PASSWORD 1039
