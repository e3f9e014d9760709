// Resource ids shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_VORNA_DIALOG 102
#define IDR_MAINFRAME 128
#define IDD_ADD_DIALOG 129

#define IDC_KEYWORD 1000
#define IDC_SEARCH 1001
#define IDC_RESULTS 1002
#define IDC_QUESTION 1003
#define IDC_ANSWER 1004
#define IDC_ADD 1005
#define IDC_LOAD 1006
#define IDC_SAVE_PATH 1007
#define IDC_CHOOSE 1008
#define IDC_SAVE 1009
#define IDC_HOTKEY 1012
#define IDC_ALPHA 1013
#define IDC_GROUP_SEARCH 1014
#define IDC_GROUP_MATCHES 1015
#define IDC_HIDE 1016
#define IDC_ABOUT 1017
#define IDC_WEBSITE 1018

// The options dialog.
#define IDD_OPTIONS_DIALOG 140
#define IDC_SEARCH_AS_YOU_TYPE 1100
#define IDC_RELOAD_ON_CHANGE 1101
#define IDC_REMEMBER_PLACEMENT 1102
#define IDC_START_WITH_WINDOWS 1103
#define IDC_SHOW_HIDE_KEY 1104
#define IDC_SHOW_HIDE_WIN 1105
#define IDC_CLOSE_KEY 1106
#define IDC_CLOSE_WIN 1107
#define IDC_IGNORED 1108
#define IDC_OPTIONS_FILE 1109

// The About item of the system menu.
#define IDM_ABOUTBOX 0x0010
