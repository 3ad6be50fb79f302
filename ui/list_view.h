// Small helpers over a report-view list control, shared by the dialogs' lists; texts are
// UTF-8.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <string>

namespace qm::ui {

struct ListColumn {
  const wchar_t* heading;
  int format;  // LVCFMT_LEFT, LVCFMT_RIGHT
  int width;   // pixels; 0 hides the column
};

// Inserts the columns in order, then sets the extended styles (only those in the mask).
void insertListColumns(HWND list, std::initializer_list<ListColumn> columns, DWORD extendedStyle);

int listRowCount(HWND list);
std::string listCellText(HWND list, int row, int column);
void setListCellText(HWND list, int row, int column, const std::string& text);
// Inserts a row at index row (past the end appends) with the texts of its first columns;
// returns the index the list gave it, -1 on failure.
int insertListRow(HWND list, int row, std::initializer_list<std::string> texts);

}  // namespace qm::ui
