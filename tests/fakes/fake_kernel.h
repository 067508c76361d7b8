// Named kernel objects of one simulated process, with hooks to play the other
// processes of the desktop: a mutex held elsewhere, an owner that dies
// (abandoned), a table mutex that never comes free (time-outs).
//
// All handles handed out belong to "our" process and thread. The fake counts
// waits and remembers the longest time-out asked for, so tests can prove that
// a path never touched the table or never waited too long.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/kernel_objects.h"

namespace vk {
namespace fakes {

class FakeKernel : public KernelObjects {
 public:
  FakeKernel() = default;
  FakeKernel(const FakeKernel&) = delete;
  FakeKernel& operator=(const FakeKernel&) = delete;

  SectionMapping openSection(const char* name, std::uint32_t size) override;
  void closeSection(SectionMapping& mapping) override;
  KernelHandle createMutex(const char* name, bool initialOwner) override;
  WaitResult waitMutex(KernelHandle mutex, std::uint32_t timeoutMs) override;
  bool releaseMutex(KernelHandle mutex) override;
  void closeMutex(KernelHandle mutex) override;
  KernelHandle openMutex(const char* name) override;

  // --- sections
  // The memory of a named section, null until some process created it.
  unsigned char* section(const std::string& name);
  // Create it as another process would (zero-filled), without a view of ours.
  unsigned char* createSectionElsewhere(const std::string& name, std::uint32_t size);
  void failSections(bool fail) { failSections_ = fail; }
  int openViews() const { return openViews_; }

  // --- mutexes as this process sees them
  bool mutexExists(const std::string& name) const { return mutexes_.count(name) != 0; }
  int ourHandles(const std::string& name) const;
  // How many times our thread holds it (0 = not owned by us).
  int ourOwnership(const std::string& name) const;
  bool ownedElsewhere(const std::string& name) const;
  // Mutexes whose name starts with `prefix` cannot be created.
  void failMutexCreation(const std::string& prefix) { failPrefixes_.push_back(prefix); }
  // Every wait on the mutex times out (after the full time-out) while set.
  void setTimingOut(const std::string& name, bool on);

  // --- other processes
  // Another process opens (creating if needed) and owns the mutex.
  void otherProcessOwns(const std::string& name);
  // Another process holds a handle without owning it (keeps the object alive).
  void otherProcessOpens(const std::string& name);
  // The other owner releases it but keeps its handle open.
  void otherProcessReleases(const std::string& name);
  // The owning process dies: its handle closes; if it owned the mutex the next
  // waiter gets Abandoned. The object goes when no handle is left.
  void ownerProcessDies(const std::string& name);

  // --- counters
  int waitCount(const std::string& name) const;
  int totalWaits() const { return totalWaits_; }
  std::uint32_t longestWaitMs() const { return longestWaitMs_; }
  int refusedReleases() const { return refusedReleases_; }
  // Handles of ours that are still open (mutexes and sections).
  int openHandles() const { return static_cast<int>(handles_.size()); }
  // Calls with a handle that was never given out or already closed.
  int badHandleUses() const { return badHandleUses_; }
  // Handles closed while our thread still owned the mutex: the mutex stays
  // owned (and later comes back abandoned) if anyone else has it open.
  int closesWhileOwned() const { return closesWhileOwned_; }

  // Runs at the start of every wait: another process acting just before the
  // mutex is granted.
  std::function<void(const std::string& name)> beforeWait;

 private:
  struct Mutex {
    int ourHandles = 0;
    int otherHandles = 0;
    int ourOwnership = 0;
    bool ownedElsewhere = false;
    bool abandoned = false;
  };
  struct Handle {
    std::string name;
    bool isSection = false;
  };

  Handle* find(KernelHandle h);
  KernelHandle newHandle(const std::string& name, bool isSection);
  void dropIfUnused(const std::string& name);

  std::map<std::string, std::vector<unsigned char>> sections_;
  std::map<std::string, Mutex> mutexes_;
  std::map<KernelHandle, std::unique_ptr<Handle>> handles_;
  std::set<std::string> timingOut_;
  std::vector<std::string> failPrefixes_;
  std::map<std::string, int> waitCounts_;
  bool failSections_ = false;
  int openViews_ = 0;
  int totalWaits_ = 0;
  std::uint32_t longestWaitMs_ = 0;
  int refusedReleases_ = 0;
  int badHandleUses_ = 0;
  int closesWhileOwned_ = 0;
};

}  // namespace fakes
}  // namespace vk
