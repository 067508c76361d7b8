#include "platform/win32/list_control.h"

#include <commctrl.h>

#include <cstring>

namespace vk {
namespace win32 {

LRESULT Win32ListControl::send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return list_ != nullptr ? ::SendMessageA(list_, message, wParam, lParam) : -1;
}

bool Win32ListControl::create() {
  HWND parent = frame_.handle();
  if (parent == nullptr) return false;
  list_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS,
                            0, 0, 0, 0, parent, nullptr, frame_.instance(), nullptr);
  if (list_ == nullptr) return false;
  ::SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  ::ShowWindow(list_, SW_SHOW);
  ::SetPropA(parent, kListProperty, list_);
  return true;
}

int Win32ListControl::insertColumn(int column, int width, ColumnAlign align, const char* text) {
  LVCOLUMNA c;
  std::memset(&c, 0, sizeof c);
  c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  c.fmt = align == ColumnAlign::Center ? LVCFMT_CENTER : LVCFMT_LEFT;
  c.cx = width;
  c.pszText = const_cast<char*>(text);  // only read for an insert
  c.iSubItem = column;
  return static_cast<int>(send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c)));
}

void Win32ListControl::setColumnWidth(int column, int width) {
  send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
}

int Win32ListControl::clientWidth() {
  RECT r = {0, 0, 0, 0};
  if (list_ == nullptr || !::GetClientRect(list_, &r)) return 0;
  return r.right;
}

int Win32ListControl::dpi() {
  if (list_ == nullptr) return 0;
  HDC dc = ::GetDC(list_);
  if (dc == nullptr) return 0;
  const int pixels = ::GetDeviceCaps(dc, LOGPIXELSX);
  ::ReleaseDC(list_, dc);
  return pixels;
}

int Win32ListControl::headerTextWidth(const char* text) {
  if (list_ == nullptr) return 0;
  const LRESULT textWidth = send(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text));
  HWND header = reinterpret_cast<HWND>(send(LVM_GETHEADER, 0, 0));
  LRESULT margin = header != nullptr ? ::SendMessageA(header, HDM_GETBITMAPMARGIN, 0, 0) : 0;
  // The header's own margin is three edges wide; a header that does not say
  // gets that.
  if (margin <= 0) margin = 3 * ::GetSystemMetrics(SM_CXEDGE);
  // Two pixels more: themed headers round their text box differently.
  return textWidth <= 0 ? 0 : static_cast<int>(textWidth + 2 * margin + 2);
}

void Win32ListControl::place(int x, int y, int width, int height) {
  if (list_ != nullptr) ::MoveWindow(list_, x, y, width, height, TRUE);
}

int Win32ListControl::insertRow(int position, std::intptr_t itemData) {
  LVITEMA item;
  std::memset(&item, 0, sizeof item);
  item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
  item.iItem = position;
  item.pszText = LPSTR_TEXTCALLBACKA;
  item.lParam = static_cast<LPARAM>(itemData);
  return static_cast<int>(send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int Win32ListControl::findRowByData(std::intptr_t itemData) {
  LVFINDINFOA find;
  std::memset(&find, 0, sizeof find);
  find.flags = LVFI_PARAM;
  find.lParam = static_cast<LPARAM>(itemData);
  return static_cast<int>(send(LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void Win32ListControl::setCellText(int row, int subItem, const char* text) {
  LVITEMA item;
  std::memset(&item, 0, sizeof item);
  item.iSubItem = subItem;
  item.pszText = const_cast<char*>(text);  // copied by the control
  send(LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::intptr_t Win32ListControl::rowData(int row) {
  LVITEMA item;
  std::memset(&item, 0, sizeof item);
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (row < 0 || send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != TRUE) return -1;
  return static_cast<std::intptr_t>(item.lParam);
}

void Win32ListControl::setRowData(int row, std::intptr_t itemData) {
  LVITEMA item;
  std::memset(&item, 0, sizeof item);
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = static_cast<LPARAM>(itemData);
  send(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int Win32ListControl::rowCount() {
  const LRESULT n = send(LVM_GETITEMCOUNT, 0, 0);
  return n < 0 ? 0 : static_cast<int>(n);
}

void Win32ListControl::deleteRow(int row) { send(LVM_DELETEITEM, static_cast<WPARAM>(row), 0); }

int Win32ListControl::selectedCount() {
  const LRESULT n = send(LVM_GETSELECTEDCOUNT, 0, 0);
  return n < 0 ? 0 : static_cast<int>(n);
}

int Win32ListControl::nextSelectedRow(int after) {
  return static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(after), MAKELPARAM(LVNI_SELECTED, 0)));
}

}  // namespace win32
}  // namespace vk
