// The manager's steps that change the shared table: each takes TableMutex
// (at most 7000 ms), makes its change and, where the change is persisted,
// takes the file image while still holding it, so the file always shows a
// state that was whole in memory. The file is written, and message boxes
// come, only after the mutex is released: every window activation on the
// desktop waits for it.
//
// A wait that runs out skips the step: records are never changed without the
// mutex, since the hook library would race with the change. The step then
// returns TableBusy and changes nothing; the caller tells the user.
#pragma once

#include <cstdint>

#include "common/lock_table.h"
#include "manager/store/manager_store.h"
#include "platform/message_box.h"

namespace vk {

constexpr const char* kCapacityText =
    "This version of Vantakey can only lock at most 60 windows at a time.\n\nThis limitation "
    "will be fixed in a future version of Vantakey, which you will have FREE access to.";
constexpr const char* kCapacityCaption = "Vantakey";

enum class StepResult {
  Done,        // changed (and saved, for the steps that save)
  NotSaved,    // changed in the table; the save failed and its message was shown
  TableBusy,   // TableMutex not had within 7000 ms; nothing changed or saved
  NoSuchLock,  // the index is not a record in use; nothing changed
  TableFull,   // the manager's 60 locks are reached; nothing created
};

// New command, before the wizard: Done while the table holds fewer than 60
// locks. At 60 or more, shows the capacity message through windowBoxes (owned
// by the manager window) once the mutex is free, and returns TableFull.
StepResult newLockStep(ManagerStore& store, MessageBoxes& windowBoxes);

// New Lock wizard finish: appends pending (in force, run-time fields 0) and
// saves. Refuses with TableFull at 60 locks, and when the table is not mapped.
StepResult appendLockStep(ManagerStore& store, const LockRecord& pending);

// Delete: removes the record (later ones move down) and saves.
StepResult deleteLockStep(ManagerStore& store, std::uint32_t index);

// Lock (on = true: enabled 1, unlockedAt 0) or Unlock (enabled 0), and save.
StepResult switchLockStep(ManagerStore& store, std::uint32_t index, bool on);

// Lock All Now (the icon menu, and the workstation locked, a session
// disconnected or the computer going to sleep): ends every open re-lock
// period. Run-time fields are not stored, so nothing is saved. TableBusy
// when the wait runs out: then no record was touched.
StepResult lockAllNowStep(ManagerStore& store);

// Edit Lock, before the dialog: copies the record's eight settings into working.
StepResult copyLockSettingsStep(ManagerStore& store, std::uint32_t index, LockRecord& working);

// Edit Lock, after a confirmed dialog: writes the eight settings back and
// saves, like every other change, so a log-off or a power cut cannot lose it.
StepResult replaceLockSettingsStep(ManagerStore& store, std::uint32_t index,
                                   const LockRecord& working);

}  // namespace vk
