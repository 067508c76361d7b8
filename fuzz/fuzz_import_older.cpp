// Feeds arbitrary bytes to the "vk.dat" import, on top of a table that already
// holds some locks. Checks that the existing locks stay first and untouched,
// that the table never passes 60 locks or writes past the 60th record, that
// imported locks carry the fixed settings, and that the saved "vk2.dat" loads
// back to the same table while "vk.dat" is gone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/lock_table.h"
#include "manager/store/database_file.h"
#include "manager/store/older_import.h"
#include "manager/store/table_operations.h"
#include "tests/fakes/memory_files.h"
#include "tests/fakes/memory_kernel.h"
#include "tests/fakes/recording_message_boxes.h"

namespace {

using namespace vk;

void require(bool condition) {
  if (!condition) std::abort();
}

constexpr std::size_t kBeyondLimit = kHeaderSize + kManagerLockLimit * kRecordSize;

// What the section holds past the 60th record; no load may change it.
const unsigned char* canary() {
  static const std::vector<unsigned char> bytes(kSectionSize - kBeyondLimit, 0xEE);
  return bytes.data();
}

const std::string& existingTitle(std::uint32_t i) {
  static const std::vector<std::string> titles = [] {
    std::vector<std::string> t;
    for (std::uint32_t k = 0; k < kManagerLockLimit; ++k)
      t.push_back("existing " + std::to_string(k));
    return t;
  }();
  return titles[i];
}

struct Table {
  Table() {
    require(view.open(kernel));
    std::memset(kernel.section() + kBeyondLimit, 0xEE, kSectionSize - kBeyondLimit);
    mutex = kernel.createMutex(kTableMutexName, false);
  }
  fakes::MemoryKernel kernel;
  LockTableView view;
  KernelHandle mutex = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Table table;
  static Table check;
  resetTableHeader(table.kernel.section());
  // How full the table already is varies with the input, up to the limit.
  const std::uint32_t existing = static_cast<std::uint32_t>(size % (kManagerLockLimit + 1));
  static const PasswordDigest existingDigest = digestOf("x");
  for (std::uint32_t i = 0; i < existing; ++i) {
    require(addLock(table.view, "", existingTitle(i).c_str(), existingDigest, DenyAccess, 9, false,
                    60, true));
  }

  ManagerSettings settings;
  fakes::MemoryFiles files;
  fakes::RecordingMessageBoxes boxes;
  ManagerStore store(table.kernel, table.mutex, table.view, settings, files, boxes);
  const std::string olderPath = files.pathOf(kOlderDatabaseFileName);
  files.files[olderPath].assign(data, data + size);

  require(importOlderDatabase(store));
  require(boxes.shown.empty());
  require(!files.exists(olderPath));
  require(!importOlderDatabase(store));

  const LockTableView& view = table.view;
  require(view.recordCount() >= existing && view.recordCount() <= kManagerLockLimit);
  for (std::uint32_t i = 0; i < view.recordCount(); ++i) {
    const RecordRef r = view.record(i);
    require(boundedLength(r.title()) < kTitleCapacity);
    require(boundedLength(r.className()) < kTitleCapacity);
    if (i < existing) {
      require(r.title() == existingTitle(i) && r.action() == DenyAccess);
    } else {
      require(r.action() == kImportedAction && r.maxTries() == kImportedMaxTries &&
              r.enabled() == 1 && r.relockSeconds() == kImportedRelockSeconds &&
              r.wildcard() == 0 && r.unlockedAt() == 0 && r.failedTries() == 0);
    }
  }
  for (const ReservedString& r : settings.reservedStrings)
    require(r.length <= kMaxSettingTextLength);
  require(std::memcmp(view.base() + kBeyondLimit, canary(), kSectionSize - kBeyondLimit) == 0);

  resetTableHeader(check.kernel.section());
  ManagerSettings reloaded;
  require(loadDatabase(files, reloaded, check.view) == LoadResult::Loaded);
  require(encodeDatabase(reloaded, check.view) == encodeDatabase(settings, view));
  return 0;
}
