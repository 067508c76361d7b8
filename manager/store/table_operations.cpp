#include "manager/store/table_operations.h"

#include <cstring>

namespace vk {
namespace {

// Copies a NUL-terminated text into a 256-byte field, cut to 255 bytes, and
// clears the rest of the field so no stale text of an earlier record remains.
void copyTextField(char* field, const char* text, std::size_t textCapacity) {
  std::size_t n = text == nullptr ? 0 : boundedLength(text, textCapacity);
  if (n > kMaxTitleLength) n = kMaxTitleLength;
  if (n != 0) std::memmove(field, text, n);
  std::memset(field + n, 0, kTitleCapacity - n);
}

bool inUse(const LockTableView& table, std::uint32_t index) {
  return table.isOpen() && index < table.usableRecordCount();
}

}  // namespace

bool resetTableHeader(unsigned char* rawBase) {
  if (rawBase == nullptr) return false;
  // This order, field by field: recordCount first so a reader that maps the
  // section meanwhile sees no stale records.
  storeAt<std::uint32_t>(rawBase + kOffRecordCount, 0);
  storeAt<std::int32_t>(rawBase + kOffReserved8, 300);
  rawBase[kOffReserved12] = 0;
  storeAt<std::uint32_t>(rawBase + kOffCbtHook, 0);
  storeAt<std::uint32_t>(rawBase + kOffCallWndRetHook, 0);
  storeAt<std::int32_t>(rawBase + kOffReserved13, 0);
  return true;
}

bool addLock(const LockTableView& table, const char* className, const char* title,
             const PasswordDigest& digest, std::uint16_t action, std::uint16_t maxTries,
             bool enabled, std::int32_t relockSeconds, bool wildcard) {
  if (!table.isOpen()) return false;
  const std::uint32_t i = table.recordCount();
  if (i >= kSectionRecordCapacity) return false;
  RecordRef r = table.record(i);
  // Texts come from callers' buffers of unknown size: read them up to their
  // NUL, as C strings.
  copyTextField(r.className(), className, static_cast<std::size_t>(-1));
  copyTextField(r.title(), title, static_cast<std::size_t>(-1));
  r.setDigest(digest);
  r.setUnlockedAt(0);
  r.setPromptBusy(0);
  r.setFailedTries(0);
  r.setAction(action);
  r.setMaxTries(maxTries);
  r.setEnabled(enabled ? 1 : 0);
  r.setRelockSeconds(relockSeconds);
  r.setWildcard(wildcard ? 1 : 0);
  table.setRecordCount(i + 1);
  return true;
}

bool removeLock(const LockTableView& table, std::uint32_t index) {
  if (!inUse(table, index)) return false;
  const std::uint32_t count = table.usableRecordCount();
  const std::uint32_t last = count - 1;
  if (index != last) {
    std::memmove(table.record(index).bytes(), table.record(index + 1).bytes(),
                 static_cast<std::size_t>(last - index) * kRecordSize);
  }
  table.setRecordCount(last);
  return true;
}

bool switchLockOn(const LockTableView& table, std::uint32_t index) {
  if (!inUse(table, index)) return false;
  RecordRef r = table.record(index);
  r.setEnabled(1);
  r.setUnlockedAt(0);
  return true;
}

bool switchLockOff(const LockTableView& table, std::uint32_t index) {
  if (!inUse(table, index)) return false;
  table.record(index).setEnabled(0);
  return true;
}

bool endRelockPeriods(const LockTableView& table) {
  if (!table.isOpen()) return false;
  const std::uint32_t count = table.usableRecordCount();
  for (std::uint32_t i = 0; i < count; ++i) table.record(i).setUnlockedAt(0);
  return true;
}

bool readLockSettings(const LockTableView& table, std::uint32_t index, LockRecord& working) {
  if (!inUse(table, index)) return false;
  RecordRef r = table.record(index);
  copyTextField(working.title, r.title(), kTitleCapacity);
  copyTextField(working.className, r.className(), kTitleCapacity);
  working.digest = r.digest();
  working.action = r.action();
  working.maxTries = r.maxTries();
  working.enabled = r.enabled();
  working.relockSeconds = r.relockSeconds();
  working.wildcard = r.wildcard();
  return true;
}

bool replaceLockSettings(const LockTableView& table, std::uint32_t index,
                         const LockRecord& working) {
  if (!inUse(table, index)) return false;
  RecordRef r = table.record(index);
  copyTextField(r.title(), working.title, kTitleCapacity);
  copyTextField(r.className(), working.className, kTitleCapacity);
  r.setDigest(working.digest);
  r.setAction(working.action);
  r.setMaxTries(working.maxTries);
  r.setEnabled(working.enabled);
  r.setRelockSeconds(working.relockSeconds);
  r.setWildcard(working.wildcard);
  return true;
}

}  // namespace vk
