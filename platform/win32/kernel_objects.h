// The named section and the named recursive mutex on Win32. Linked into the
// hook library: no exceptions, no allocation, and GetLastError is left as the
// failing call set it for whoever wants to look.
#pragma once

#include <cstdint>

#include "platform/kernel_objects.h"

namespace vk {

class Win32KernelObjects : public KernelObjects {
 public:
  // A size of 0 asks for the lock table's size.
  SectionMapping openSection(const char* name, std::uint32_t size) override;
  void closeSection(SectionMapping& mapping) override;

  KernelHandle createMutex(const char* name, bool initialOwner) override;
  WaitResult waitMutex(KernelHandle mutex, std::uint32_t timeoutMs) override;
  bool releaseMutex(KernelHandle mutex) override;
  void closeMutex(KernelHandle mutex) override;
  KernelHandle openMutex(const char* name) override;
};

}  // namespace vk
