// The lock database "vk2.dat" (where it is: database_location.h): the manager's
// settings followed by every lock of the table, rewritten whole on each save.
//
// Layout (no header, no padding, little-endian):
//   SystemPasswordDigest 20 | SecretQuestion u16+n | SecretAnswerDigest 20 |
//   reserved string u16+n | reserved string u16+n | ShutDownAtLogOff 1 |
//   u16 0 | u16 0 | lock count u16 | lock entries
// Lock entry:
//   className u16+n | title u16+n | wildcard 1 | enabled 1 | maxTries u16 |
//   relockSeconds 4 | action u16 | digest 20
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/lock_table.h"
#include "manager/store/manager_settings.h"
#include "platform/database_files.h"
#include "platform/message_box.h"

namespace vk {

constexpr const char* kDatabaseFileName = "vk2.dat";
constexpr std::uint32_t kPathBufferSize = 260;

constexpr const char* kSaveFailedText =
    "Vantakey could not access its information database because write access to the file "
    "was denied.\n\nNew Vantakeys will not be accessible in the next session.";
constexpr const char* kSaveFailedCaption = "Error";

constexpr const char* kLoadFailedText =
    "Vantakey could not read its information database. Another program may be using the "
    "file, or access to it was denied.\n\nVantakey has not changed the file and will now "
    "close. Please close the other program or restart your computer, and then start "
    "Vantakey again.";
constexpr const char* kLoadFailedCaption = "Vantakey Error";

class FieldReader;

// Both database formats keep the two reserved strings one after the other.
// Each is taken only when it was read whole; false when the data ends inside
// one. anyCut is set when a stored string was longer than its field.
bool readReservedStrings(FieldReader& in, ManagerSettings& settings, bool& anyCut);

// Full path of a database file in the Windows directory, with exactly one
// backslash before the name. Empty when the directory cannot be had.
std::string databasePath(DatabaseFiles& files, const char* fileName);

// What a read made of a file; for tests and diagnostics, the caller needs none of it.
struct DatabaseReadReport {
  bool settingsWhole = false;  // every field before the lock entries was present
  bool endedEarly = false;     // the file ended inside a field
  bool textCut = false;        // some stored text was longer than its field
  std::uint32_t storedLockCount = 0;
  std::uint32_t locksAdded = 0;
};

// Reads a database image into settings and appends its locks to table (see
// the rules for damaged files in database_file.cpp). Never reads past size,
// never writes past a field or the section, keeps at most 60 locks in table.
DatabaseReadReport decodeDatabase(const unsigned char* data, std::size_t size,
                                  ManagerSettings& settings, const LockTableView& table);

// The file image of settings and the table's records, in table order; empty
// when the table is not mapped.
std::vector<unsigned char> encodeDatabase(const ManagerSettings& settings,
                                          const LockTableView& table);

enum class LoadResult {
  Loaded,      // the file was read whole and decoded (damaged parts as decodeDatabase says)
  Missing,     // there is no "vk2.dat": a first run
  Unreadable,  // it exists but could not be opened or read whole; nothing has changed
};

// Reads "vk2.dat" into settings and table, from the current place or an
// older one it is taken over from (database_location.h). Runs after resetTableHeader, with
// an empty table. Only Missing may lead to the first-run path: an Unreadable
// file still holds the user's password and locks.
LoadResult loadDatabase(DatabaseFiles& files, ManagerSettings& settings,
                        const LockTableView& table, DatabaseReadReport* report = nullptr);

// Replaces "vk2.dat" in the current place with the current state, making
// its folder first when it is missing. Shows nothing: a caller that
// holds TableMutex takes the image with encodeDatabase under it, releases
// it, and then calls writeDatabaseImage and reportSaveFailure. False when the
// file was not replaced (the previous file is then intact), and when the
// table is not mapped, since a save would then drop every lock on disk.
bool saveDatabase(DatabaseFiles& files, const ManagerSettings& settings,
                  const LockTableView& table);
// Writes an image made by encodeDatabase over "vk2.dat"; false as saveDatabase.
// An empty image (a table that was not mapped) is never written.
bool writeDatabaseImage(DatabaseFiles& files, const std::vector<unsigned char>& image);

// The message for a failed save. Never call it while holding TableMutex:
// every window activation on the desktop waits for that mutex. The box has no
// owner window, so it is task-modal: while it is up, no window of the manager
// takes a click, and a second Delete or Finish cannot run on a list or a
// wizard that the failed command left behind.
void reportSaveFailure(MessageBoxes& boxes);

// saveDatabase then, on failure, reportSaveFailure: for callers holding no mutex
// (start-up, shutdown, options, password wizards).
bool saveDatabaseOrReport(DatabaseFiles& files, const ManagerSettings& settings,
                          const LockTableView& table, MessageBoxes& boxes);

}  // namespace vk
