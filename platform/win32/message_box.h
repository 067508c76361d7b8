// MessageBoxes on Win32: MessageBoxA, with no owner window unless one is given
// (the manager window owns its capacity message; the store's boxes have none).
#pragma once

#include <windows.h>

#include "platform/message_box.h"

namespace vk {
namespace win32 {

class Win32MessageBoxes final : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(HWND owner = nullptr) : owner_(owner) {}
  int show(const char* text, const char* caption, unsigned style) override;

 private:
  HWND owner_;
};

}  // namespace win32
}  // namespace vk
