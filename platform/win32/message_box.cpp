#include "platform/win32/message_box.h"

namespace vk {
namespace win32 {

int Win32MessageBoxes::show(const char* text, const char* caption, unsigned style) {
  return ::MessageBoxA(owner_, text, caption, style);
}

}  // namespace win32
}  // namespace vk
