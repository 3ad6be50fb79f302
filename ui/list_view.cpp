#include "ui/list_view.h"

#include "platform/text_win.h"

namespace qm::ui {

using platform::fromWide;
using platform::toWide;

void insertListColumns(HWND list, std::initializer_list<ListColumn> columns, DWORD extendedStyle) {
  int index = 0;
  for (const ListColumn& c : columns) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    col.fmt = c.format;
    col.cx = c.width;
    col.pszText = const_cast<wchar_t*>(c.heading);
    col.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
    ++index;
  }
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extendedStyle, extendedStyle);
}

int listRowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string listCellText(HWND list, int row, int column) {
  std::wstring buf(32768, L'\0');
  LVITEMW it{};
  it.iSubItem = column;
  it.pszText = buf.data();
  it.cchTextMax = static_cast<int>(buf.size());
  const auto n = SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&it));
  buf.resize(static_cast<std::size_t>(n));
  return fromWide(buf);
}

void setListCellText(HWND list, int row, int column, const std::string& text) {
  std::wstring w = toWide(text);
  LVITEMW it{};
  it.iSubItem = column;
  it.pszText = w.data();
  SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&it));
}

int insertListRow(HWND list, int row, std::initializer_list<std::string> texts) {
  if (texts.size() == 0) return -1;
  std::wstring first = toWide(*texts.begin());
  LVITEMW it{};
  it.mask = LVIF_TEXT;
  it.iItem = row;
  it.pszText = first.data();
  const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
  if (at < 0) return at;
  int column = 0;
  for (const std::string& text : texts) {
    if (column > 0) setListCellText(list, at, column, text);
    ++column;
  }
  return at;
}

}  // namespace qm::ui
