// Port: runs one modal dialog of the manager's own resources, bound to its
// logic object through the generic dialog procedure.
#pragma once

#include "platform/dialog_view.h"
#include "platform/window_system.h"

namespace vk {

class DialogRunner {
 public:
  virtual ~DialogRunner() = default;

  // DialogBoxParamA(instance of vkmanager.exe, resourceId, owner (kNoWindow:
  // none), the generic dialog procedure, the binding of `logic`): on Win32
  // this is win32::runModalDialog(GetModuleHandleA(NULL), resourceId, owner,
  // binding) with a DialogBinding on the caller's stack. An owner is disabled
  // while the dialog is up and cannot be closed under it. Returns the
  // dialog's end code, or -1 when the dialog could not be created.
  virtual int runModal(int resourceId, DialogLogic& logic, WindowRef owner) = 0;
};

}  // namespace vk
