#include "manager/shell/tray_window.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "manager/shell/about_dialog.h"

namespace vk {

static_assert(std::char_traits<char>::length(kTrayTip) <= kTrayTipMaxLength, "tip fits");
static_assert(std::char_traits<char>::length(kHookHostMissingTip) <= kTrayTipMaxLength, "tip fits");

TrayWindow::TrayWindow(ShellPlatform& system, const ManagerSettings& settings,
                       ManagerWindow& manager, DialogRunner& runner)
    : system_(system), settings_(settings), manager_(manager), runner_(runner) {}

void TrayWindow::setTip(const char* tip) {
  managerTip_ = tip;
  composeTip();
}

void TrayWindow::watchHookHost(HookHostKeeper* keeper) {
  hookHost_ = keeper;
  composeTip();
}

void TrayWindow::composeTip() {
  const char* tip = managerTip_.c_str();
  if (hookHost_ != nullptr) tip = protectionTip(tip, kTrayTip, hookHost_->protecting());
  tip_.assign(tip, std::min(std::strlen(tip), kTrayTipMaxLength));
}

void TrayWindow::startSessionNotifications() {
  sessionNotificationsWanted_ = true;
  if (!sessionNotificationsOn_) sessionNotificationsOn_ = system_.registerSessionNotifications();
}

void TrayWindow::stopSessionNotifications() {
  sessionNotificationsWanted_ = false;
  if (sessionNotificationsOn_) system_.unregisterSessionNotifications();
  sessionNotificationsOn_ = false;
}

namespace {

bool userSteppedAway(std::uintptr_t sessionEvent) {
  return sessionEvent == kSessionLock || sessionEvent == kSessionConsoleDisconnect ||
         sessionEvent == kSessionRemoteDisconnect;
}

}  // namespace

bool TrayWindow::onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                           std::intptr_t& result) {
  switch (message) {
    case kMessageDestroy:
      system_.postQuit();
      return false;
    case kMessageTimer:
      if (wParam != kTrayTimerId) return false;
      if (hookHost_ != nullptr && hookHost_->check()) composeTip();
      // After the notification area was rebuilt (the shell restarted) the icon
      // is gone and only NIM_ADD brings it back; but not once the session has
      // ended and the icon was removed on purpose.
      if (!sessionEnded_ && !system_.modifyTrayIcon(tip())) system_.addTrayIcon(tip());
      if (!sessionEnded_ && sessionNotificationsWanted_ && !sessionNotificationsOn_) {
        startSessionNotifications();
      }
      result = 0;
      return true;
    case kMessageEndSession:
      // wParam false: the log-off was cancelled after all.
      if (settings_.shutDownAtLogOff && wParam != 0) {
        sessionEnded_ = true;
        if (endSession_) endSession_();
        system_.postQuit();
      }
      return false;
    case kMessageSessionChange:
      // Unlock, logon, connect and the rest give nobody new access.
      if (userSteppedAway(wParam)) manager_.lockAllNow(false);
      return false;
    case kMessagePowerBroadcast:
      if (wParam != kPowerSuspend) return false;
      manager_.lockAllNow(false);
      result = kPowerBroadcastHandled;
      return true;
    case kTrayNotifyMessage:
      if (wParam != kTrayIconId) return false;
      if (lParam == kMouseRightDown) {
        showIconMenu();
      } else if (lParam == kMouseLeftDoubleClick) {
        manager_.open();
      }
      return false;
    default:
      return false;
  }
}

void TrayWindow::showIconMenu() {
  switch (system_.showIconMenu()) {
    case kIconMenuOpenManager:
      manager_.open();
      break;
    case kIconMenuAbout:
      openAbout(system_, runner_, kNoWindow);
      break;
    case kIconMenuLockAllNow:
      manager_.lockAllNow(true);
      break;
    default:
      break;
  }
}

}  // namespace vk
