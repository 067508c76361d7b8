// DialogRunner on Win32: one of the program's own dialogs, modal, through the
// generic dialog procedure.
#pragma once

#include <windows.h>

#include "platform/dialog_runner.h"

namespace vk {
namespace win32 {

class Win32DialogRunner final : public DialogRunner {
 public:
  explicit Win32DialogRunner(HINSTANCE instance) : instance_(instance) {}
  int runModal(int resourceId, DialogLogic& logic, WindowRef owner) override;

 private:
  HINSTANCE instance_;
};

}  // namespace win32
}  // namespace vk
