// Port: named kernel objects shared between processes. The lock table lives in
// a named section and is guarded by a named recursive mutex.
#pragma once

#include <cstdint>

namespace vk {

using KernelHandle = void*;

enum class WaitResult {
  Acquired,   // the caller now owns the mutex
  Abandoned,  // the previous owner died holding it; the caller owns it now
  TimedOut,   // not owned
  Failed,     // bad handle or system error; not owned
};

inline bool acquired(WaitResult r) { return r == WaitResult::Acquired || r == WaitResult::Abandoned; }

struct SectionMapping {
  KernelHandle handle = nullptr;
  unsigned char* base = nullptr;  // null when the section could not be created or mapped
};

class KernelObjects {
 public:
  virtual ~KernelObjects() = default;

  // Creates the named section (zero-filled) or opens the existing one, and maps
  // all of it for reading and writing.
  virtual SectionMapping openSection(const char* name, std::uint32_t size) = 0;
  virtual void closeSection(SectionMapping& mapping) = 0;

  // Creates or opens a named recursive mutex; with initialOwner the caller owns
  // it only when this call created it. Null on failure.
  virtual KernelHandle createMutex(const char* name, bool initialOwner) = 0;
  virtual WaitResult waitMutex(KernelHandle mutex, std::uint32_t timeoutMs) = 0;
  // False when the caller does not own the mutex; callers ignore that.
  virtual bool releaseMutex(KernelHandle mutex) = 0;
  virtual void closeMutex(KernelHandle mutex) = 0;
  // Opens an existing named mutex; null when no object of that name exists.
  virtual KernelHandle openMutex(const char* name) = 0;
};

}  // namespace vk
