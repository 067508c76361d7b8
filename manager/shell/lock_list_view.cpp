#include "manager/shell/lock_list_view.h"

#include <cstdio>
#include <cstring>

namespace vk {

const LockListColumn kLockListColumns[kLockListColumnCount] = {
    {"Window Title", kTitleColumnStartWidth, ColumnAlign::Left},
    {"Locked", 50, ColumnAlign::Center},
    {"Password", 60, ColumnAlign::Center},
    {"Tries", 45, ColumnAlign::Center},
    {"Timeout", 50, ColumnAlign::Center},
    {"Action", 110, ColumnAlign::Center},
};

namespace {

static_assert(50 + 60 + 45 + 50 + 110 == kFixedColumnsWidth, "widths after the title column");

// Copies at most capacity - 1 bytes of text and the NUL.
void putText(char* buffer, std::size_t capacity, const char* text, std::size_t length) {
  if (capacity == 0) return;
  if (length > capacity - 1) length = capacity - 1;
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

void putText(char* buffer, std::size_t capacity, const char* text) {
  putText(buffer, capacity, text, std::strlen(text));
}

}  // namespace

const char* actionText(std::uint16_t action) {
  switch (action) {
    case CloseWindow:
      return "Close Window";
    case LockComputer:
      return "Lock System";
    case ShutdownComputer:
      return "Shutdown Computer";
    case DenyAccess:
    default:
      return "Deny Access";
  }
}

LockListView::LockListView(ListControl& list, ManagerStore& store, Clock& clock)
    : list_(list), store_(store), clock_(clock) {}

bool LockListView::create() {
  if (!list_.create()) return false;
  const int dpi = list_.dpi();
  dpi_ = dpi > 0 ? dpi : kDefaultDpi;
  fixedColumnsWidth_ = 0;
  for (int i = 0; i < kLockListColumnCount; ++i) {
    const LockListColumn& column = kLockListColumns[i];
    int width = scaled(column.width);
    if (i > 0) {
      // The short headers: the 96-DPI widths leave some of them no room for
      // their whole text in larger fonts ("Timeout" showed as "Time...").
      const int needed = list_.headerTextWidth(column.header);
      if (width < needed) width = needed;
      fixedColumnsWidth_ += width;
    }
    addColumn(width, column.align, column.header);
  }
  return true;
}

int LockListView::scaled(int width) const { return (width * dpi_ + kDefaultDpi / 2) / kDefaultDpi; }

bool LockListView::addColumn(int width, ColumnAlign align, const char* header) {
  const int answer = list_.insertColumn(nextColumn_, width, align, header);
  ++nextColumn_;
  return answer != -1;
}

void LockListView::fitTitleColumn() {
  int width = list_.clientWidth() - fixedColumnsWidth_;
  const int minimum = scaled(kTitleColumnMinWidth);
  if (width < minimum) width = minimum;
  list_.setColumnWidth(0, width);
}

void LockListView::fillRows() {
  std::uint32_t count = 0;
  {
    TableLock lock(store_.kernel, store_.tableMutex);
    // Without the mutex the rows come with the first refresh that gets it.
    if (!lock.held() || !store_.table.isOpen()) return;
    count = store_.table.usableRecordCount();
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    list_.insertRow(static_cast<int>(i), static_cast<std::intptr_t>(i));
  }
}

void LockListView::refreshRows() {
  std::uint32_t count = 0;
  {
    TableLock lock(store_.kernel, store_.tableMutex);
    if (!lock.held() || !store_.table.isOpen()) return;
    count = store_.table.usableRecordCount();
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::intptr_t data = static_cast<std::intptr_t>(i);
    const int row = list_.findRowByData(data);
    if (row < 0) {
      list_.insertRow(static_cast<int>(i), data);
      continue;
    }
    for (int subItem = 0; subItem < kLockListColumnCount; ++subItem) {
      char text[kCellTextCapacity];
      if (cellText(i, subItem, text, sizeof text)) list_.setCellText(row, subItem, text);
    }
  }
}

bool LockListView::cellText(std::uint32_t recordIndex, int subItem, char* buffer,
                            std::size_t capacity) {
  putText(buffer, capacity, "");
  if (subItem < 0 || subItem >= kLockListColumnCount) return false;
  TableLock lock(store_.kernel, store_.tableMutex);
  if (!lock.held() || !store_.table.isOpen()) return false;
  if (recordIndex >= store_.table.usableRecordCount()) return false;
  const RecordRef record = store_.table.record(recordIndex);

  char number[16];
  switch (subItem) {
    case 0:
      putText(buffer, capacity, record.title(), boundedLength(record.title()));
      break;
    case 1: {
      if (record.enabled() == 0) {
        putText(buffer, capacity, kNoText);
        break;
      }
      // Signed 32-bit difference, wrapping like the table's own arithmetic.
      const std::int32_t elapsed = static_cast<std::int32_t>(
          static_cast<std::uint32_t>(clock_.now()) -
          static_cast<std::uint32_t>(record.unlockedAt()));
      const bool locked = elapsed <= 0 || elapsed >= record.relockSeconds();
      putText(buffer, capacity, locked ? kYesText : kOpenForNowText);
      break;
    }
    case 2:
      putText(buffer, capacity, record.hasPassword() ? kYesText : kNoText);
      break;
    case 3:
      if (!record.hasPassword()) {
        putText(buffer, capacity, kNotApplicableText);
        break;
      }
      std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(record.maxTries()));
      putText(buffer, capacity, number);
      break;
    case 4:
      if (!record.hasPassword()) {
        putText(buffer, capacity, kNotApplicableText);
        break;
      }
      // Whole minutes; C++ division truncates toward zero.
      std::snprintf(number, sizeof number, "%ld",
                    static_cast<long>(record.relockSeconds() / 60));
      putText(buffer, capacity, number);
      break;
    default:
      putText(buffer, capacity, actionText(record.action()));
      break;
  }
  return true;
}

void LockListView::fillDisplayText(std::intptr_t itemData, int subItem, char* buffer,
                                   int bufferSize) {
  if (buffer == nullptr || bufferSize <= 0) return;
  char text[kCellTextCapacity];
  if (itemData < 0 || static_cast<std::uintmax_t>(itemData) > 0xFFFFFFFFu) {
    text[0] = '\0';
  } else {
    cellText(static_cast<std::uint32_t>(itemData), subItem, text, sizeof text);
  }
  putText(buffer, static_cast<std::size_t>(bufferSize), text);
}

}  // namespace vk
