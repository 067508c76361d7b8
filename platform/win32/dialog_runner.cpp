#include "platform/win32/dialog_runner.h"

#include "platform/win32/dialog_adapter.h"

namespace vk {
namespace win32 {

int Win32DialogRunner::runModal(int resourceId, DialogLogic& logic, WindowRef owner) {
  DialogBinding binding(logic);
  return static_cast<int>(
      runModalDialog(instance_, resourceId, reinterpret_cast<HWND>(owner), binding));
}

}  // namespace win32
}  // namespace vk
