#include "manager/store/database_file.h"

#include <cstring>

#include "manager/store/database_location.h"
#include "manager/store/file_fields.h"
#include "manager/store/table_operations.h"
#include "platform/dialog_view.h"

// Damaged files. The file has no checksum, so "damaged" can only mean a file
// that ends inside a field, a stored length above a field's capacity, or more
// entries than the manager keeps. The loader keeps all it can without ever
// guessing:
// - SystemPasswordDigest, SecretQuestion and SecretAnswerDigest are taken
//   together or not at all. If the file ends before the answer digest is
//   whole, all three keep their start values: the zero system digest sends
//   start-up down the first-run path, which sets password, question and
//   answer afresh, instead of leaving a password whose recovery can never work.
// - Each reserved string and ShutDownAtLogOff is taken when whole; a field cut
//   by the end of the file keeps its start value.
// - A file that ends before the lock count holds no locks.
// - Every whole lock entry before the damage is appended in file order; an
//   entry cut by the end of the file is dropped, and so is everything after it.
// - Entries beyond the manager's limit of 60 locks are dropped (the next save
//   writes the 60 that were kept).
// - A text longer than its field (255 for title and className, 999 for the
//   question and each reserved string) is cut to the field; its surplus bytes
//   are skipped so the following fields are read from their right place.

