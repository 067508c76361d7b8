// One-time takeover of the older database "vk.dat": its reserved strings and
// its locks (class name, title, digest) come into the current state, with
// fixed settings for everything the older format does not hold.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/lock_table.h"
#include "manager/store/manager_settings.h"
#include "manager/store/manager_store.h"

namespace vk {

constexpr const char* kOlderDatabaseFileName = "vk.dat";

// Settings given to every imported lock.
constexpr std::uint16_t kImportedAction = CloseWindow;
constexpr std::uint16_t kImportedMaxTries = 3;
constexpr bool kImportedEnabled = true;
constexpr std::int32_t kImportedRelockSeconds = 300;
constexpr bool kImportedWildcard = false;

struct OlderReadReport {
  bool endedEarly = false;
  bool textCut = false;
  std::uint32_t storedLockCount = 0;
  std::uint32_t locksAdded = 0;
};

// Reads an older image: replaces settings' reserved strings and appends its
// locks after those already in table, up to the manager's limit of 60.
OlderReadReport decodeOlderDatabase(const unsigned char* data, std::size_t size,
                                    ManagerSettings& settings, const LockTableView& table);

// False, with nothing changed, when there is no readable "vk.dat" or this
// process has imported it already. Otherwise imports it, saves "vk2.dat",
// deletes "vk.dat" and returns true. When that save fails its message is shown
// and "vk.dat" is kept, so its locks are not lost for the next start. Runs at
// start-up, before the hooks exist, holding no mutex.
bool importOlderDatabase(ManagerStore& store);

}  // namespace vk
