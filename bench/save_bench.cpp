// How long a change that is saved keeps the table mutex: every window
// activation on the desktop waits for that mutex. The step switches a lock on
// in a table of 60 locks and saves to a "disk" that takes 2 ms for a whole-file
// replace (writes, flush, rename; a virus scanner looking at the new file takes
// far longer). Goal: the mutex is held for the change and the file image
// only, far below the disk's 2 ms. Counters: mutex_held_us (mean time from the
// wait to the release), step_us (the whole step, disk included).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "common/lock_table.h"
#include "manager/store/table_operations.h"
#include "manager/store/table_steps.h"
#include "tests/fakes/memory_files.h"
#include "tests/fakes/memory_kernel.h"
#include "tests/fakes/recording_message_boxes.h"

namespace vk {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kDiskTime = std::chrono::milliseconds(2);

// Times every hold of the table mutex.
class TimedKernel final : public fakes::MemoryKernel {
 public:
  WaitResult waitMutex(KernelHandle mutex, std::uint32_t timeoutMs) override {
    const WaitResult r = MemoryKernel::waitMutex(mutex, timeoutMs);
    if (acquired(r) && ownerDepth() == 1) heldSince_ = Clock::now();
    return r;
  }
  bool releaseMutex(KernelHandle mutex) override {
    const bool wasOuter = ownerDepth() == 1;
    const bool released = MemoryKernel::releaseMutex(mutex);
    if (released && wasOuter) held += Clock::now() - heldSince_;
    return released;
  }

  Clock::duration held{};

 private:
  Clock::time_point heldSince_{};
};

// A replace that takes as long as a small file's write, flush and rename.
class SlowDisk final : public fakes::MemoryFiles {
 public:
  bool replaceFile(const char* path, const unsigned char* data, std::size_t size) override {
    std::this_thread::sleep_for(kDiskTime);
    return MemoryFiles::replaceFile(path, data, size);
  }
};

void BM_MutexHeldBySavedLockStep(benchmark::State& state) {
  TimedKernel kernel;
  LockTableView table;
  table.open(kernel);
  resetTableHeader(kernel.section());
  for (std::uint32_t i = 0; i < kManagerLockLimit; ++i) {
    char title[32];
    std::snprintf(title, sizeof title, "Window %02u - Application", static_cast<unsigned>(i));
    addLock(table, "ApplicationClass", title, digestOf(title), CloseWindow, 3, true, 300, false);
  }
  KernelHandle mutex = kernel.createMutex(kTableMutexName, false);
  ManagerSettings settings;
  SlowDisk files;
  fakes::RecordingMessageBoxes boxes;
  ManagerStore store(kernel, mutex, table, settings, files, boxes);

  for (auto _ : state) {
    benchmark::DoNotOptimize(switchLockStep(store, 30, true));
  }
  const double steps = static_cast<double>(state.iterations());
  state.counters["mutex_held_us"] =
      std::chrono::duration<double, std::micro>(kernel.held).count() / steps;
  if (!boxes.shown.empty()) state.SkipWithError("a save failed");
  table.close();
  kernel.closeMutex(mutex);
}
BENCHMARK(BM_MutexHeldBySavedLockStep)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace vk
