// The library's own manifest (resource 2: Common Controls 6) made the
// active activation context for as long as one of its dialogs runs, so the
// prompt is drawn with themed controls in every host, whether or not the
// host program's own manifest asks for them. Built only when a prompt is
// shown, never on the common path of the hooks.
#pragma once

#include <windows.h>

namespace vk {

class PromptActivation {
 public:
  // Without the manifest, or where activation contexts fail, the dialog is
  // simply drawn in the host's own style.
  explicit PromptActivation(HINSTANCE module) noexcept;
  ~PromptActivation();
  PromptActivation(const PromptActivation&) = delete;
  PromptActivation& operator=(const PromptActivation&) = delete;

  bool active() const { return cookie_ != 0; }

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
};

}  // namespace vk
