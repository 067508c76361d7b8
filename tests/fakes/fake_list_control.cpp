#include "tests/fakes/fake_list_control.h"

namespace vk {
namespace fakes {

bool FakeListControl::create() {
  if (createFails) return false;
  created = true;
  return true;
}

int FakeListControl::insertColumn(int column, int width, ColumnAlign align, const char* text) {
  if (columnsFail || column < 0) return -1;
  if (column > static_cast<int>(columns.size())) column = static_cast<int>(columns.size());
  columns.insert(columns.begin() + column, Column{width, align, text});
  return column;
}

void FakeListControl::setColumnWidth(int column, int width) {
  if (column >= 0 && column < static_cast<int>(columns.size())) columns[column].width = width;
}

int FakeListControl::headerTextWidth(const char* text) {
  if (!created) return 0;
  return static_cast<int>(std::string(text).size()) * headerCharPixels + 12;
}

void FakeListControl::place(int x, int y, int width, int height) {
  placed = {x, y, width, height};
}

int FakeListControl::insertRow(int position, std::intptr_t itemData) {
  if (position < 0) return -1;
  if (position > static_cast<int>(rows.size())) position = static_cast<int>(rows.size());
  Row row;
  row.data = itemData;
  rows.insert(rows.begin() + position, row);
  return position;
}

int FakeListControl::findRowByData(std::intptr_t itemData) {
  ++findCalls;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].data == itemData) return static_cast<int>(i);
  }
  return -1;
}

void FakeListControl::setCellText(int row, int subItem, const char* text) {
  if (row < 0 || row >= rowCount() || subItem < 0 || subItem >= 6) return;
  rows[row].texts[subItem] = text;
  rows[row].callback[subItem] = false;
}

std::intptr_t FakeListControl::rowData(int row) {
  if (row < 0 || row >= rowCount()) return -1;
  return rows[row].data;
}

void FakeListControl::setRowData(int row, std::intptr_t itemData) {
  if (row >= 0 && row < rowCount()) rows[row].data = itemData;
}

void FakeListControl::deleteRow(int row) {
  if (row >= 0 && row < rowCount()) rows.erase(rows.begin() + row);
}

int FakeListControl::selectedCount() {
  int n = 0;
  for (const Row& row : rows) n += row.selected ? 1 : 0;
  return n;
}

int FakeListControl::nextSelectedRow(int after) {
  for (int i = after < 0 ? 0 : after + 1; i < rowCount(); ++i) {
    if (rows[i].selected) return i;
  }
  return -1;
}

void FakeListControl::select(std::initializer_list<int> positions) {
  for (Row& row : rows) row.selected = false;
  for (int p : positions) {
    if (p >= 0 && p < rowCount()) rows[p].selected = true;
  }
}

std::vector<std::intptr_t> FakeListControl::itemData() const {
  std::vector<std::intptr_t> data;
  for (const Row& row : rows) data.push_back(row.data);
  return data;
}

}  // namespace fakes
}  // namespace vk
