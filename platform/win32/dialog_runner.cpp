#include "platform/win32/dialog_runner.h"

#include "platform/win32/dialog_adapter.h"

namespace vk {
namespace win32 {

int Win32DialogRunner::runModal(int resourceId, DialogLogic& logic) {
  DialogBinding binding(logic);
  return static_cast<int>(runModalDialog(instance_, resourceId, nullptr, binding));
}

}  // namespace win32
}  // namespace vk
