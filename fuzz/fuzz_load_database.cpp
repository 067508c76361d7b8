// Feeds arbitrary bytes to the "vk2.dat" loader. Besides memory errors it
// checks what the loader promises: at most 60 locks, nothing written past the
// 60th record, every text NUL-terminated inside its field, only 0/1 flags,
// clean run-time fields, and that what it loaded saves to a file that loads
// back to the same state.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/lock_table.h"
#include "manager/store/database_file.h"
#include "manager/store/table_operations.h"
#include "tests/fakes/memory_files.h"
#include "tests/fakes/memory_kernel.h"

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

struct Table {
  Table() {
    require(view.open(kernel));
    std::memset(kernel.section() + kBeyondLimit, 0xEE, kSectionSize - kBeyondLimit);
  }
  fakes::MemoryKernel kernel;
  LockTableView view;
};

void checkState(const ManagerSettings& settings, const LockTableView& table) {
  require(boundedLength(settings.secretQuestion, kSettingTextCapacity) < kSettingTextCapacity);
  for (const ReservedString& r : settings.reservedStrings)
    require(r.length <= kMaxSettingTextLength);
  require(table.recordCount() <= kManagerLockLimit);
  for (std::uint32_t i = 0; i < table.recordCount(); ++i) {
    const RecordRef r = table.record(i);
    require(boundedLength(r.title()) < kTitleCapacity);
    require(boundedLength(r.className()) < kTitleCapacity);
    require(r.wildcard() <= 1 && r.enabled() <= 1);
    require(r.unlockedAt() == 0 && r.promptBusy() == 0 && r.failedTries() == 0);
  }
  require(std::memcmp(table.base() + kBeyondLimit, canary(), kSectionSize - kBeyondLimit) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Table first;
  static Table second;
  fakes::MemoryFiles files;
  const std::string path = files.dataPathOf(kDatabaseFileName);
  files.files[path].assign(data, data + size);

  resetTableHeader(first.kernel.section());
  ManagerSettings settings;
  DatabaseReadReport report;
  require(loadDatabase(files, settings, first.view, &report) == LoadResult::Loaded);
  require(report.locksAdded == first.view.recordCount());
  checkState(settings, first.view);

  require(saveDatabase(files, settings, first.view));
  const std::vector<unsigned char> saved = files.files[path];

  resetTableHeader(second.kernel.section());
  ManagerSettings reloaded;
  require(loadDatabase(files, reloaded, second.view, &report) == LoadResult::Loaded);
  require(report.settingsWhole && !report.endedEarly && !report.textCut);
  checkState(reloaded, second.view);
  require(encodeDatabase(reloaded, second.view) == saved);
  return 0;
}
