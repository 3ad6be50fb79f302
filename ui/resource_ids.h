// Identifiers of the application's resources and of the main window's controls. Shared by
// the resource script and the code; the values are those the window has always had.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Resources.
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDI_APP 128
#define IDR_MAINMENU 132
#define IDB_BANNER 158

// Main window controls.
#define IDC_BANNER 1000
#define IDE_FILE 1001
#define IDB_ADD 1002
#define IDL_SOURCES 1003
#define IDE_DESTINATION 1005
#define IDB_BROWSE 1006
#define IDR_SAVE_PST 1007
#define IDR_SAVE_EML 1008
#define IDR_SAVE_DBX 1009
#define IDP_OVERALL 1011
#define IDP_FILE 1012
#define IDT_SCAN 1015
#define IDT_PROGRESS 1016
#define IDT_STATUS 1017
#define IDB_CONVERT 1020
#define IDB_SEARCH 1022
#define IDR_SAVE_MSG 1023
#define IDR_SAVE_RTF 1025
#define IDT_PERCENT 1033
#define IDG_OPTIONS 1034

// About box controls.
#define IDT_ABOUT_VERSION 1101
#define IDT_ABOUT_ADDRESS 1102
#define IDT_ABOUT_NOTICE 1103

// Menu commands.
#define IDM_FILE_OPEN 57601
#define IDM_FILE_EXIT 57665
#define IDM_FILE_SEARCH 32775
#define IDM_FILE_LOG 32780
#define IDM_FILE_RECOVERY 32782
#define IDM_FILE_CUSTOMIZE 32783
#define IDM_HELP_ABOUT 32784
#define IDM_HELP_CONTENTS 32785

// The system menu's About item.
#define IDM_SYS_ABOUT 0x0010
