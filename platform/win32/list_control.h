// ListControl on Win32: the report-style "SysListView32" of the manager
// window, driven with its ANSI messages.
#pragma once

#include <windows.h>

#include "platform/list_control.h"
#include "platform/win32/frame_window.h"

namespace vk {
namespace win32 {

class Win32ListControl final : public ListControl {
 public:
  explicit Win32ListControl(Win32FrameWindow& frame) : frame_(frame) {}

  HWND handle() const { return list_; }

  bool create() override;
  int insertColumn(int column, int width, ColumnAlign align, const char* text) override;
  void setColumnWidth(int column, int width) override;
  int clientWidth() override;
  int dpi() override;
  int headerTextWidth(const char* text) override;
  void place(int x, int y, int width, int height) override;
  int insertRow(int position, std::intptr_t itemData) override;
  int findRowByData(std::intptr_t itemData) override;
  void setCellText(int row, int subItem, const char* text) override;
  std::intptr_t rowData(int row) override;
  void setRowData(int row, std::intptr_t itemData) override;
  int rowCount() override;
  void deleteRow(int row) override;
  int selectedCount() override;
  int nextSelectedRow(int after) override;

 private:
  LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) const;

  Win32FrameWindow& frame_;
  HWND list_ = nullptr;
};

}  // namespace win32
}  // namespace vk
