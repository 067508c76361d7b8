#include "manager/shell/hook_host_keeper.h"

#include <cstring>

namespace vk {

bool HookHostKeeper::start() {
  stopped_ = false;
  protecting_ = host_.start() == HookHostStart::Running;
  return protecting_;
}

bool HookHostKeeper::check() {
  if (stopped_) return false;
  const bool wasProtecting = protecting_;
  if (protecting_ && host_.running()) return false;
  if (protecting_) ++restarts_;
  protecting_ = host_.start() == HookHostStart::Running;
  if (protecting_ && onRestarted_) onRestarted_();
  return protecting_ != wasProtecting;
}

void HookHostKeeper::stop() {
  stopped_ = true;
  protecting_ = false;
  host_.stop();
}

const char* protectionTip(const char* managerTip, const char* normalTip, bool protecting32) {
  if (std::strcmp(managerTip, normalTip) != 0 || protecting32) return managerTip;
  return kHookHostMissingTip;
}

}  // namespace vk
