// Named kernel objects on POSIX, so that the lock table and its mutex can be
// exercised by several real processes on Linux.
//
// A section is a POSIX shared-memory object mapped whole. A mutex is a
// process-shared, robust, recursive pthread mutex living in its own small
// shared-memory object. Both share one namespace, as on Windows: every name
// becomes "/<prefix><name>", and the prefix keeps parallel test runs apart.
//
// Two differences from Windows named objects: a name outlives its last handle
// until it is unlinked, and a mutex handle must not be closed while its thread
// still owns the mutex (the mapping the kernel would use to report the owner's
// death is gone, so waiters would time out instead of seeing Abandoned).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel_objects.h"

namespace vk {

class PosixKernelObjects : public KernelObjects {
 public:
  // With unlinkOnDestroy the destructor removes every name this object
  // created or opened (tests use it to leave /dev/shm clean).
  explicit PosixKernelObjects(std::string prefix = std::string(), bool unlinkOnDestroy = false);
  ~PosixKernelObjects() override;
  PosixKernelObjects(const PosixKernelObjects&) = delete;
  PosixKernelObjects& operator=(const PosixKernelObjects&) = delete;

  // An existing section is mapped at its own size, whatever the caller asks
  // for; one smaller than asked for is refused rather than mapped short.
  SectionMapping openSection(const char* name, std::uint32_t size) override;
  void closeSection(SectionMapping& mapping) override;

  KernelHandle createMutex(const char* name, bool initialOwner) override;
  // Timed on the monotonic clock, so setting the wall clock neither cuts a
  // wait short nor stretches it.
  WaitResult waitMutex(KernelHandle mutex, std::uint32_t timeoutMs) override;
  bool releaseMutex(KernelHandle mutex) override;
  void closeMutex(KernelHandle mutex) override;
  KernelHandle openMutex(const char* name) override;

  // The shared-memory name that `name` maps to.
  std::string objectName(const char* name) const;
  // Removes one name; objects already open stay usable until closed.
  bool unlink(const char* name);
  // Removes every name this object created or opened.
  void unlinkAll();

 private:
  void remember(const std::string& objectName);

  std::string prefix_;
  bool unlinkOnDestroy_;
  std::mutex namesLock_;
  std::vector<std::string> names_;
};

}  // namespace vk
