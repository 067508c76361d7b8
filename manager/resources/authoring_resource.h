// Resource ids of the lock authoring dialogs: the eleven New Lock wizard
// pages, the Edit Lock dialog, their controls and pictures. Read by windres
// for authoring.rc and by the Win32 authoring entries, which check them
// against the ids the authoring logic uses.
#pragma once

// Pictures: the wizards' left edge, and an active window's title bar.
#define IDB_WIZARD 103
#define IDB_TITLE_BAR 109

// New Lock wizard pages, in sheet order.
#define IDD_NEW_LOCK_METHOD 132
#define IDD_NEW_LOCK_TYPED_TITLE 134
#define IDD_NEW_LOCK_PICK 135
#define IDD_NEW_LOCK_CONFIRM_PICK 136
#define IDD_NEW_LOCK_PASSWORD_CHOICE 137
#define IDD_NEW_LOCK_PASSWORD 138
#define IDD_NEW_LOCK_PASSWORD_AGAIN 139
#define IDD_NEW_LOCK_TRIES 140
#define IDD_NEW_LOCK_RELOCK 141
#define IDD_NEW_LOCK_ACTION 142
#define IDD_NEW_LOCK_SUMMARY 143

// The Edit Lock dialog.
#define IDD_EDIT_LOCK 146

// Controls. The same field has the same id on the pages and in the dialog.
#define IDC_LOCK_TITLE 1002
#define IDC_LOCK_PASSWORD 1004
#define IDC_TRIES_UPDOWN 1014
#define IDC_PICKED_TITLE 1020
#define IDC_PASSWORD_AGAIN 1021
#define IDC_WILDCARD 1027
#define IDC_ACTION_LIST 1028
#define IDC_SELECT_WINDOW 1029
#define IDC_TYPE_TITLE 1030
#define IDC_PROTECT_YES 1031
#define IDC_PROTECT_NO 1032
#define IDC_TRIES 1033
#define IDC_MINUTES 1034
#define IDC_SUMMARY 1035
#define IDC_ACTION_QUESTION 1035
#define IDC_PROTECT 1042
#define IDC_MINUTES_UPDOWN 1047
#define IDC_EDIT_HELP 1049
#define IDC_NEW_PASSWORD_LABEL 1050
#define IDC_AGAIN_LABEL 1051
#define IDC_TRIES_LABEL 1052
#define IDC_RELOCK_LABEL 1053
#define IDC_MIN_LABEL 1054
#define IDC_LOCKED 1055
