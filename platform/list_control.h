// Port: the report-style list control of the manager window, a child of the
// frame (platform/frame_window.h). Rows are addressed by their position in
// the list; each row carries an item data value (its LVITEM lParam). As for
// the toolbar, calls can come while the control does not exist (the frame's
// first WM_SIZE, a failed creation): they then do nothing and report failure
// (-1, 0, false).
#pragma once

#include <cstdint>

namespace vk {

enum class ColumnAlign {
  Left,    // LVCFMT_LEFT
  Center,  // LVCFMT_CENTER
};

class ListControl {
 public:
  virtual ~ListControl() = default;

  // CreateWindowExA(WS_EX_CLIENTEDGE, "SysListView32", "", WS_CHILD |
  // WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 0, 0, frame, NULL (no
  // id), instance, NULL); then LVM_SETEXTENDEDLISTVIEWSTYLE with
  // LVS_EX_FULLROWSELECT and ShowWindow(list, SW_SHOW). False when the control
  // was not created.
  virtual bool create() = 0;
  // LVM_INSERTCOLUMNA at `column` with LVCF_FMT | LVCF_WIDTH | LVCF_TEXT |
  // LVCF_SUBITEM: fmt, cx width, pszText text, iSubItem column. Returns the
  // control's answer (-1 on failure).
  virtual int insertColumn(int column, int width, ColumnAlign align, const char* text) = 0;
  // LVM_SETCOLUMNWIDTH(column, MAKELPARAM(width, 0)).
  virtual void setColumnWidth(int column, int width) = 0;
  // GetClientRect(list).right.
  virtual int clientWidth() = 0;
  // Pixels per logical inch of the screen the list is drawn for:
  // GetDeviceCaps(LOGPIXELSX) of the list's DC (96 at 100 %, 144 at 150 %).
  // 0 when the control does not exist.
  virtual int dpi() = 0;
  // Pixels a column needs to show this header text whole: its width in the
  // list's font (LVM_GETSTRINGWIDTHA) and the header's text margin on either
  // side (HDM_GETBITMAPMARGIN). 0 when the control does not exist.
  virtual int headerTextWidth(const char* text) = 0;
  // MoveWindow(list, x, y, width, height, TRUE).
  virtual void place(int x, int y, int width, int height) = 0;

  // LVM_INSERTITEMA: mask LVIF_TEXT | LVIF_PARAM | LVIF_STATE, iItem position,
  // iSubItem 0, state 0, stateMask 0, pszText LPSTR_TEXTCALLBACKA, lParam
  // itemData. The texts are then asked for with LVN_GETDISPINFOA. Returns the
  // new row's position, -1 on failure.
  virtual int insertRow(int position, std::intptr_t itemData) = 0;
  // LVM_FINDITEMA(-1, LVFINDINFOA{flags LVFI_PARAM, lParam itemData}): the
  // first row with this item data, searching from the start; -1 when none.
  virtual int findRowByData(std::intptr_t itemData) = 0;
  // LVM_SETITEMTEXTA(row, LVITEMA{iSubItem subItem, pszText text}).
  virtual void setCellText(int row, int subItem, const char* text) = 0;
  // LVM_GETITEMA with mask LVIF_PARAM: the row's item data (-1 when the row
  // does not exist).
  virtual std::intptr_t rowData(int row) = 0;
  // LVM_SETITEMA with mask LVIF_PARAM, iItem row, iSubItem 0, lParam itemData.
  virtual void setRowData(int row, std::intptr_t itemData) = 0;
  // LVM_GETITEMCOUNT.
  virtual int rowCount() = 0;
  // LVM_DELETEITEM(row).
  virtual void deleteRow(int row) = 0;
  // LVM_GETSELECTEDCOUNT.
  virtual int selectedCount() = 0;
  // LVM_GETNEXTITEM(after, MAKELPARAM(LVNI_SELECTED, 0)): the next selected
  // row after `after` (-1 searches from the first row); -1 when none.
  virtual int nextSelectedRow(int after) = 0;
};

}  // namespace vk
