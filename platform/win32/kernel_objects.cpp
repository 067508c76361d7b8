#include "platform/win32/kernel_objects.h"

#include <windows.h>

#include "common/lock_table.h"
#include "platform/win32/handle.h"
#include "platform/win32/object_security.h"

namespace vk {

SectionMapping Win32KernelObjects::openSection(const char* name, std::uint32_t size) {
  SectionMapping m;
  // Pagefile-backed: zero-filled when this call creates it; an existing
  // section is opened at its own size whatever size is asked for.
  // The descriptor only counts when this call creates the section.
  win32::SharedObjectSecurity security;
  win32::UniqueHandle section(::CreateFileMappingA(INVALID_HANDLE_VALUE, security.attributes(),
                                                   PAGE_READWRITE, 0,
                                                   size != 0 ? size : kSectionSize, name));
  if (!section) return m;
  void* view = ::MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, 0);
  if (view == nullptr) {
    // Closing the section must not hide why the mapping failed.
    const DWORD error = ::GetLastError();
    section.reset();
    ::SetLastError(error);
    return m;
  }
  m.handle = section.release();
  m.base = static_cast<unsigned char*>(view);
  return m;
}

void Win32KernelObjects::closeSection(SectionMapping& mapping) {
  if (mapping.base != nullptr) ::UnmapViewOfFile(mapping.base);
  if (mapping.handle != nullptr) ::CloseHandle(mapping.handle);
  mapping.base = nullptr;
  mapping.handle = nullptr;
}

KernelHandle Win32KernelObjects::createMutex(const char* name, bool initialOwner) {
  win32::SharedObjectSecurity security;
  return ::CreateMutexA(security.attributes(), initialOwner ? TRUE : FALSE, name);
}

WaitResult Win32KernelObjects::waitMutex(KernelHandle mutex, std::uint32_t timeoutMs) {
  switch (::WaitForSingleObject(mutex, timeoutMs)) {
    case WAIT_OBJECT_0:
      return WaitResult::Acquired;
    case WAIT_ABANDONED:
      return WaitResult::Abandoned;
    case WAIT_TIMEOUT:
      return WaitResult::TimedOut;
    default:
      return WaitResult::Failed;
  }
}

bool Win32KernelObjects::releaseMutex(KernelHandle mutex) { return ::ReleaseMutex(mutex) != FALSE; }

void Win32KernelObjects::closeMutex(KernelHandle mutex) {
  if (mutex != nullptr) ::CloseHandle(mutex);
}

KernelHandle Win32KernelObjects::openMutex(const char* name) {
  return ::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name);
}

}  // namespace vk