namespace vk {

bool readReservedStrings(FieldReader& in, ManagerSettings& settings, bool& anyCut) {
  for (ReservedString& reserved : settings.reservedStrings) {
    char bytes[kSettingTextCapacity];
    std::size_t length = 0;
    bool cut = false;
    if (!in.readText(bytes, sizeof bytes, length, cut)) return false;
    anyCut = anyCut || cut;
    reserved.length = static_cast<std::uint16_t>(length);
    std::memcpy(reserved.bytes, bytes, length);
  }
  return true;
}
namespace {

bool roomForAnotherLock(const LockTableView& table) {
  return table.isOpen() && table.recordCount() < kManagerLockLimit;
}

}  // namespace

std::string databasePath(DatabaseFiles& files, const char* fileName) {
  char directory[kPathBufferSize] = {};
  const std::uint32_t n = files.windowsDirectory(directory, kPathBufferSize);
  if (n == 0 || n >= kPathBufferSize) return std::string();
  std::string path(directory, n);
  if (path.back() != '\\') path += '\\';
  path += fileName;
  return path;
}

DatabaseReadReport decodeDatabase(const unsigned char* data, std::size_t size,
                                  ManagerSettings& settings, const LockTableView& table) {
  DatabaseReadReport report;
  FieldReader in(data, size);
  std::size_t length = 0;
  bool cut = false;

  PasswordDigest systemDigest;
  char question[kSettingTextCapacity];
  PasswordDigest answerDigest;
  if (!in.readDigest(systemDigest) || !in.readText(question, sizeof question, length, cut) ||
      !in.readDigest(answerDigest)) {
    report.endedEarly = true;
    return report;
  }
  report.textCut = cut;
  settings.systemPasswordDigest = systemDigest;
  setSecretQuestion(settings, question);
  settings.secretAnswerDigest = answerDigest;

  if (!readReservedStrings(in, settings, report.textCut)) {
    report.endedEarly = true;
    return report;
  }

  bool shutDown = false;
  if (!in.readFlag(shutDown)) {
    report.endedEarly = true;
    return report;
  }
  settings.shutDownAtLogOff = shutDown;

  std::uint16_t ignored = 0;
  std::uint16_t lockCount = 0;
  if (!in.readU16(ignored) || !in.readU16(ignored) || !in.readU16(lockCount)) {
    report.endedEarly = true;
    return report;
  }
  report.settingsWhole = true;
  report.storedLockCount = lockCount;

  for (std::uint32_t i = 0; i < lockCount; ++i) {
    if (!roomForAnotherLock(table)) break;
    char className[kTitleCapacity];
    char title[kTitleCapacity];
    bool classCut = false;
    bool titleCut = false;
    bool wildcard = false;
    bool enabled = false;
    std::uint16_t maxTries = 0;
    std::int32_t relockSeconds = 0;
    std::uint16_t action = 0;
    PasswordDigest digest;
    if (!in.readText(className, sizeof className, length, classCut) ||
        !in.readText(title, sizeof title, length, titleCut) || !in.readFlag(wildcard) ||
        !in.readFlag(enabled) || !in.readU16(maxTries) || !in.readI32(relockSeconds) ||
        !in.readU16(action) || !in.readDigest(digest)) {
      report.endedEarly = true;
      break;
    }
    report.textCut = report.textCut || classCut || titleCut;
    if (addLock(table, className, title, digest, action, maxTries, enabled, relockSeconds,
                wildcard)) {
      ++report.locksAdded;
    }
  }
  return report;
}

std::vector<unsigned char> encodeDatabase(const ManagerSettings& settings,
                                          const LockTableView& table) {
  if (!table.isOpen()) return {};
  // Room for the largest settings and entries, so the image is built without regrowing.
  const std::uint32_t count = table.usableRecordCount();
  std::vector<unsigned char> bytes;
  bytes.reserve(2 * 20 + 3 * (2 + kMaxSettingTextLength) + 7 +
                count * (2 * (2 + kMaxTitleLength) + 30));
  FieldWriter out(bytes);
  out.writeDigest(settings.systemPasswordDigest);
  out.writeText(settings.secretQuestion,
                boundedLength(settings.secretQuestion, kMaxSettingTextLength));
  out.writeDigest(settings.secretAnswerDigest);
  for (const ReservedString& reserved : settings.reservedStrings) {
    const std::size_t n =
        reserved.length < kMaxSettingTextLength ? reserved.length : kMaxSettingTextLength;
    out.writeText(reserved.bytes, n);
  }
  out.writeFlag(settings.shutDownAtLogOff);
  out.writeU16(0);
  out.writeU16(0);

  out.writeU16(static_cast<std::uint16_t>(count));
  for (std::uint32_t i = 0; i < count; ++i) {
    const RecordRef r = table.record(i);
    out.writeText(r.className(), boundedLength(r.className(), kMaxTitleLength));
    out.writeText(r.title(), boundedLength(r.title(), kMaxTitleLength));
    out.writeFlag(r.wildcard() == 1);
    out.writeFlag(r.enabled() == 1);
    out.writeU16(r.maxTries());
    out.writeI32(r.relockSeconds());
    out.writeU16(r.action());
    out.writeDigest(r.digest());
  }
  return bytes;
}

LoadResult loadDatabase(DatabaseFiles& files, ManagerSettings& settings,
                        const LockTableView& table, DatabaseReadReport* report) {
  // The current place, or an older one to take over (database_location.h).
  const std::string path = databaseToLoad(files, kDatabaseFileName);
  // Without a folder nothing can be said about the file: it may well
  // exist, so this is no first run.
  if (path.empty()) return LoadResult::Unreadable;
  std::vector<unsigned char> contents;
  switch (files.readFile(path.c_str(), contents)) {
    case FileRead::Missing:
      return LoadResult::Missing;
    case FileRead::Failed:
      return LoadResult::Unreadable;
    case FileRead::Read:
      break;
  }
  const DatabaseReadReport r = decodeDatabase(contents.data(), contents.size(), settings, table);
  if (report != nullptr) *report = r;
  return LoadResult::Loaded;
}

bool writeDatabaseImage(DatabaseFiles& files, const std::vector<unsigned char>& image) {
  if (image.empty()) return false;
  // Always the current place, also right after a take-over from an older one.
  if (!prepareDatabaseFolder(files)) return false;
  const std::string path = currentDatabasePath(files, kDatabaseFileName);
  if (path.empty()) return false;
  return files.replaceFile(path.c_str(), image.data(), image.size());
}

bool saveDatabase(DatabaseFiles& files, const ManagerSettings& settings,
                  const LockTableView& table) {
  return writeDatabaseImage(files, encodeDatabase(settings, table));
}

void reportSaveFailure(MessageBoxes& boxes) {
  boxes.show(kSaveFailedText, kSaveFailedCaption, kBoxOk | kBoxIconError | kBoxTaskModal);
}

bool saveDatabaseOrReport(DatabaseFiles& files, const ManagerSettings& settings,
                          const LockTableView& table, MessageBoxes& boxes) {
  if (saveDatabase(files, settings, table)) return true;
  reportSaveFailure(boxes);
  return false;
}

}  // namespace vk
