#include "manager/store/table_steps.h"

#include <vector>

#include "manager/store/database_file.h"
#include "manager/store/table_operations.h"
#include "platform/dialog_view.h"

namespace vk {
namespace {

// Ends a step that changed the table: the file image is taken under the
// mutex, so it shows a state that was whole in memory; the mutex is released
// before the disk is touched, since every window activation on the desktop
// waits for it (writes, the flush and a virus scanner looking at the new
// file can take seconds); only then is a failed save told to the user.
StepResult saveAndRelease(ManagerStore& store, TableLock& lock) {
  const std::vector<unsigned char> image = encodeDatabase(store.settings, store.table);
  lock.unlock();
  if (writeDatabaseImage(store.files, image)) return StepResult::Done;
  reportSaveFailure(store.messageBoxes);
  return StepResult::NotSaved;
}

}  // namespace

StepResult newLockStep(ManagerStore& store, MessageBoxes& windowBoxes) {
  std::uint32_t count = 0;
  {
    TableLock lock(store.kernel, store.tableMutex);
    if (!lock.held()) return StepResult::TableBusy;
    count = store.table.isOpen() ? store.table.recordCount() : kManagerLockLimit;
  }
  if (count < kManagerLockLimit) return StepResult::Done;
  windowBoxes.show(kCapacityText, kCapacityCaption, kBoxOk | kBoxIconWarning);
  return StepResult::TableFull;
}

StepResult appendLockStep(ManagerStore& store, const LockRecord& pending) {
  TableLock lock(store.kernel, store.tableMutex);
  if (!lock.held()) return StepResult::TableBusy;
  if (!store.table.isOpen() || store.table.recordCount() >= kManagerLockLimit) {
    return StepResult::TableFull;
  }
  if (!addLock(store.table, pending.className, pending.title, pending.digest, pending.action,
               pending.maxTries, true, pending.relockSeconds, pending.wildcard != 0)) {
    return StepResult::TableFull;
  }
  return saveAndRelease(store, lock);
}

StepResult deleteLockStep(ManagerStore& store, std::uint32_t index) {
  TableLock lock(store.kernel, store.tableMutex);
  if (!lock.held()) return StepResult::TableBusy;
  if (!removeLock(store.table, index)) return StepResult::NoSuchLock;
  return saveAndRelease(store, lock);
}

StepResult switchLockStep(ManagerStore& store, std::uint32_t index, bool on) {
  TableLock lock(store.kernel, store.tableMutex);
  if (!lock.held()) return StepResult::TableBusy;
  const bool changed = on ? switchLockOn(store.table, index) : switchLockOff(store.table, index);
  if (!changed) return StepResult::NoSuchLock;
  return saveAndRelease(store, lock);
}

StepResult lockAllNowStep(ManagerStore& store) {
  TableLock lock(store.kernel, store.tableMutex);
  if (!lock.held()) return StepResult::TableBusy;
  endRelockPeriods(store.table);
  return StepResult::Done;
}

StepResult copyLockSettingsStep(ManagerStore& store, std::uint32_t index, LockRecord& working) {
  TableLock lock(store.kernel, store.tableMutex);
  if (!lock.held()) return StepResult::TableBusy;
  return readLockSettings(store.table, index, working) ? StepResult::Done : StepResult::NoSuchLock;
}

StepResult replaceLockSettingsStep(ManagerStore& store, std::uint32_t index,
                                   const LockRecord& working) {
  TableLock lock(store.kernel, store.tableMutex);
  if (!lock.held()) return StepResult::TableBusy;
  if (!replaceLockSettings(store.table, index, working)) return StepResult::NoSuchLock;
  return saveAndRelease(store, lock);
}

}  // namespace vk
