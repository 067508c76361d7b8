// Port: the entry that makes Windows start the manager at every logon. Its
// presence is the whole setting.
//
// The Win32 adapter works on the value "vk" (REG_SZ) under HKEY_LOCAL_MACHINE
// "Software\Microsoft\Windows\CurrentVersion\Run", opening the key with
// RegOpenKeyExA(..., KEY_ALL_ACCESS) for each call and closing it with
// RegCloseKey. A key that cannot be opened (no administrator rights) makes
// every call fail.
#pragma once

namespace vk {

class StartupEntry {
 public:
  virtual ~StartupEntry() = default;

  // RegQueryValueExA("vk") with no type, data or size buffers: true when the
  // value is there, whatever it holds.
  virtual bool exists() = 0;
  // RegSetValueExA("vk", REG_SZ) with this program's full path as
  // GetModuleFileNameA(NULL) gives it (buffer of 1000 bytes), unquoted, no
  // arguments, length + 1 bytes. Rewrites an existing value. False when the
  // value was not written.
  virtual bool setToThisProgram() = 0;
  // RegDeleteValueA("vk"). False when nothing was deleted (no key access, or
  // no such value).
  virtual bool remove() = 0;
};

}  // namespace vk
