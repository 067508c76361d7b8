// Keeps the 32-bit hook host running for as long as the manager runs.
//
// Start-up starts it just before the manager's own two hooks; shutdown stops
// it first, beside removing those hooks. Should it end on its own (killed,
// crashed), the tray timer notices within its period and starts it again at
// once: guarding 32-bit programs is restored without asking the user. Only
// while it cannot be started does the icon's tip say that 32-bit programs
// are not protected; every tick tries again, so it comes back by itself once
// the files are back. The user gets a message box only at start-up, once.
#pragma once

#include <functional>
#include <utility>

#include "platform/hook_host.h"

namespace vk {

constexpr const char* kHookHostMissingText =
    "Vantakey could not start vkhook32.exe, its helper for 32-bit programs (it needs "
    "vkgate32.dll beside it), so 32-bit programs are not protected in this session.";
constexpr const char* kHookHostMissingTip = "Vantakey - NOT protecting 32-bit programs";

class HookHostKeeper {
 public:
  explicit HookHostKeeper(HookHost& host) : host_(host) {}

  // Start-up: true when the host came up.
  bool start();
  // The tray timer: a host that is no longer running is started again. True
  // when whether 32-bit programs are protected changed with this call.
  bool check();
  // Shutdown; nothing is started again after it.
  void stop();

  // Called after each start by check() that brought a host up again.
  void onRestarted(std::function<void()> action) { onRestarted_ = std::move(action); }

  bool protecting() const { return protecting_; }
  // Times a host that had been running was found ended and started again.
  int restarts() const { return restarts_; }

 private:
  HookHost& host_;
  bool protecting_ = false;
  bool stopped_ = false;
  int restarts_ = 0;
  std::function<void()> onRestarted_;
};

// The icon's tip: the manager's own tip when that reports a problem with its
// 64-bit protection (the graver one; the tip has room for one), otherwise
// the 32-bit one when 32-bit programs are not protected.
const char* protectionTip(const char* managerTip, const char* normalTip, bool protecting32);

}  // namespace vk
