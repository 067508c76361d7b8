// HookHost on Win32: vkhook32.exe started from the manager's own folder, with
// an inheritable handle to the manager's process and a ready event.
#pragma once

#include <windows.h>

#include "platform/hook_host.h"
#include "platform/win32/handle.h"

namespace vk {
namespace win32 {

class Win32HookHost final : public HookHost {
 public:
  Win32HookHost() = default;
  ~Win32HookHost() override { stop(); }
  Win32HookHost(const Win32HookHost&) = delete;
  Win32HookHost& operator=(const Win32HookHost&) = delete;

  HookHostStart start() override;
  bool running() override;
  void stop() override;

 private:
  UniqueHandle process_;
  DWORD threadId_ = 0;
};

}  // namespace win32
}  // namespace vk
