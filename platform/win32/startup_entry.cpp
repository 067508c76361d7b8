#include "platform/win32/startup_entry.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/handle.h"

namespace vk {
namespace win32 {
namespace {

constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kValueName = "vk";
constexpr DWORD kPathBufferSize = 1000;

// Full access, opened for each call: a user without administrator rights
// cannot open it, and every operation then fails quietly.
UniqueKey openRunKey() {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKeyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return UniqueKey();
  return UniqueKey(key);
}

}  // namespace

bool Win32StartupEntry::exists() {
  UniqueKey key = openRunKey();
  if (!key) return false;
  return ::RegQueryValueExA(key.get(), kValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool Win32StartupEntry::setToThisProgram() {
  UniqueKey key = openRunKey();
  if (!key) return false;
  char path[kPathBufferSize] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, kPathBufferSize);
  // A path cut at the buffer's end would name no program.
  if (length == 0 || length >= kPathBufferSize) return false;
  return ::RegSetValueExA(key.get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                          static_cast<DWORD>(std::strlen(path) + 1)) == ERROR_SUCCESS;
}

bool Win32StartupEntry::remove() {
  UniqueKey key = openRunKey();
  if (!key) return false;
  return ::RegDeleteValueA(key.get(), kValueName) == ERROR_SUCCESS;
}

}  // namespace win32
}  // namespace vk
