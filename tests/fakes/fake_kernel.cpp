#include "tests/fakes/fake_kernel.h"

#include <algorithm>

namespace vk {
namespace fakes {

FakeKernel::Handle* FakeKernel::find(KernelHandle h) {
  auto it = handles_.find(h);
  if (it == handles_.end()) {
    ++badHandleUses_;
    return nullptr;
  }
  return it->second.get();
}

KernelHandle FakeKernel::newHandle(const std::string& name, bool isSection) {
  auto handle = std::make_unique<Handle>();
  handle->name = name;
  handle->isSection = isSection;
  KernelHandle key = handle.get();
  handles_[key] = std::move(handle);
  return key;
}

void FakeKernel::dropIfUnused(const std::string& name) {
  auto it = mutexes_.find(name);
  if (it != mutexes_.end() && it->second.ourHandles == 0 && it->second.otherHandles == 0) {
    mutexes_.erase(it);
  }
}

SectionMapping FakeKernel::openSection(const char* name, std::uint32_t size) {
  SectionMapping m;
  if (failSections_) return m;
  auto it = sections_.find(name);
  if (it == sections_.end()) it = sections_.emplace(name, std::vector<unsigned char>(size, 0)).first;
  m.handle = newHandle(name, true);
  m.base = it->second.data();
  ++openViews_;
  return m;
}

void FakeKernel::closeSection(SectionMapping& mapping) {
  if (mapping.handle != nullptr && find(mapping.handle) != nullptr) {
    handles_.erase(mapping.handle);
    if (mapping.base != nullptr) --openViews_;
  }
  mapping.handle = nullptr;
  mapping.base = nullptr;
}

unsigned char* FakeKernel::section(const std::string& name) {
  auto it = sections_.find(name);
  return it == sections_.end() ? nullptr : it->second.data();
}

unsigned char* FakeKernel::createSectionElsewhere(const std::string& name, std::uint32_t size) {
  auto it = sections_.find(name);
  if (it == sections_.end()) it = sections_.emplace(name, std::vector<unsigned char>(size, 0)).first;
  return it->second.data();
}

KernelHandle FakeKernel::createMutex(const char* name, bool initialOwner) {
  const std::string n = name;
  for (const auto& prefix : failPrefixes_) {
    if (n.compare(0, prefix.size(), prefix) == 0) return nullptr;
  }
  auto it = mutexes_.find(n);
  if (it == mutexes_.end()) {
    Mutex m;
    if (initialOwner) m.ourOwnership = 1;
    it = mutexes_.emplace(n, m).first;
  }
  ++it->second.ourHandles;
  return newHandle(n, false);
}

WaitResult FakeKernel::waitMutex(KernelHandle h, std::uint32_t timeoutMs) {
  ++totalWaits_;
  longestWaitMs_ = std::max(longestWaitMs_, timeoutMs);
  Handle* handle = find(h);
  if (handle == nullptr || handle->isSection) return WaitResult::Failed;
  ++waitCounts_[handle->name];
  if (beforeWait) beforeWait(handle->name);
  Mutex& m = mutexes_.at(handle->name);
  if (timingOut_.count(handle->name) != 0 && m.ourOwnership == 0) return WaitResult::TimedOut;
  if (m.ownedElsewhere) return WaitResult::TimedOut;
  ++m.ourOwnership;
  if (m.abandoned) {
    m.abandoned = false;
    return WaitResult::Abandoned;
  }
  return WaitResult::Acquired;
}

bool FakeKernel::releaseMutex(KernelHandle h) {
  Handle* handle = find(h);
  if (handle == nullptr || handle->isSection) return false;
  Mutex& m = mutexes_.at(handle->name);
  if (m.ourOwnership == 0) {
    ++refusedReleases_;
    return false;
  }
  --m.ourOwnership;
  return true;
}

void FakeKernel::closeMutex(KernelHandle h) {
  Handle* handle = find(h);
  if (handle == nullptr || handle->isSection) return;
  const std::string name = handle->name;
  handles_.erase(h);
  Mutex& m = mutexes_.at(name);
  if (m.ourOwnership > 0) ++closesWhileOwned_;
  --m.ourHandles;
  dropIfUnused(name);
}

KernelHandle FakeKernel::openMutex(const char* name) {
  auto it = mutexes_.find(name);
  if (it == mutexes_.end()) return nullptr;
  ++it->second.ourHandles;
  return newHandle(name, false);
}

int FakeKernel::ourHandles(const std::string& name) const {
  auto it = mutexes_.find(name);
  return it == mutexes_.end() ? 0 : it->second.ourHandles;
}

int FakeKernel::ourOwnership(const std::string& name) const {
  auto it = mutexes_.find(name);
  return it == mutexes_.end() ? 0 : it->second.ourOwnership;
}

bool FakeKernel::ownedElsewhere(const std::string& name) const {
  auto it = mutexes_.find(name);
  return it != mutexes_.end() && it->second.ownedElsewhere;
}

void FakeKernel::setTimingOut(const std::string& name, bool on) {
  if (on) {
    timingOut_.insert(name);
  } else {
    timingOut_.erase(name);
  }
}

void FakeKernel::otherProcessOwns(const std::string& name) {
  Mutex& m = mutexes_[name];
  ++m.otherHandles;
  m.ownedElsewhere = true;
  m.abandoned = false;
}

void FakeKernel::otherProcessOpens(const std::string& name) { ++mutexes_[name].otherHandles; }

void FakeKernel::otherProcessReleases(const std::string& name) {
  auto it = mutexes_.find(name);
  if (it != mutexes_.end()) it->second.ownedElsewhere = false;
}

void FakeKernel::ownerProcessDies(const std::string& name) {
  auto it = mutexes_.find(name);
  if (it == mutexes_.end()) return;
  Mutex& m = it->second;
  if (m.ownedElsewhere) {
    m.ownedElsewhere = false;
    m.abandoned = true;
  }
  if (m.otherHandles > 0) --m.otherHandles;
  dropIfUnused(name);
}

int FakeKernel::waitCount(const std::string& name) const {
  auto it = waitCounts_.find(name);
  return it == waitCounts_.end() ? 0 : it->second;
}

}  // namespace fakes
}  // namespace vk
