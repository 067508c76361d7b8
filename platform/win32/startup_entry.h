// StartupEntry on Win32: the value "vk" under HKEY_LOCAL_MACHINE
// "Software\Microsoft\Windows\CurrentVersion\Run", which makes Windows start
// the program it names at every logon.
#pragma once

#include "platform/startup_entry.h"

namespace vk {
namespace win32 {

class Win32StartupEntry final : public StartupEntry {
 public:
  bool exists() override;
  bool setToThisProgram() override;
  bool remove() override;
};

}  // namespace win32
}  // namespace vk
