// Resource ids of the system password dialogs: the first-run and
// change-password wizard pages, the Options dialog, their controls and
// pictures. Read by windres for password.rc and by the Win32 password
// entries, which check them against the ids the password logic uses.
#pragma once

// Pictures: the password wizards' left edge, and the notification area with
// an arrow at the padlock.
#define IDB_PASSWORD_WIZARD 134
#define IDB_TRAY_AREA 108

// First-run wizard pages, in sheet order.
#define IDD_FIRST_RUN_WELCOME 125
#define IDD_FIRST_RUN_PASSWORD 127
#define IDD_FIRST_RUN_PASSWORD_AGAIN 126
#define IDD_FIRST_RUN_QUESTION 144
#define IDD_FIRST_RUN_ANSWER 145
#define IDD_FIRST_RUN_DONE 128

// Change-password wizard pages, in sheet order.
#define IDD_CHANGE_CHOICE 147
#define IDD_CHANGE_SECRET_QUESTION 148
#define IDD_CHANGE_CURRENT_PASSWORD 149
#define IDD_CHANGE_PASSWORD 150
#define IDD_CHANGE_PASSWORD_AGAIN 151
#define IDD_CHANGE_QUESTION 152
#define IDD_CHANGE_ANSWER 153
#define IDD_CHANGE_CONFIRM 201

// The Options dialog.
#define IDD_OPTIONS 154

// Controls. The same field has the same id on every page.
#define IDC_SYSTEM_PASSWORD 1004
#define IDC_FORGOT_PASSWORD 1010
#define IDC_REMEMBER_PASSWORD 1016
#define IDC_SYSTEM_PASSWORD_AGAIN 1021
#define IDC_SECRET_QUESTION 1036
#define IDC_SECRET_ANSWER 1037
#define IDC_START_WITH_WINDOWS 1057
#define IDC_SHUT_DOWN_AT_LOG_OFF 1058
