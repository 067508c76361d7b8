// The window system as the hook library sees it, with the exact Win32 calls.
// Every method runs inside a hook procedure of some host application: no
// allocation, no exceptions.
#pragma once

#include <windows.h>

#include "platform/window_system.h"

namespace vk {

class Win32WindowSystem final : public WindowSystem {
 public:
  // The library's module: the prompt dialog and its icon are its resources.
  void setModule(HINSTANCE module) { module_ = module; }

  std::uint32_t processOf(WindowRef window) override;
  bool isChild(WindowRef window) override;
  WindowRef owner(WindowRef window) override;
  bool otherBitness(WindowRef window) override;
  void title(WindowRef window, char* buffer, int bufferLength) override;
  void className(WindowRef window, char* buffer, int bufferLength) override;
  bool challenge(WindowRef window, std::uint32_t t, std::uint32_t r, std::uint32_t& reply) override;
  void hide(WindowRef window) override;
  void showMinimizedNoActivate(WindowRef window) override;
  bool isActive(WindowRef window) override;
  void minimizeAndDeactivate(WindowRef window) override;
  void restore(WindowRef window) override;
  void setIconicThumbnail(WindowRef window, bool iconic) override;
  void postClose(WindowRef window) override;
  void shutdownComputer() override;
  std::int32_t now() override;
  int showLockPrompt(const PromptParam& param, DialogLogic& logic) override;

 private:
  HINSTANCE module_ = nullptr;
};

}  // namespace vk
