// The manager's changes to the shared lock table. None of these takes the
// table mutex: the calling step holds it (see table_steps.h). Records sit at
// odd offsets in the section, so every access goes through RecordRef.
#pragma once

#include <cstdint>

#include "common/lock_table.h"

namespace vk {

// Start values of the header, written through the manager's raw view of the
// section before the database is loaded and before any hook exists. False
// (nothing written) when the section is not mapped.
bool resetTableHeader(unsigned char* rawBase);

// Appends a record built from the arguments, with unlockedAt, promptBusy and
// failedTries 0, and only then raises recordCount so no reader sees a half
// record. Texts longer than 255 bytes are cut. Does not apply the manager's
// limit of 60 (callers do); refuses only when the section itself is full or
// not mapped, so nothing is ever written past it.
bool addLock(const LockTableView& table, const char* className, const char* title,
             const PasswordDigest& digest, std::uint16_t action, std::uint16_t maxTries,
             bool enabled, std::int32_t relockSeconds, bool wildcard);

// Deletes record index; later records move down one place. The freed slot
// keeps its bytes. False (nothing changed) for an index not in use.
bool removeLock(const LockTableView& table, std::uint32_t index);

// Lock: in force again, and a window opened a moment ago asks again.
bool switchLockOn(const LockTableView& table, std::uint32_t index);
// Unlock: out of force; unlockedAt is left as the hook library set it.
bool switchLockOff(const LockTableView& table, std::uint32_t index);

// Lock All Now: unlockedAt 0 in every record in use, so every window opened
// by its password asks again at its next activation. Nothing else changes.
// False (nothing written) when the section is not mapped.
bool endRelockPeriods(const LockTableView& table);

// The eight settings the manager owns (title, className, digest, action,
// maxTries, enabled, relockSeconds, wildcard), copied between a record of the
// table and a working LockRecord. The run-time fields are never touched.
bool readLockSettings(const LockTableView& table, std::uint32_t index, LockRecord& working);
bool replaceLockSettings(const LockTableView& table, std::uint32_t index,
                         const LockRecord& working);

}  // namespace vk
