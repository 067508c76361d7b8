// Toolbar on Win32: CreateToolbarEx as a child of the manager window, its
// strip replaced by a copy whose cyan and magenta become the button face.
// Buttons are TBSTYLE_BUTTON | TBSTYLE_AUTOSIZE, each sized to its label.
#pragma once

#include <windows.h>

#include "platform/toolbar.h"
#include "platform/win32/frame_window.h"
#include "platform/win32/handle.h"

namespace vk {
namespace win32 {

struct GdiObjectTraits {
  using Value = HGDIOBJ;
  static Value invalid() noexcept { return nullptr; }
  static void close(Value v) noexcept { ::DeleteObject(v); }
};
using UniqueGdiObject = Owned<GdiObjectTraits>;

class Win32Toolbar final : public Toolbar {
 public:
  explicit Win32Toolbar(Win32FrameWindow& frame) : frame_(frame) {}

  HWND handle() const { return toolbar_; }

  bool create() override;
  bool addButton(int commandId, int image, const char* text) override;
  void addSeparator() override;
  void enableButton(int commandId, bool on) override;
  int height() override;
  void place(int x, int y, int width, int height) override;
  void show() override;

 private:
  Win32FrameWindow& frame_;
  HWND toolbar_ = nullptr;
  // The colour-mapped strip; the toolbar draws from it for its whole life.
  UniqueGdiObject mappedStrip_;
};

}  // namespace win32
}  // namespace vk
