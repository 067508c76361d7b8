// The lock list of the manager window: one row per record of the shared
// table, six columns, kept in step with the table by refreshRows (every
// 3000 ms and after each command). Each row's item data is its record's index.
//
// Every count read and every cell takes TableMutex by itself and releases it
// before the list control is touched, so the hook library in other processes
// never waits on a list-control call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "manager/store/manager_store.h"
#include "platform/clock.h"
#include "platform/list_control.h"

namespace vk {

constexpr int kLockListColumnCount = 6;
// Widths in pixels at 100 % (96 DPI); at other scales they grow with the
// screen's DPI, and a column whose header text would not fit whole in the
// list's font grows to fit it.
constexpr int kTitleColumnStartWidth = 475;
// Widths of the columns after the title: 50 + 60 + 45 + 50 + 110.
constexpr int kFixedColumnsWidth = 315;
// The title column never gets narrower than this; in a narrow window the list
// scrolls sideways instead of hiding the titles.
constexpr int kTitleColumnMinWidth = 100;
constexpr int kDefaultDpi = 96;
// A cell holds a title (at most 255 characters) or a short word.
constexpr std::size_t kCellTextCapacity = kTitleCapacity;

struct LockListColumn {
  const char* header;
  int width;
  ColumnAlign align;
};
extern const LockListColumn kLockListColumns[kLockListColumnCount];

constexpr const char* kYesText = "Yes";
constexpr const char* kNoText = "No";
constexpr const char* kOpenForNowText = "No (T)";
constexpr const char* kNotApplicableText = "N/A";

// The "Action" column's text. Codes other than the four known ones read
// "Deny Access": the hook library carries out Deny Access for them.
const char* actionText(std::uint16_t action);

class LockListView {
 public:
  LockListView(ListControl& list, ManagerStore& store, Clock& clock);

  // Creates the control and its six columns, each as wide as the table above
  // says at the screen's DPI, and at least as wide as its header text needs;
  // false when the control was not created (no columns are added then).
  bool create();
  // Appends a column at the next column number; false when the control refused.
  bool addColumn(int width, ColumnAlign align, const char* header);
  // The title column takes the list's client width less the other five
  // columns, and at least kTitleColumnMinWidth (scaled).
  void fitTitleColumn();
  // Pixels at the list's DPI for a width given at 96 DPI.
  int scaled(int width) const;
  // One row per record, texts by callback. Once, when the window is created.
  void fillRows();
  // Adds rows for records without one and stores the six texts of the rows
  // found. Rows are never removed here. A refresh whose count read runs out
  // of time is skipped (the next tick comes 3 s later); a cell whose read runs
  // out of time keeps its old text.
  void refreshRows();
  // Writes the text of one cell (NUL-terminated, at most capacity - 1
  // characters). False, with an empty text, when the index is not a record
  // in use or TableMutex was not had within 7000 ms.
  bool cellText(std::uint32_t recordIndex, int subItem, char* buffer, std::size_t capacity);
  // LVN_GETDISPINFOA: the cell into the control's own buffer, cut to its size.
  void fillDisplayText(std::intptr_t itemData, int subItem, char* buffer, int bufferSize);

 private:
  ListControl& list_;
  ManagerStore& store_;
  Clock& clock_;
  int nextColumn_ = 0;
  int dpi_ = kDefaultDpi;
  // The columns after the title as created.
  int fixedColumnsWidth_ = kFixedColumnsWidth;
};

}  // namespace vk
