// WindowPicker on Win32: the calls the New Lock wizard's capture makes on the
// desktop while the user activates the window to lock.
#pragma once

#include "platform/wizard_page.h"

namespace vk {
namespace win32 {

class Win32WindowPicker final : public WindowPicker {
 public:
  WindowRef findManagerWindow() override;
  bool isWindowVisible(WindowRef window) override;
  void showWindow(WindowRef window, bool visible) override;
  void waitForUser(unsigned milliseconds) override;
  WindowRef foregroundWindow() override;
  void windowTitle(WindowRef window, char* buffer, int size) override;
  void windowClass(WindowRef window, char* buffer, int size) override;
  bool titleFitsCodePage(WindowRef window) override;
};

}  // namespace win32
}  // namespace vk
