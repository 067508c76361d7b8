#include "tests/fakes/memory_kernel.h"

namespace vk {
namespace fakes {

namespace {
constexpr std::uint32_t kDefaultSectionSize = 55200;
}

SectionMapping MemoryKernel::openSection(const char* name, std::uint32_t size) {
  SectionMapping m;
  if (failSections_) return m;
  std::unique_ptr<Section>& s = sections_[name];
  if (!s) {
    // Like a named section: the first opener fixes the size, later ones get it.
    s.reset(new Section);
    s->name = name;
    s->bytes.assign(size, 0);
  }
  m.handle = s.get();
  m.base = s->bytes.data();
  ++openViews_;
  return m;
}

void MemoryKernel::closeSection(SectionMapping& mapping) {
  if (mapping.base != nullptr || mapping.handle != nullptr) --openViews_;
  mapping.base = nullptr;
  mapping.handle = nullptr;
}

unsigned char* MemoryKernel::section(const char* name) {
  std::unique_ptr<Section>& s = sections_[name];
  if (!s) {
    s.reset(new Section);
    s->name = name;
    s->bytes.assign(kDefaultSectionSize, 0);
  }
  return s->bytes.data();
}

std::size_t MemoryKernel::sectionSize(const char* name) {
  section(name);
  return sections_[name]->bytes.size();
}

KernelHandle MemoryKernel::createMutex(const char* name, bool initialOwner) {
  std::unique_ptr<Mutex>& m = mutexes_[name];
  const bool created = !m;
  if (created) {
    m.reset(new Mutex);
    m->name = name;
  }
  ++m->handles;
  if (initialOwner && created) m->depth = 1;
  return m.get();
}

KernelHandle MemoryKernel::openMutex(const char* name) {
  auto it = mutexes_.find(name);
  if (it == mutexes_.end()) return nullptr;
  ++it->second->handles;
  return it->second.get();
}

MemoryKernel::Mutex* MemoryKernel::find(KernelHandle h) const {
  for (const auto& entry : mutexes_) {
    if (entry.second.get() == h) return entry.second.get();
  }
  return nullptr;
}

WaitResult MemoryKernel::waitMutex(KernelHandle mutex, std::uint32_t timeoutMs) {
  Mutex* m = find(mutex);
  WaitResult r = m == nullptr ? WaitResult::Failed : waitResult_;
  if (acquired(r)) ++m->depth;
  calls_.push_back({MutexCall::Wait, m != nullptr ? m->name : std::string(), r, false, timeoutMs});
  if (onMutexCall) onMutexCall(calls_.back());
  return r;
}

bool MemoryKernel::releaseMutex(KernelHandle mutex) {
  Mutex* m = find(mutex);
  const bool ok = m != nullptr && m->depth > 0;
  if (ok) --m->depth;
  calls_.push_back(
      {MutexCall::Release, m != nullptr ? m->name : std::string(), WaitResult::Failed, ok, 0});
  if (onMutexCall) onMutexCall(calls_.back());
  return ok;
}

void MemoryKernel::closeMutex(KernelHandle mutex) {
  Mutex* m = find(mutex);
  if (m != nullptr && m->handles > 0) --m->handles;
}

int MemoryKernel::ownerDepth(const char* name) const {
  auto it = mutexes_.find(name);
  return it == mutexes_.end() ? 0 : it->second->depth;
}

}  // namespace fakes
}  // namespace vk
