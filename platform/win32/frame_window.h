// FrameWindow on Win32: the manager window "VkFrame". Its window procedure is
// the program's own (it binds the FrameWindowEvents at WM_NCCREATE) and is
// handed in. The toolbar and list adapters create their controls as children
// of this window and record them in its properties "toolbar" and "list".
#pragma once

#include <windows.h>

#include "platform/frame_window.h"

namespace vk {
namespace win32 {

constexpr const char* kFrameClass = "VkFrame";
constexpr const char* kToolbarProperty = "toolbar";
constexpr const char* kListProperty = "list";

class Win32FrameWindow final : public FrameWindow {
 public:
  Win32FrameWindow(HINSTANCE instance, WNDPROC frameProcedure);
  // The events object dies before this adapter: the window is unbound first,
  // then destroyed, so no late message reaches a dead object.
  ~Win32FrameWindow() override;
  Win32FrameWindow(const Win32FrameWindow&) = delete;
  Win32FrameWindow& operator=(const Win32FrameWindow&) = delete;

  HWND handle() const { return window_; }
  HINSTANCE instance() const { return instance_; }

  bool create(FrameWindowEvents& events) override;
  bool exists() override;
  WindowRef window() override { return reinterpret_cast<WindowRef>(window_); }
  bool isVisible() override;
  void hide() override;
  void showNormalAndActivate() override;
  ClientSize clientSize() override;
  void startRefreshTimer() override;
  int messageBox(const char* text, const char* caption, unsigned style) override;

 private:
  HINSTANCE instance_;
  WNDPROC frameProcedure_;
  HWND window_ = nullptr;
};

}  // namespace win32
}  // namespace vk
