// Identifiers of the Save As naming dialog and its controls.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_SAVE_AS 161

#define IDB_NAMING_NEXT 1  // IDOK: the default button
#define IDE_TYPE_TAG 1038
#define IDE_COUNTER 1041
#define IDE_FOLDER_TAG 1042
#define IDE_FILE_NAME 1045
#define IDX_USE_COUNTER 1046
#define IDX_USE_FOLDER_TAG 1047
#define IDX_USE_FILE_NAME 1048
#define IDX_USE_TYPE_TAG 1049
#define IDB_NAMING_CANCEL 1050
#define IDT_COUNTER 1051
#define IDT_FOLDER_TAG 1052
#define IDT_FILE_NAME 1053
#define IDT_TYPE_TAG 1054
#define IDT_NAMING_PREVIEW 1055
