#include "manager/store/older_import.h"

#include <cstring>
#include <string>
#include <vector>

#include "manager/store/database_file.h"
#include "manager/store/file_fields.h"
#include "manager/store/table_operations.h"

// Damaged older files follow the rules of the current loader: each reserved
// string replaces the one held only when it is whole; every whole entry before
// the end of the file is imported and a cut one is dropped; texts longer than
// their field are cut to it and their surplus skipped; entries that would take
// the table past 60 locks are dropped. Whatever was imported is saved and the
// older file deleted, as for an intact file: what it held beyond the damage
// could not be read on any later start either.

namespace vk {

constexpr std::size_t kOlderSkippedBlock = 20;

OlderReadReport decodeOlderDatabase(const unsigned char* data, std::size_t size,
                                    ManagerSettings& settings, const LockTableView& table) {
  OlderReadReport report;
  FieldReader in(data, size);
  std::size_t length = 0;
  if (!in.skip(kOlderSkippedBlock)) {
    report.endedEarly = true;
    return report;
  }
  if (!readReservedStrings(in, settings, report.textCut)) {
    report.endedEarly = true;
    return report;
  }
  std::uint16_t lockCount = 0;
  if (!in.readU16(lockCount)) {
    report.endedEarly = true;
    return report;
  }
  report.storedLockCount = lockCount;
  for (std::uint32_t i = 0; i < lockCount; ++i) {
    if (!table.isOpen() || table.recordCount() >= kManagerLockLimit) break;
    char className[kTitleCapacity];
    char title[kTitleCapacity];
    bool classCut = false;
    bool titleCut = false;
    PasswordDigest digest;
    if (!in.readText(className, sizeof className, length, classCut) ||
        !in.readText(title, sizeof title, length, titleCut) || !in.readDigest(digest)) {
      report.endedEarly = true;
      break;
    }
    report.textCut = report.textCut || classCut || titleCut;
    if (addLock(table, className, title, digest, kImportedAction, kImportedMaxTries,
                kImportedEnabled, kImportedRelockSeconds, kImportedWildcard)) {
      ++report.locksAdded;
    }
  }
  return report;
}

bool importOlderDatabase(ManagerStore& store) {
  if (store.olderDatabaseImported) return false;
  const std::string path = databasePath(store.files, kOlderDatabaseFileName);
  if (path.empty()) return false;
  std::vector<unsigned char> contents;
  // An older file that cannot be read whole is left for a later start.
  if (store.files.readFile(path.c_str(), contents) != FileRead::Read) return false;
  store.olderDatabaseImported = true;
  decodeOlderDatabase(contents.data(), contents.size(), store.settings, store.table);
  if (saveDatabaseOrReport(store.files, store.settings, store.table, store.messageBoxes)) {
    // A failed delete is ignored: the file is then imported again on a later
    // first-run path.
    store.files.deleteFile(path.c_str());
  }
  return true;
}

}  // namespace vk
