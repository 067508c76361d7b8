// KernelObjects in process memory: named sections are zero-filled buffers
// shared by every open of the same name (so a raw view and a LockTableView see
// the same bytes), named mutexes are recursive ownership counts. Every wait
// and release is logged, and waits can be told to time out.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel_objects.h"

namespace vk {
namespace fakes {

class MemoryKernel : public KernelObjects {
 public:
  struct MutexCall {
    enum Kind { Wait, Release } kind;
    std::string name;
    WaitResult waitResult;  // for Wait
    bool released;          // for Release: false when refused (not owned)
    std::uint32_t timeoutMs;
  };

  SectionMapping openSection(const char* name, std::uint32_t size) override;
  void closeSection(SectionMapping& mapping) override;
  KernelHandle createMutex(const char* name, bool initialOwner) override;
  WaitResult waitMutex(KernelHandle mutex, std::uint32_t timeoutMs) override;
  bool releaseMutex(KernelHandle mutex) override;
  void closeMutex(KernelHandle mutex) override;
  KernelHandle openMutex(const char* name) override;

  // The section's bytes (created zero-filled on first use; 55200 by default).
  unsigned char* section(const char* name = "vantakey");
  std::size_t sectionSize(const char* name = "vantakey");

  // From now on every wait on any mutex returns result without taking it
  // (TimedOut, Failed) or takes it (Acquired, Abandoned).
  void setWaitResult(WaitResult result) { waitResult_ = result; }
  // Makes openSection fail (null base) from now on.
  void failSections(bool fail) { failSections_ = fail; }

  // Ownership depth of the named mutex (0 = free).
  int ownerDepth(const char* name = "Vantak") const;
  bool mutexHeld(const char* name = "Vantak") const { return ownerDepth(name) > 0; }

  const std::vector<MutexCall>& mutexCalls() const { return calls_; }
  // Runs after every wait and release, so a test can look at the table at
  // the moment the mutex was taken and the moment it was given back.
  std::function<void(const MutexCall&)> onMutexCall;
  int openViews() const { return openViews_; }

 private:
  struct Mutex {
    std::string name;
    int depth = 0;
    int handles = 0;
  };
  struct Section {
    std::string name;
    std::vector<unsigned char> bytes;
  };

  Mutex* find(KernelHandle h) const;

  std::map<std::string, std::unique_ptr<Section>> sections_;
  std::map<std::string, std::unique_ptr<Mutex>> mutexes_;
  std::vector<MutexCall> calls_;
  WaitResult waitResult_ = WaitResult::Acquired;
  bool failSections_ = false;
  int openViews_ = 0;
};

}  // namespace fakes
}  // namespace vk
