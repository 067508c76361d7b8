// A report-style list control in memory: columns, rows with item data, cell
// texts (or "callback" until a text is stored), and a selection the test sets.
// Positions behave like the real control: inserting past the end appends,
// deleting a row moves the later ones up.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/list_control.h"
#include "tests/fakes/fake_frame_window.h"

namespace vk {
namespace fakes {

class FakeListControl : public ListControl {
 public:
  struct Column {
    int width;
    ColumnAlign align;
    std::string header;
  };
  struct Row {
    std::intptr_t data = 0;
    std::array<std::string, 6> texts;
    std::array<bool, 6> callback{{true, true, true, true, true, true}};
    bool selected = false;
  };

  bool create() override;
  int insertColumn(int column, int width, ColumnAlign align, const char* text) override;
  void setColumnWidth(int column, int width) override;
  int clientWidth() override { return clientWidthPixels; }
  int dpi() override { return created ? dpiValue : 0; }
  // Each character of a header as wide as `headerCharPixels`, with 6 pixels
  // of margin either side.
  int headerTextWidth(const char* text) override;
  void place(int x, int y, int width, int height) override;
  int insertRow(int position, std::intptr_t itemData) override;
  int findRowByData(std::intptr_t itemData) override;
  void setCellText(int row, int subItem, const char* text) override;
  std::intptr_t rowData(int row) override;
  void setRowData(int row, std::intptr_t itemData) override;
  int rowCount() override { return static_cast<int>(rows.size()); }
  void deleteRow(int row) override;
  int selectedCount() override;
  int nextSelectedRow(int after) override;

  // Selects exactly these rows (by position).
  void select(std::initializer_list<int> positions);
  std::vector<std::intptr_t> itemData() const;

  bool createFails = false;
  bool columnsFail = false;
  int clientWidthPixels = 480;
  int dpiValue = 96;
  int headerCharPixels = 5;

  bool created = false;
  std::vector<Column> columns;
  std::vector<Row> rows;
  PlacedRect placed;
  int findCalls = 0;
};

}  // namespace fakes
}  // namespace vk
