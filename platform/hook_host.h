// Port: the 32-bit hook host, vkhook32.exe. Windows loads a hook library only
// into processes of its own bitness, so the 64-bit manager's hooks never
// reach 32-bit programs; a small 32-bit program beside it installs
// vkgate32.dll's two procedures as system-wide hooks for them.
//
// The logic (manager/shell/hook_host_keeper.h) decides when; the Win32
// adapter starts, watches and stops the one host of this manager.
#pragma once

namespace vk {

enum class HookHostStart {
  Running,  // the host has its two hooks installed
  Missing,  // vkhook32.exe or vkgate32.dll is not beside the manager
  Failed,   // it was there but did not come up (ended early, or no answer)
};

class HookHost {
 public:
  virtual ~HookHost() = default;

  // Starts vkhook32.exe from the manager's own folder, handing it an
  // inheritable handle to the manager's process (it ends when that ends) and
  // an event it sets once both its hooks are installed; waits for that event
  // or the host's end, at most a few seconds. A host of an earlier start that
  // still runs is stopped first.
  virtual HookHostStart start() = 0;
  // The host of the last start that came up still runs.
  virtual bool running() = 0;
  // Asks the host to remove its hooks and end (WM_QUIT to its thread), waits
  // a moment for it, and ends it the hard way only when it did not go.
  // Harmless when no host runs.
  virtual void stop() = 0;
};

}  // namespace vk
