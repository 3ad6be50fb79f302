// Identifiers of the Search Files dialog and its controls.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_SEARCH_FILES 134

#define IDE_SEARCH_FOLDER 1001
#define IDB_SEARCH_ADD 1002
#define IDL_FOUND 1003
#define IDB_SEARCH_BROWSE 1028
#define IDT_SEARCH_FOLDER 1030
#define IDB_SEARCH_START 1031
#define IDT_SEARCH_STATUS 1032
#define IDB_SEARCH_FINISH 1034
#define IDB_CHECK_ALL 1037
